#include "player/time_readout.h"

#include <QPainter>
#include <algorithm>

namespace {

// The dark blue of the skin's frame, and the orange of its pressed thumbs for a target
// that is not the position yet.
const QColor kText(24, 52, 120);
const QColor kTarget(196, 96, 16);
constexpr int kTenthsPerHour = 36000;

}  // namespace

QString FormatPlayTime(int tenths, int totalTenths) {
    const long long seconds = std::max(0, tenths) / 10;
    const long long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (totalTenths >= kTenthsPerHour || h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

TimeReadout::TimeReadout(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont f = font();
    f.setPixelSize(11);
    f.setBold(true);
    setFont(f);
}

void TimeReadout::ShowElapsed(int tenths, int totalTenths) {
    Set(FormatPlayTime(tenths, totalTenths) + QStringLiteral(" / ") +
            FormatPlayTime(totalTenths, totalTenths),
        false);
}

void TimeReadout::ShowTarget(int tenths, int totalTenths) {
    Set(QStringLiteral("→ ") + FormatPlayTime(tenths, totalTenths) + QStringLiteral(" / ") +
            FormatPlayTime(totalTenths, totalTenths),
        true);
}

void TimeReadout::Clear() {
    Set(QString(), false);
}

void TimeReadout::Set(const QString& text, bool target) {
    if (text == m_text && target == m_bTarget)
        return;
    m_text = text;
    m_bTarget = target;
    update();
}

void TimeReadout::paintEvent(QPaintEvent*) {
    if (m_text.isEmpty())
        return;
    QPainter p(this);
    p.setPen(m_bTarget ? kTarget : kText);
    p.drawText(rect(), Qt::AlignRight | Qt::AlignVCenter, m_text);
}
