#include "platform/ui/grid_canvas.h"

#include <QFontMetrics>
#include <QPainter>

namespace qel::ui {

void GridCanvas::begin(QPainter* painter, const QRect& clip, int row)
{
    painter_ = painter;
    clip_ = clip;
    row_ = row;
}

void GridCanvas::end()
{
    painter_ = nullptr;
    clip_ = QRect();
    row_ = -1;
}

void GridCanvas::fillRect(const QRect& rect)
{
    if (painter_)
        painter_->fillRect(rect, brush);
}

void GridCanvas::textOut(int x, int y, const QString& text)
{
    if (!painter_)
        return;
    painter_->save();
    if (clip_.isValid())
        painter_->setClipRect(clip_, Qt::IntersectClip);
    painter_->setFont(font.font);
    painter_->setPen(font.color);
    const QFontMetrics fm(font.font);
    painter_->drawText(QPoint(x, y + fm.ascent()), text);
    painter_->restore();
}

void GridCanvas::textRect(const QRect& rect, const QString& text, Qt::Alignment alignment)
{
    fillRect(rect);
    const int w = textWidth(text), h = textHeight(text);
    int x = rect.left() + 2;
    if (alignment & Qt::AlignRight)
        x = rect.left() + rect.width() - w - 3;
    else if (alignment & Qt::AlignHCenter)
        x = rect.left() + rect.width() / 2 - w / 2;
    const int y = rect.top() + rect.height() / 2 - h / 2;
    const QRect saved = clip_;
    clip_ = saved.isValid() ? saved.intersected(rect) : rect;
    textOut(x, y, text);
    clip_ = saved;
}

int GridCanvas::textWidth(const QString& text) const
{
    return QFontMetrics(font.font).horizontalAdvance(text);
}

int GridCanvas::textHeight(const QString& text) const
{
    return QFontMetrics(font.font).height();
}

} // namespace qel::ui
