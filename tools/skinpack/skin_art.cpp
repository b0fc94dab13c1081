#include "tools/skinpack/skin_art.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace skinpack {
namespace {

// One theme for all three windows: light steel blue with a deeper blue accent.
const QColor kBackground(222, 230, 245);
const QColor kBorder(78, 98, 140);
const QColor kHighlight(250, 252, 255);
const QColor kShadow(176, 190, 216);
const QColor kSeparator(170, 188, 220);
const QColor kFooterPanel(234, 240, 251);
const QColor kFooterLine(150, 168, 204);
constexpr int kFar = 1000;

QColor Mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

// The window's own frame, by distance of a pixel from the four window edges. Every
// frame part and everything drawn over the frame samples this, so the parts join.
QColor FrameAt(int left, int top, int right, int bottom) {
    if (std::min({left, top, right, bottom}) == 0)
        return kBorder;
    if (top == 1 || left == 1)
        return kHighlight;
    if (right == 1 || bottom == 1)
        return kShadow;
    if (top <= 18)
        return Mix(QColor(216, 228, 247), QColor(198, 213, 240), (top - 2) / 16.0);
    if (top == 19)
        return kSeparator;
    return kBackground;
}

QColor HeaderRow(int windowY) {
    return FrameAt(kFar, windowY, kFar, kFar);
}

// The panel under the list view that carries the transport buttons.
QColor FooterAt(int left, int row, int right) {
    if (row == 0 || row == 49 || left == 0 || right == 0)
        return kFooterLine;
    if (row == 1 || left == 1)
        return kHighlight;
    if (row == 48 || right == 1)
        return QColor(205, 215, 236);
    return kFooterPanel;
}

enum Backdrop { kOnBackground, kOnHeader, kOnFooter };

void FillBackdrop(QImage& img, int kind, int windowY) {
    for (int y = 0; y < img.height(); ++y) {
        QColor c = kBackground;
        if (kind == kOnHeader)
            c = HeaderRow(windowY + y);
        if (kind == kOnFooter)
            c = FooterAt(kFar, windowY - 190 + y, kFar);
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        std::fill(line, line + img.width(), c.rgb());
    }
}

struct Palette {
    QColor top, bottom, border, ink;
};

Palette PaletteFor(Look look, bool primary) {
    if (primary) {
        switch (look) {
            case Look::Normal:
                return {{96, 156, 236}, {40, 96, 190}, {28, 64, 140}, Qt::white};
            case Look::Hover:
                return {{134, 190, 255}, {52, 124, 228}, {20, 80, 186}, Qt::white};
            case Look::Pressed:
                return {{30, 74, 158}, {54, 110, 200}, {20, 48, 110}, {220, 232, 255}};
            case Look::Disabled:
                return {{204, 209, 218}, {204, 209, 218}, {170, 176, 188}, {236, 238, 242}};
        }
    }
    switch (look) {
        case Look::Normal:
            return {{252, 253, 255}, {212, 223, 243}, {104, 124, 166}, {36, 56, 104}};
        case Look::Hover:
            return {{255, 255, 255}, {192, 219, 255}, {38, 112, 214}, {16, 86, 196}};
        case Look::Pressed:
            return {{172, 190, 224}, {204, 216, 238}, {62, 82, 124}, {22, 38, 82}};
        case Look::Disabled:
            return {{228, 231, 237}, {228, 231, 237}, {178, 184, 196}, {168, 174, 186}};
    }
    return {};
}

void Prepare(QPainter& p, Look look) {
    // Disabled images stay hard-edged: they must pack into a fraction of their size.
    p.setRenderHint(QPainter::Antialiasing, look != Look::Disabled);
    p.setRenderHint(QPainter::TextAntialiasing, look != Look::Disabled);
}

void DrawBody(QPainter& p, const QRectF& r, const Palette& pal, bool round, double radius) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, pal.top);
    g.setColorAt(1, pal.bottom);
    p.setPen(QPen(pal.border, 1));
    p.setBrush(g);
    if (round)
        p.drawEllipse(r);
    else
        p.drawRoundedRect(r, radius, radius);
}

