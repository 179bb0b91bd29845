#include "platform/ui/grid_footer.h"

#include "platform/ui/qx_db_grid_eh.h"

#include <QHeaderView>
#include <QPainter>

namespace qel::ui {

GridFooter::GridFooter(TQXDBGridEh& grid) : QWidget(&grid), grid_(grid)
{
    setAutoFillBackground(false);
}

QRect GridFooter::cellRect(int column) const
{
    const QHeaderView* h = grid_.horizontalHeader();
    if (column < 0 || column >= grid_.columnCount() || h->isSectionHidden(column))
        return {};
    const int left = h->sectionViewportPosition(column) + grid_.footerOffset();
    return QRect(left, 0, h->sectionSize(column), height());
}

void GridFooter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor fill = grid_.footerColor();
    p.fillRect(rect(), fill);
    const GridFont font = grid_.footerFont();
    p.setFont(font.font);
    for (int i = 0; i < grid_.columnCount(); ++i) {
        const QRect r = cellRect(i);
        if (!r.isValid() || r.right() < 0 || r.left() > width())
            continue;
        p.setPen(fill.lighter(125));
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(fill.darker(160));
        p.drawLine(r.topRight(), r.bottomRight());
        const QString text = grid_.footerText(i);
        if (text.isEmpty())
            continue;
        Qt::Alignment a = grid_.column(i).footerAlignment().value_or(grid_.column(i).alignment());
        p.setPen(font.color);
        p.drawText(r.adjusted(2, 0, -3, 0), int(a & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter, text);
    }
    p.setPen(fill.darker(160));
    p.drawLine(0, height() - 1, width(), height() - 1);
    p.setPen(fill.lighter(125));
    p.drawLine(0, 0, width(), 0);
}

} // namespace qel::ui
