// A push button drawn entirely from four skin images. The button shows, in order of
// precedence: the disabled image while disabled, the pressed image while held down, the
// hover image while the pointer is over it, else the normal image; a missing image falls
// back to the next one in that order. Clicks arrive as the ordinary clicked() signal.
// The hover image shows whenever the pointer is over an enabled button and one of the
// program's own windows is active (any of them: the viewer may be in front of the main
// window); it goes while a press holds the button and comes back with the release or the
// next movement of the pointer. Tab gives the button the focus with a dotted mark; Space,
// Return and Enter then press it, ahead of the window's own shortcuts for those keys.
#pragma once

#include <QPixmap>
#include <QPushButton>

struct ButtonImages;

class SkinButton : public QPushButton {
  public:
    explicit SkinButton(QWidget* parent = nullptr);
    ~SkinButton() override;

    // Adopts the images behind the non-null pointers, in the order normal, pressed,
    // hover, disabled; a null pointer leaves that image empty. A null normal image is
    // refused: false, and nothing changes.
    bool SetSkinBitmaps(const QPixmap* normal, const QPixmap* pressed, const QPixmap* hover,
                        const QPixmap* disabled);
    bool SetSkinBitmaps(const ButtonImages& images);
    // Makes the button exactly as large as its normal image.
    void SizeToContent();
    // Enables or disables, dropping a hover first so a disabled button never looks lit.
    void EnableWindow(bool enable);

    // Words drawn over the face, for a face whose own words are in another language than
    // the program's; empty (the default) draws the face as it is.
    void SetDrawnLabel(const QString& label);
    const QString& DrawnLabel() const { return m_Label; }

    bool IsHovering() const { return m_bHover; }
    // The image a paint would draw now (null when there is none).
    const QPixmap& CurrentImage() const;

  protected:
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;

  private:
    void SetHover(bool hover);
    // Hover for a pointer at p (button coordinates), by the rules above.
    void TrackHover(QPoint p);

    QPixmap m_Normal, m_Pressed, m_Hover, m_Disabled;
    bool m_bHover = false;
    bool m_bKeyboardFocus = false;  // the focus came by Tab: the focus mark shows
    QString m_Label;
};