enum Glyph {
    kGlyphPlay,
    kGlyphPause,
    kGlyphStop,
    kGlyphPrevious,
    kGlyphNext,
    kGlyphEject,
    kGlyphMinimize,
    kGlyphClose,
    kGlyphFullScreen,
    kGlyphCamera,
    kGlyphLeft,
    kGlyphRight,
    kTextEdit,
    kTextViewer,
    kTextMenu,
    kTextSettings,
    kTextExecute,
    kTextCancel,
};

QFont UiFont(int pixels, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QFont CjkFont(int pixels) {
    QFont f(QStringLiteral("IPAPGothic"));
    f.setPixelSize(pixels);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QPolygonF Triangle(QPointF a, QPointF b, QPointF c) {
    return QPolygonF({a, b, c});
}

void DrawGlyph(QPainter& p, int glyph, const QRectF& area, const QColor& ink) {
    const double s = std::min(area.width(), area.height());
    const QPointF c = area.center();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    auto text = [&](const QString& t, const QFont& f) {
        p.setPen(ink);
        p.setFont(f);
        p.drawText(area, Qt::AlignCenter, t);
    };
    switch (glyph) {
        case kGlyphPlay: {
            const double h = s * 0.46;
            p.drawPolygon(Triangle(c + QPointF(-h * 0.38, -h / 2), c + QPointF(-h * 0.38, h / 2),
                                   c + QPointF(h * 0.55, 0)));
            break;
        }
        case kGlyphPause: {
            const double h = s * 0.42, w = s * 0.13;
            p.drawRect(QRectF(c.x() - w * 1.6, c.y() - h / 2, w, h));
            p.drawRect(QRectF(c.x() + w * 0.6, c.y() - h / 2, w, h));
            break;
        }
        case kGlyphStop: {
            const double h = s * 0.36;
            p.drawRect(QRectF(c.x() - h / 2, c.y() - h / 2, h, h));
            break;
        }
        case kGlyphPrevious:
        case kGlyphNext: {
            const double h = s * 0.40;
            const double dir = glyph == kGlyphNext ? 1 : -1;
            p.drawPolygon(Triangle(c + QPointF(-dir * h * 0.45, -h / 2),
                                   c + QPointF(-dir * h * 0.45, h / 2),
                                   c + QPointF(dir * h * 0.3, 0)));
            const double bx = c.x() + dir * h * 0.32;
            p.drawRect(QRectF(dir > 0 ? bx : bx - h * 0.16, c.y() - h / 2, h * 0.16, h));
            break;
        }
        case kGlyphEject: {
            const double h = s * 0.44;
            p.drawPolygon(Triangle(c + QPointF(-h / 2, h * 0.1), c + QPointF(h / 2, h * 0.1),
                                   c + QPointF(0, -h * 0.5)));
            p.drawRect(QRectF(c.x() - h / 2, c.y() + h * 0.26, h, h * 0.18));
            break;
        }
        case kGlyphMinimize:
            p.drawRect(QRectF(c.x() - s * 0.22, c.y() + s * 0.12, s * 0.44, 2));
            break;
        case kGlyphClose: {
            const double h = s * 0.2;
            p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(c + QPointF(-h, -h), c + QPointF(h, h));
            p.drawLine(c + QPointF(-h, h), c + QPointF(h, -h));
            break;
        }
        case kGlyphFullScreen: {
            const double h = s * 0.22;
            p.setPen(QPen(ink, 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(c.x() - h, c.y() - h, 2 * h, 2 * h));
            p.drawLine(QPointF(c.x() - h, c.y() - h + 1.5), QPointF(c.x() + h, c.y() - h + 1.5));
            break;
        }
        case kGlyphCamera: {
            const double w = s * 0.62, h = s * 0.42;
            QRectF body(c.x() - w / 2, c.y() - h / 2 + 1, w, h);
            p.drawRoundedRect(body, 2, 2);
            p.drawRect(QRectF(c.x() - w * 0.18, body.top() - 3, w * 0.36, 3));
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor(255, 255, 255, 230), 1.5));
            p.drawEllipse(QPointF(c.x(), body.center().y()), h * 0.28, h * 0.28);
            break;
        }
        case kGlyphLeft:
        case kGlyphRight: {
            const double h = s * 0.28;
            const double dir = glyph == kGlyphRight ? 1 : -1;
            p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(c + QPointF(-dir * h, 0), c + QPointF(dir * h * 0.6, 0));
            p.setPen(Qt::NoPen);
            p.drawPolygon(Triangle(c + QPointF(dir * h * 0.3, -h * 0.7),
                                   c + QPointF(dir * h * 0.3, h * 0.7),
                                   c + QPointF(dir * h * 1.2, 0)));
            break;
        }
        case kTextEdit:
            text(QStringLiteral("Edit"), UiFont(11, true));
            break;
        case kTextViewer:
            text(QStringLiteral("Viewer"), UiFont(11, true));
            break;
        case kTextMenu:
            text(QStringLiteral("MENU"), UiFont(10, true));
            break;
        case kTextSettings:
            text(QStringLiteral("設定"), CjkFont(13));
            break;
        case kTextExecute:
            text(QStringLiteral("実行"), CjkFont(14));
            break;
        case kTextCancel:
            text(QStringLiteral("キャンセル"), CjkFont(13));
            break;
    }
}

// arg packs the glyph, the backdrop and the window row the image's top sits on.
constexpr int Arg(int glyph, int backdrop, int windowY, int flags = 0) {
    return glyph | backdrop << 6 | windowY << 8 | flags << 20;
}
constexpr int kPrimary = 1;
constexpr int kRound = 2;
constexpr int kDanger = 4;

void PaintButton(QImage& img, const ArtContext& ctx) {
    const int glyph = ctx.arg & 63;
    const int backdrop = (ctx.arg >> 6) & 3;
    const int windowY = (ctx.arg >> 8) & 0xfff;
    const int flags = ctx.arg >> 20;
    FillBackdrop(img, backdrop, windowY);
    QPainter p(&img);
    Prepare(p, ctx.look);
    Palette pal = PaletteFor(ctx.look, flags & kPrimary);
    if ((flags & kDanger) && ctx.look == Look::Hover)
        pal = {{250, 120, 110}, {206, 52, 44}, {150, 30, 26}, Qt::white};
    const bool round = flags & kRound;
    QRectF body(0.5, 0.5, ctx.width - 1, ctx.height - 1);
    if (round) {
        const double d = std::min(ctx.width, ctx.height) - 1;
        body = QRectF((ctx.width - d) / 2, 0.5, d, d);
    }
    if (ctx.look == Look::Disabled)
        body = QRectF(0, 0, ctx.width - 1, ctx.height - 1);
    DrawBody(p, body, pal, round, ctx.height >= 24 ? 5 : 3.5);
    if (ctx.look != Look::Disabled && ctx.look != Look::Pressed) {
        // A soft inner highlight gives the raised look; pressed buttons lose it.
        p.setPen(QPen(QColor(255, 255, 255, 150), 1));
        p.setBrush(Qt::NoBrush);
        const QRectF inner = body.adjusted(1, 1, -1, -1);
        if (round)
            p.drawEllipse(inner);
        else
            p.drawRoundedRect(inner, 3, 3);
    }
    QRectF area(0, 0, ctx.width, ctx.height);
    if (ctx.look == Look::Pressed)
        area.translate(1, 1);
    DrawGlyph(p, glyph, area, pal.ink);
}

void PaintFrame(QImage& img, const ArtContext& ctx) {
    const int w = ctx.width, h = ctx.height;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int l = kFar, t = kFar, r = kFar, b = kFar;
            switch (ctx.arg) {
                case 1:
                    l = x;
                    b = h - 1 - y;
                    break;  // bottom-left
                case 2:
                    b = h - 1 - y;
                    break;  // bottom
                case 3:
                    r = w - 1 - x;
                    b = h - 1 - y;
                    break;
                case 4:
                    l = x;
                    break;
                case 5:
                    r = w - 1 - x;
                    break;
                case 6:
                    l = x;
                    t = y;
                    break;
                case 7:
                    t = y;
                    break;
                case 8:
                    r = w - 1 - x;
                    t = y;
                    break;
            }
            img.setPixelColor(x, y, FrameAt(l, t, r, b));
        }
    }
}

