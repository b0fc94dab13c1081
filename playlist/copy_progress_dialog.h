// The modeless copy progress window: a small animation, a progress bar 0..100 and
// "停止". It deletes itself once closed; holders keep a QPointer.
#pragma once

#include <QDialog>

class QProgressBar;
class QPushButton;
class CopyAnimation;

class CopyProgressDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kDialogId = 133;
    explicit CopyProgressDialog(QWidget* parent = nullptr);
    ~CopyProgressDialog() override;

    void SetProgress(int percent);
    int Progress() const;
    bool AnimationRunning() const;
    QPushButton* StopButton() const { return m_pStop; }
    // "停止": stops the animation and closes (and thereby deletes) the window.
    void StopCopy();

  signals:
    // Closed, or hidden by Escape: the copy it shows stops.
    void Hidden();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    CopyAnimation* m_pAnimation = nullptr;
    QProgressBar* m_pBar = nullptr;
    QPushButton* m_pStop = nullptr;
};
