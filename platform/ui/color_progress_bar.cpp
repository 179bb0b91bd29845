#include "platform/ui/color_progress_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace qel::ui {

ColorProgressBar::ColorProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setTextVisible(false);
    setMinimumHeight(12);
}

void ColorProgressBar::setBarColor(const QColor& color)
{
    barColor_ = color;
    update();
}

void ColorProgressBar::setSmooth(bool on)
{
    smooth_ = on;
    update();
}

void ColorProgressBar::stepIt()
{
    int next = value() + step_;
    if (next > maximum())
        next = minimum() + (next - maximum() - 1);
    setValue(std::clamp(next, minimum(), maximum()));
}

void ColorProgressBar::paintEvent(QPaintEvent*)
{
    // Drawn here so the colour holds in every style.
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const int range = maximum() - minimum();
    if (range <= 0 || value() <= minimum())
        return;
    const QRect inner = r.adjusted(2, 2, -2, -2);
    const int filled = int(qint64(inner.width()) * (value() - minimum()) / range);
    if (smooth_) {
        p.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()), barColor_);
        return;
    }
    const int block = std::max(inner.height() * 2 / 3, 4);
    for (int x = 0; x + block <= filled + block / 2 && x < inner.width(); x += block + 2)
        p.fillRect(QRect(inner.left() + x, inner.top(), std::min(block, inner.width() - x), inner.height()), barColor_);
}

} // namespace qel::ui