void PaintGrip(QImage& img, const ArtContext& ctx) {
    const int w = ctx.width, h = ctx.height;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixelColor(x, y, FrameAt(kFar, kFar, w - 1 - x, h - 1 - y));
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b <= a; ++b) {
            const int x = w - 6 - 4 * b;
            const int y = h - 14 + 4 * (2 - a) + 4 * b - 0;
            img.setPixelColor(x + 1, y + 1, kHighlight);
            img.setPixelColor(x, y, QColor(112, 130, 170));
            img.setPixelColor(x + 1, y, QColor(112, 130, 170));
            img.setPixelColor(x, y + 1, QColor(140, 156, 190));
        }
    }
}

void PaintFooter(QImage& img, const ArtContext& ctx) {
    for (int y = 0; y < ctx.height; ++y) {
        for (int x = 0; x < ctx.width; ++x) {
            const int l = ctx.arg == 1 ? x : kFar;
            const int r = ctx.arg == 3 ? ctx.width - 1 - x : kFar;
            img.setPixelColor(x, y, FooterAt(l, y, r));
        }
    }
}

void PaintTitle(QImage& img, const ArtContext&) {
    FillBackdrop(img, kOnHeader, 5);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawBody(p, QRectF(1.5, 1.5, 15, 15), PaletteFor(Look::Normal, true), true, 0);
    DrawGlyph(p, kGlyphPlay, QRectF(2, 2, 15, 15), Qt::white);
    QFont f = UiFont(14, true);
    // Vertical hinting only: full hinting rounds each advance and opens uneven gaps.
    f.setHintingPreference(QFont::PreferVerticalHinting);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    p.setFont(f);
    p.setPen(QColor(28, 48, 98));
    p.drawText(QPointF(23, 14.5), QStringLiteral("VELTRA"));
    p.setFont(UiFont(9, false));
    p.setPen(QColor(84, 104, 146));
    p.drawText(QPointF(104, 14), QStringLiteral("player · cutter"));
}

