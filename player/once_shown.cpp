#include "player/once_shown.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "player/player_log.h"

namespace player {

OnceShown::OnceShown(QWidget& window, int boundMs, std::function<void()> step)
    : m_window(window), m_step(std::move(step)) {
    m_window.installEventFilter(this);
    QTimer::singleShot(boundMs, this, [this] { Run(); });
}

bool OnceShown::eventFilter(QObject* watched, QEvent* e) {
    if (watched == &m_window && e->type() == QEvent::Paint && !m_bPainted) {
        m_bPainted = true;
        m_window.removeEventFilter(this);
        // The line the start-up benchmark times the program by.
        qCInfo(lcPlayer) << "first paint";
        // Queued behind the paint, which the window is about to receive.
        QTimer::singleShot(0, this, [this] { Run(); });
    }
    return QObject::eventFilter(watched, e);
}

void OnceShown::Run() {
    if (m_bDone)
        return;
    m_bDone = true;
    m_step();
}

}  // namespace player
