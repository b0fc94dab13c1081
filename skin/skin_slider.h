// A horizontal (or vertical) slider whose channel and thumb are skin images; range,
// position, paging, keys and the QAbstractSlider signals stay those of QSlider. Besides
// them, every movement is reported with the scroll code a trackbar would send: a press
// or a drag reports intermediate codes, the release (or a click, key or wheel step,
// which end at once) reports kScrollEnd last.
#pragma once

#include <QPixmap>
#include <QSlider>

struct SliderImages;

enum SkinScrollCode : int {
    kScrollLineUp = 0,         // one step towards the minimum
    kScrollLineDown = 1,       // one step towards the maximum
    kScrollPageUp = 2,         // one page towards the minimum
    kScrollPageDown = 3,       // one page towards the maximum
    kScrollThumbPosition = 4,  // the thumb was dropped here
    kScrollThumbTrack = 5,     // the thumb is being dragged here
    kScrollTop = 6,            // Home
    kScrollBottom = 7,         // End
    kScrollEnd = 8,            // the movement is over
};

class SkinSlider : public QSlider {
    Q_OBJECT

  public:
    explicit SkinSlider(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
    ~SkinSlider() override;

    // Order: normal thumb, pressed thumb, hover thumb, channel. Any null pointer is
    // refused: false, and nothing changes.
    bool SetSkinBitmaps(const QPixmap* normalThumb, const QPixmap* pressedThumb,
                        const QPixmap* hoverThumb, const QPixmap* channel);
    bool SetSkinBitmaps(const SliderImages& images);
    // Sizes the slider to its channel image, top-left corner kept; without a channel
    // image the size stays as it is.
    void FitToSkin();
    // Sets whether the wheel moves the slider; returns the previous setting.
    bool SetInteractive(bool wheel);
    void EnableWindow(bool enable);

    // Where the thumb is drawn for the current value, in widget coordinates.
    QRect ThumbRect() const;
    bool IsHovering() const { return m_bHover; }
    bool IsPressed() const { return m_bPressed; }
    // The thumb image a paint would draw now (null when there is none).
    const QPixmap& CurrentThumb() const;

  signals:
    void Scrolled(int code, int position);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    int ThumbLength() const;
    int ValueAt(int pixel) const;

    QPixmap m_NormalThumb, m_PressedThumb, m_HoverThumb, m_Channel;
    bool m_bWheel = true;
    bool m_bHover = false;
    bool m_bPressed = false;
    int m_DragOffset = 0;
};