void DrawGroove(QPainter& p, double x0, double x1, double mid) {
    QLinearGradient g(0, mid - 3, 0, mid + 3);
    g.setColorAt(0, QColor(196, 206, 224));
    g.setColorAt(1, QColor(250, 251, 254));
    p.setPen(QPen(QColor(120, 138, 172), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(x0 + 0.5, mid - 3 + 0.5, x1 - x0 - 1, 6), 3, 3);
}

void PaintChannel(QImage& img, const ArtContext& ctx) {
    img.fill(kBackground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double mid = ctx.height / 2.0 - 2;
    if (ctx.arg == 2) {
        // The volume wedge grows toward the loud end.
        QPolygonF wedge({QPointF(4, mid + 3), QPointF(ctx.width - 4, mid + 3),
                         QPointF(ctx.width - 4, mid - 8)});
        QLinearGradient g(0, 0, ctx.width, 0);
        g.setColorAt(0, QColor(232, 239, 251));
        g.setColorAt(1, QColor(150, 188, 242));
        p.setPen(QPen(QColor(140, 160, 200), 1));
        p.setBrush(g);
        p.drawPolygon(wedge);
    }
    DrawGroove(p, 2, ctx.width - 2, mid);
    if (ctx.arg != 2) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QColor(140, 156, 190));
        const int ticks = 10;
        const double span = ctx.width - 22;
        for (int i = 0; i <= ticks; ++i) {
            const int x = static_cast<int>(11 + span * i / ticks);
            p.drawLine(x, static_cast<int>(mid) + 5, x,
                       static_cast<int>(mid) + (i % 5 == 0 ? 8 : 6));
        }
    }
}

