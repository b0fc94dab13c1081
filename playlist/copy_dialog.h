// The copy dialog: common rename name and destination folder.
#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

constexpr int kMaxRenameBytes = 5;

class CopyDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kDialogId = 132;
    // The destination starts as initialFolder (the last prompt folder or the current one).
    explicit CopyDialog(QWidget* parent = nullptr, const std::string& initialFolder = {});

    std::string RenameName() const { return m_strRename; }
    std::string Destination() const { return m_strDestination; }

    // Exposed for tests and the shell: the controls by their ids.
    QLineEdit* RenameEdit() const { return m_pRename; }      // 1005
    QLineEdit* DestinationEdit() const { return m_pDest; }   // 1008
    QPushButton* BrowseButton() const { return m_pBrowse; }  // 1009
    QPushButton* OkButton() const { return m_pOk; }          // 1006

    // The OK handler: takes the texts over, or says why not and stays open.
    bool Accept();
    void Browse();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void OnRenameEdited(const QString& text);

    QLineEdit* m_pRename = nullptr;
    QLineEdit* m_pDest = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QPushButton* m_pOk = nullptr;
    std::string m_strRename;
    std::string m_strDestination;
};
