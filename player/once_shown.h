// Runs a step once a window is on the screen: right after its first paint, or after a bound
// should it never be painted (a window kept off the screen), whichever comes first.
#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace player {

class OnceShown : public QObject {
  public:
    // The step runs from the event loop, after the paint it follows; boundMs counts from
    // this call.
    OnceShown(QWidget& window, int boundMs, std::function<void()> step);

    bool Done() const { return m_bDone; }

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void Run();

    QWidget& m_window;
    std::function<void()> m_step;
    bool m_bPainted = false;
    bool m_bDone = false;
};

}  // namespace player
