// A horizontal (or vertical) slider whose channel and thumb are skin images; range,
// position, paging, keys and the QAbstractSlider signals stay those of QSlider. Besides
// them, every movement is reported with the scroll code a trackbar would send: a press
// or a drag reports intermediate codes, the release (or a click, key or wheel step,
// which end at once) reports kScrollEnd last. As with a trackbar, a page is a fifth of the
// range, set again whenever the range changes. The hover thumb follows the button's
// rules (any window of the program active); a disabled slider shows its thumb greyed,
// and a slider asked to fill up to its thumb draws the channel beyond the thumb faded.
// Focus given by Tab shows the skin's dotted focus mark.
#pragma once

#include <QPixmap>
#include <QSlider>

class QPainter;

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
    // How far one notch of the wheel moves the value; 0 leaves it to QSlider (three
    // single steps).
    void SetWheelStep(int step) { m_nWheelStep = step; }
    void EnableWindow(bool enable);
    // Draw the channel in full only up to the thumb (a level gauge such as the volume
    // wedge), faded beyond it.
    void SetFillToThumb(bool fill);

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
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;
    void sliderChange(SliderChange change) override;

  private:
    void PaintSkin(QPainter& p);
    int ThumbLength() const;
    int ValueAt(int pixel) const;
    void TrackHover(QPoint p);

    QPixmap m_NormalThumb, m_PressedThumb, m_HoverThumb, m_Channel;
    // Derived from the normal thumb and the channel when they are set.
    QPixmap m_DisabledThumb, m_FadedChannel;
    bool m_bFillToThumb = false;
    bool m_bWheel = true;
    bool m_bHover = false;
    bool m_bPressed = false;
    int m_DragOffset = 0;
    int m_nWheelStep = 0;
    int m_nWheelRest = 0;  // eighths of a degree not yet a whole notch (fine wheels)
    bool m_bKeyboardFocus = false;
};
