// The "ProfileSet" chooser: the system profiles of the newest version the table offers,
// listed in index order, so that the position chosen is the profile index for ASF output.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "platform/com.h"

class QComboBox;
class QPushButton;

class ProfileDialog : public QDialog {
    Q_OBJECT
  public:
    // Lists the profiles of a version selector into names (ListProfiles by default).
    using Lister = std::function<BOOL(int selector, std::vector<std::string>* names)>;

    explicit ProfileDialog(QWidget* parent = nullptr, Lister lister = {});
    ~ProfileDialog() override;

    // Fills the list, then runs modally. A list that cannot be had is reported and the
    // dialog ends at once with Rejected.
    int Run();
    // Fills the list without showing anything; false after the failure message.
    bool Initialise();

    // The combo box position chosen by OK (-1 before initialisation or with no entry).
    int ChosenIndex() const { return m_nChosen; }
    // The version selector whose list is shown (-1 until filled).
    int Selector() const { return m_nSelector; }

    QComboBox* ProfileList() const { return m_pCombo; }
    QPushButton* OkButton() const { return m_pOk; }
    QPushButton* CancelButton() const { return m_pCancel; }

  public slots:
    void accept() override;

  private:
    static constexpr int kDialogWidth = 311, kComboWidth = 291;
    void FitNames();

    Lister m_Lister;
    QComboBox* m_pCombo = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    int m_nSelector = -1;
    int m_nChosen = -1;
    int m_nGrown = 0;  // how much wider than its stored layout the dialog is now
};
