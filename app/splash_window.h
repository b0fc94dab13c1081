// The picture shown while the main window builds itself: at most one at a time, gone
// after the process-wide duration, deleting itself when its window goes.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class SplashWindow : public QWidget {
    Q_OBJECT
  public:
    static void SetSplashDuration(int milliseconds);
    static int SplashDuration();
    // Shows the bitmap (138: the start picture) unless a splash is already up. Without
    // the picture nothing is shown and start-up goes on.
    static void ShowSplash(int bitmapId, QWidget* owner);
    // The splash on screen, or null.
    static SplashWindow* Current();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    SplashWindow(const QPixmap& picture, bool startPicture, QWidget* owner);
    ~SplashWindow() override;

    QPixmap m_bitmap;
    bool m_startPicture;  // the start picture leaves room for its lines of text
    QPointer<QWidget> m_owner;
    int m_timerId = 0;
};