void PaintThumb(QImage& img, const ArtContext& ctx) {
    img.fill(kBackground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double mid = ctx.height / 2.0 - 2;
    DrawGroove(p, -10, ctx.width + 10, mid);
    Palette pal = PaletteFor(ctx.look, ctx.look != Look::Normal);
    if (ctx.look == Look::Normal)
        pal = PaletteFor(Look::Normal, false);
    const QRectF knob(2.5, 0.5, ctx.width - 5, ctx.height - 2);
    DrawBody(p, knob, pal, false, 3);
    p.setPen(QPen(pal.ink, 1));
    const double cy = knob.center().y();
    for (int i = -1; i <= 1; ++i)
        p.drawLine(QPointF(knob.left() + 4, cy + 3 * i), QPointF(knob.right() - 4, cy + 3 * i));
}

void PaintPreview(QImage& img, const ArtContext& ctx) {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient back(0, 0, 0, ctx.height);
    back.setColorAt(0, QColor(40, 54, 82));
    back.setColorAt(1, QColor(22, 30, 48));
    p.fillRect(img.rect(), back);
    const QPointF c(ctx.width / 2.0, ctx.height / 2.0 - 14);
    const QColor accent(96, 156, 236);
    if (ctx.arg == 1) {
        // Converting: a ring of segments, brightest at the head.
        for (int i = 0; i < 12; ++i) {
            p.save();
            p.translate(c);
            p.rotate(i * 30);
            p.setPen(Qt::NoPen);
            p.setBrush(Mix(QColor(60, 76, 110), accent, i / 11.0));
            p.drawRoundedRect(QRectF(-2.5, -30, 5, 12), 2.5, 2.5);
            p.restore();
        }
    } else {
        p.setPen(QPen(QColor(110, 130, 170), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(c.x() - 34, c.y() - 24, 68, 48), 6, 6);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(150, 170, 210));
        p.drawPolygon(Triangle(c + QPointF(-9, -13), c + QPointF(-9, 13), c + QPointF(14, 0)));
    }
    p.setFont(CjkFont(15));
    p.setPen(QColor(196, 210, 236));
    p.drawText(QRectF(0, ctx.height - 62, ctx.width, 24), Qt::AlignCenter,
               ctx.arg == 1 ? QStringLiteral("変換中…") : QStringLiteral("プレビュー"));
    p.setFont(UiFont(10, false));
    p.setPen(QColor(120, 138, 176));
    p.drawText(
        QRectF(0, ctx.height - 40, ctx.width, 18), Qt::AlignCenter,
        ctx.arg == 1 ? QStringLiteral("writing the output file") : QStringLiteral("VELTRA cutter"));
}

#define BUTTON4(first, name, w, h, bits, arg)                                        \
    {first, name "_hover", w, h, bits, PaintButton, Look::Hover, arg},               \
        {first + 1, name "_disabled", w, h, bits, PaintButton, Look::Disabled, arg}, \
        {first + 2, name "_normal", w, h, bits, PaintButton, Look::Normal, arg}, {   \
        first + 3, name "_pressed", w, h, bits, PaintButton, Look::Pressed, arg      \
    }

#define THUMB3(first, name, w, h, bits, arg)                                      \
    {first, name "_hover", w, h, bits, PaintThumb, Look::Hover, arg},             \
        {first + 1, name "_normal", w, h, bits, PaintThumb, Look::Normal, arg}, { \
        first + 2, name "_pressed", w, h, bits, PaintThumb, Look::Pressed, arg    \
    }

// Geometry per record. The table fixes only byte lengths; these sizes make each image
// fit its control and its length (see BmpRowStride): frame parts are true colour,
// everything with flat areas is palettised so that it packs.
const std::vector<ArtEntry> kArt = {
    {1, "frame_bottom_left", 49, 10, 24, PaintFrame, Look::Normal, 1},
    {2, "frame_bottom", 1, 10, 24, PaintFrame, Look::Normal, 2},
    {3, "frame_bottom_right", 49, 10, 24, PaintFrame, Look::Normal, 3},
    {4, "frame_left", 4, 5, 24, PaintFrame, Look::Normal, 4},
    {5, "frame_right", 4, 5, 24, PaintFrame, Look::Normal, 5},
    {6, "frame_top_left", 49, 20, 24, PaintFrame, Look::Normal, 6},
    {7, "frame_top", 1, 20, 24, PaintFrame, Look::Normal, 7},
    {8, "frame_top_right", 49, 20, 24, PaintFrame, Look::Normal, 8},
    BUTTON4(9, "minimize", 20, 20, 8, Arg(kGlyphMinimize, kOnHeader, 5)),
    BUTTON4(13, "fullscreen", 20, 20, 8, Arg(kGlyphFullScreen, kOnHeader, 5)),
    BUTTON4(17, "close", 20, 20, 8, Arg(kGlyphClose, kOnHeader, 5, kDanger)),
    THUMB3(21, "small_thumb", 16, 21, 8, 2),
    {24, "volume_channel", 134, 21, 8, PaintChannel, Look::Normal, 2},
    THUMB3(25, "seek_thumb", 22, 26, 8, 1),
    {28, "seek_channel", 338, 26, 8, PaintChannel, Look::Normal, 1},
    BUTTON4(29, "main_edit", 56, 20, 8, Arg(kTextEdit, kOnBackground, 0)),
    BUTTON4(33, "main_viewer", 56, 20, 8, Arg(kTextViewer, kOnBackground, 0)),
    BUTTON4(37, "main_menu", 56, 14, 8, Arg(kTextMenu, kOnBackground, 0)),
    BUTTON4(41, "main_open", 32, 30, 8, Arg(kGlyphEject, kOnFooter, 201)),
    BUTTON4(45, "main_stop", 36, 34, 8, Arg(kGlyphStop, kOnFooter, 199)),
    BUTTON4(49, "main_play", 46, 40, 8, Arg(kGlyphPlay, kOnFooter, 196, kPrimary | kRound)),
    BUTTON4(53, "main_pause", 46, 40, 8, Arg(kGlyphPause, kOnFooter, 196, kPrimary | kRound)),
    BUTTON4(57, "main_previous", 32, 30, 8, Arg(kGlyphPrevious, kOnFooter, 201)),
    BUTTON4(61, "main_next", 32, 30, 8, Arg(kGlyphNext, kOnFooter, 201)),
    {65, "footer_left", 160, 50, 8, PaintFooter, Look::Normal, 1},
    {66, "footer_middle", 1, 50, 8, PaintFooter, Look::Normal, 2},
    {67, "footer_right", 160, 50, 8, PaintFooter, Look::Normal, 3},
    {68, "title", 200, 27, 8, PaintTitle, Look::Normal, 0},
    {69, "size_grip", 16, 16, 24, PaintGrip, Look::Normal, 0},
    BUTTON4(70, "editor_play", 50, 26, 8, Arg(kGlyphPlay, kOnBackground, 0, kPrimary)),
    BUTTON4(74, "editor_pause", 50, 26, 8, Arg(kGlyphPause, kOnBackground, 0, kPrimary)),
    BUTTON4(78, "editor_stop", 50, 26, 8, Arg(kGlyphStop, kOnBackground, 0)),
    BUTTON4(82, "editor_still", 50, 26, 8, Arg(kGlyphCamera, kOnBackground, 0)),
    BUTTON4(86, "editor_forward", 32, 26, 8, Arg(kGlyphRight, kOnBackground, 0)),
    BUTTON4(90, "editor_back", 32, 26, 8, Arg(kGlyphLeft, kOnBackground, 0)),
    BUTTON4(94, "editor_settings", 70, 24, 8, Arg(kTextSettings, kOnBackground, 0)),
    BUTTON4(98, "editor_execute", 80, 28, 8, Arg(kTextExecute, kOnBackground, 0, kPrimary)),
    BUTTON4(102, "editor_cancel", 80, 28, 8, Arg(kTextCancel, kOnBackground, 0)),
    {106, "editor_channel", 242, 21, 8, PaintChannel, Look::Normal, 3},
    {107, "preview_converting", 240, 180, 8, PaintPreview, Look::Normal, 1},
    {108, "preview_idle", 240, 180, 8, PaintPreview, Look::Normal, 0},
};

}  // namespace

