// The main window as the desktop's media controls see it: its state read from its own
// buttons, sliders, list and playing logic, and every command done by the very handler
// its button or slider would call.
#pragma once

#include <QObject>

#include "app/media_control.h"

class MainWindow;

class MainWindowMediaControl : public QObject, public MediaControl {
    Q_OBJECT
  public:
    explicit MainWindowMediaControl(MainWindow& window);

    MediaState State() override;
    bool Busy() override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Next() override;
    void Previous() override;
    void SeekTo(int tenths) override;
    void SetVolume(int position) override;
    void OpenFile(const std::string& path) override;
    void EnqueueFiles(const std::vector<std::string>& paths) override;
    void Raise() override;
    void Quit() override;
    void SetListeners(std::function<void()> changed, std::function<void()> seeked) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Changed();

    MainWindow& m_window;
    std::function<void()> m_changed;
    std::function<void()> m_seeked;
};
