// The yardstick for start-up: the smallest Qt widget program that opens a frameless
// 380 x 310 window and says so on its first paint, as veltra's log does.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class FirstPaintWindow : public QWidget {
  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), QColor(222, 230, 245));
        if (!m_painted) {
            m_painted = true;
            std::fprintf(stderr, "first paint\n");
            std::fflush(stderr);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
    }

  private:
    bool m_painted = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    FirstPaintWindow w;
    w.setWindowFlag(Qt::FramelessWindowHint);
    w.resize(380, 310);
    w.show();
    return app.exec();
}