const std::vector<ArtEntry>& ArtTable() {
    return kArt;
}

QImage DrawArt(const ArtEntry& entry) {
    QImage img(entry.width, entry.height, QImage::Format_RGB32);
    img.fill(kBackground);
    entry.paint(img, ArtContext{entry.width, entry.height, entry.look, entry.arg});
    return img;
}

QImage DrawSplash() {
    QImage img(400, 300, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient g(0, 0, 400, 300);
    g.setColorAt(0, QColor(52, 102, 190));
    g.setColorAt(1, QColor(16, 32, 76));
    p.fillRect(img.rect(), g);
    p.setPen(QPen(QColor(255, 255, 255, 28), 14));
    p.setBrush(Qt::NoBrush);
    for (int r = 120; r <= 320; r += 50) p.drawEllipse(QPointF(330, 250), r, r);
    DrawBody(p, QRectF(40, 70, 64, 64), PaletteFor(Look::Hover, true), true, 0);
    DrawGlyph(p, kGlyphPlay, QRectF(42, 70, 64, 64), Qt::white);
    QFont f = UiFont(52, true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QPointF(120, 124), QStringLiteral("VELTRA"));
    // The program writes its two lines below the name in the language it speaks.
    p.setFont(UiFont(11, false));
    p.setPen(QColor(150, 172, 214));
    p.drawText(QRectF(0, 262, 380, 20), Qt::AlignRight, QStringLiteral("version 1.1"));
    return img;
}

QImage DrawIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 128-unit canvas; small sizes get a bolder outline and no bar, which
    // would only blur into the triangle.
    p.scale(size / 128.0, size / 128.0);
    const bool small = size < 32;
    QLinearGradient g(0, 0, 0, 128);
    g.setColorAt(0, QColor(110, 170, 250));
    g.setColorAt(1, QColor(28, 70, 160));
    p.setPen(QPen(QColor(20, 44, 110), small ? 8.0 : std::max(3.0, 128.0 / size)));
    p.setBrush(g);
    p.drawRoundedRect(small ? QRectF(4, 4, 120, 120) : QRectF(6, 6, 116, 116), 26, 26);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    if (small) {
        p.drawPolygon(Triangle(QPointF(40, 28), QPointF(40, 100), QPointF(100, 64)));
        return img;
    }
    p.drawPolygon(Triangle(QPointF(48, 34), QPointF(48, 94), QPointF(96, 64)));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRect(QRectF(26, 34, 8, 60));
    return img;
}

const std::vector<int>& IconSizes() {
    static const std::vector<int> sizes = {16, 32, 48, 64, 128, 256};
    return sizes;
}

}  // namespace skinpack
