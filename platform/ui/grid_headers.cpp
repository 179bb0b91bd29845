#include "platform/ui/grid_headers.h"

#include "platform/db/dataset.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace qel::ui {

namespace {

void drawFixedFrame(QPainter* p, const QRect& r, const QColor& fill)
{
    p->fillRect(r, fill);
    p->setPen(fill.lighter(125));
    p->drawLine(r.topLeft(), r.topRight());
    p->drawLine(r.topLeft(), r.bottomLeft());
    p->setPen(fill.darker(160));
    p->drawLine(r.bottomLeft(), r.bottomRight());
    p->drawLine(r.topRight(), r.bottomRight());
}

} // namespace

// ---- titles ------------------------------------------------------------------------------

GridTitleHeader::GridTitleHeader(TQXDBGridEh& grid) : QHeaderView(Qt::Horizontal, &grid), grid_(grid)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setMinimumSectionSize(4);
    setDefaultAlignment(Qt::AlignCenter);
}

QSize GridTitleHeader::sizeHint() const
{
    QSize s = QHeaderView::sizeHint();
    s.setHeight(grid_.titleHeight());
    return s;
}

QRect GridTitleHeader::spanRect(int logicalIndex, int level, const QRect& rect) const
{
    const QStringList parts = grid_.column(logicalIndex).titleLevels();
    const QStringList prefix = parts.mid(0, level + 1);
    auto shares = [&](int logical) {
        if (logical < 0 || logical >= grid_.columnCount() || isSectionHidden(logical))
            return false;
        const QStringList other = grid_.column(logical).titleLevels();
        return other.size() > level + 1 && other.mid(0, level + 1) == prefix;
    };
    const int v = visualIndex(logicalIndex);
    int first = logicalIndex, last = logicalIndex;
    for (int i = v - 1; i >= 0; --i) {
        const int l = this->logicalIndex(i);
        if (isSectionHidden(l))
            continue;
        if (!shares(l))
            break;
        first = l;
    }
    for (int i = v + 1; i < count(); ++i) {
        const int l = this->logicalIndex(i);
        if (isSectionHidden(l))
            continue;
        if (!shares(l))
            break;
        last = l;
    }
    const int left = sectionViewportPosition(first);
    const int right = sectionViewportPosition(last) + sectionSize(last);
    return QRect(left, rect.top(), right - left, rect.height());
}

void GridTitleHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (logicalIndex < 0 || logicalIndex >= grid_.columnCount())
        return;
    const QStringList parts = grid_.column(logicalIndex).titleLevels();
    const int levels = std::max(grid_.titleLevelCount(), 1);
    const int levelHeight = rect.height() / levels;
    const GridFont font = grid_.titleFont();
    painter->save();
    painter->setClipRect(rect);
    for (int level = 0; level < parts.size(); ++level) {
        const bool lastPart = level == parts.size() - 1;
        const int top = rect.top() + level * levelHeight;
        const int bottom = lastPart ? rect.bottom() : top + levelHeight - 1;
        QRect r(rect.left(), top, rect.width(), bottom - top + 1);
        if (!lastPart)
            r = spanRect(logicalIndex, level, r);
        drawFixedFrame(painter, r, grid_.fixedColor());
        painter->setFont(font.font);
        painter->setPen(font.color);
        painter->drawText(r.adjusted(2, 1, -2, -1), int(Qt::AlignCenter) | Qt::TextWordWrap, parts[level]);
    }
    painter->restore();
}

// ---- row indicator -----------------------------------------------------------------------

GridIndicatorHeader::GridIndicatorHeader(TQXDBGridEh& grid) : QHeaderView(Qt::Vertical, &grid), grid_(grid)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Fixed);
    setMinimumSectionSize(8);
}

QSize GridIndicatorHeader::sizeHint() const
{
    QSize s = QHeaderView::sizeHint();
    s.setWidth(12);
    return s;
}

void GridIndicatorHeader::paintSection(QPainter* painter, const QRect& rect, int row) const
{
    const bool selected = grid_.selectedRows().isRowSelected(row);
    drawFixedFrame(painter, rect, selected ? grid_.fixedColor().darker(125) : grid_.fixedColor());
    db::DataSet* ds = grid_.dataSet();
    if (!ds || !ds->active() || row != ds->currentRow())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(Qt::black);
    const QPoint c = rect.center();
    switch (ds->state()) {
    case db::DataSetState::Edit: {
        painter->setPen(QPen(Qt::black, 1.2));
        painter->drawLine(c.x(), c.y() - 4, c.x(), c.y() + 4);
        painter->drawLine(c.x() - 2, c.y() - 4, c.x() + 2, c.y() - 4);
        painter->drawLine(c.x() - 2, c.y() + 4, c.x() + 2, c.y() + 4);
        break;
    }
    case db::DataSetState::Insert: {
        QFont f = painter->font();
        f.setBold(true);
        painter->setFont(f);
        painter->setPen(Qt::black);
        painter->drawText(rect, Qt::AlignCenter, QStringLiteral("*"));
        break;
    }
    default: {
        QPainterPath arrow;
        arrow.moveTo(c.x() - 2, c.y() - 4);
        arrow.lineTo(c.x() + 3, c.y());
        arrow.lineTo(c.x() - 2, c.y() + 4);
        arrow.closeSubpath();
        painter->drawPath(arrow);
        break;
    }
    }
    painter->restore();
}

void GridIndicatorHeader::mousePressEvent(QMouseEvent* event)
{
    const int row = logicalIndexAt(event->position().toPoint());
    if (row >= 0 && event->button() == Qt::LeftButton)
        grid_.rowClicked(row, event->modifiers());
    event->accept();
}

void GridIndicatorHeader::mouseMoveEvent(QMouseEvent* event) { event->accept(); }
void GridIndicatorHeader::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
void GridIndicatorHeader::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

} // namespace qel::ui
