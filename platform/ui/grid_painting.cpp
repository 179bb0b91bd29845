// The grid's cells: their texts, the colours and fonts of each drawing state, the cell
// parameter and cell drawing handlers, grid lines and the current cell's edit buttons.
#include "platform/ui/qx_db_grid_eh.h"

#include "platform/db/value_convert.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace qel::ui {

namespace {

constexpr int kButtonWidth = 16;

// Dates written the everyday way ("dd.mm.yyyy") mean months by "mm" when no time is shown.
QString qtDateFormat(QString format)
{
    if (!format.contains(QLatin1Char(':')) && !format.contains(QLatin1Char('h'), Qt::CaseInsensitive))
        format.replace(QStringLiteral("mm"), QStringLiteral("MM"));
    return format;
}

QString formatWith(const db::Field& f, const QVariant& v, const QString& format)
{
    if (v.isNull())
        return {};
    if (db::convert::isTemporalType(f.dataType()) || v.typeId() == QMetaType::QDate
        || v.typeId() == QMetaType::QDateTime)
        return db::convert::toDateTime(v).toString(qtDateFormat(format));
    if (db::convert::isNumericType(f.dataType()) && format.startsWith(QLatin1Char('%')))
        return QString::asprintf(format.toLatin1().constData(), db::convert::toFloat(v));
    return f.displayTextFor(v);
}

QColor blend(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(float(a.redF() * (1 - t) + b.redF() * t), float(a.greenF() * (1 - t) + b.greenF() * t),
                            float(a.blueF() * (1 - t) + b.blueF() * t));
}

} // namespace

// ---- texts ---------------------------------------------------------------------------------

db::Field* TQXDBGridEh::cellField(int column, db::DataSet** dataSetOut, const GridColumn** columnOut) const
{
    db::DataSet* ds = dataSet();
    if (!ds || !ds->active() || column < 0 || column >= columnCount())
        return nullptr;
    *dataSetOut = ds;
    *columnOut = columns_[size_t(column)].get();
    return (*columnOut)->field();
}

QString TQXDBGridEh::cellText(int row, int column) const
{
    db::DataSet* ds = nullptr;
    const GridColumn* gridColumn = nullptr;
    db::Field* f = cellField(column, &ds, &gridColumn);
    if (!f)
        return {};
    const GridColumn& c = *gridColumn;
    const QVariant v = ds->rowValue(row, *f);
    if (!c.keyList().isEmpty()) {
        const QString key = db::convert::toText(v);
        const int i = int(c.keyList().indexOf(key));
        return i >= 0 && i < c.pickList().size() ? c.pickList().at(i) : key;
    }
    if (!c.displayFormat().isEmpty())
        return formatWith(*f, v, c.displayFormat());
    return f->displayTextFor(v);
}

QString TQXDBGridEh::cellEditText(int row, int column) const
{
    db::DataSet* ds = nullptr;
    const GridColumn* gridColumn = nullptr;
    db::Field* f = cellField(column, &ds, &gridColumn);
    if (!f)
        return {};
    const GridColumn& c = *gridColumn;
    if (!c.pickList().isEmpty() || f->isLookup())
        return cellText(row, column);
    const QVariant v = ds->rowValue(row, *f);
    if (v.isNull())
        return {};
    if (db::convert::isTemporalType(f->dataType())) {
        const QDateTime dt = db::convert::toDateTime(v);
        if (f->dataType() == db::FieldType::Time)
            return dt.time().toString(QStringLiteral("HH:mm:ss"));
        const QString fmt = !c.displayFormat().isEmpty() ? qtDateFormat(c.displayFormat())
                                                         : QStringLiteral("dd.MM.yyyy");
        QString text = dt.toString(fmt);
        if (f->dataType() == db::FieldType::DateTime && dt.time() != QTime(0, 0) && c.displayFormat().isEmpty())
            text += dt.time().toString(QStringLiteral(" HH:mm:ss"));
        return text;
    }
    return db::convert::toText(v);
}

bool TQXDBGridEh::canEditCell(int row, int column) const
{
    if (!(options_ & dgEditing) || !isEnabled() || column < 0 || column >= columnCount())
        return false;
    const GridColumn& c = *columns_[size_t(column)];
    db::DataSet* ds = dataSet();
    if (c.readOnly() || !ds || !ds->active() || !ds->canModify() || row < 0 || row >= ds->recordCount())
        return false;
    db::Field* f = c.field();
    if (!f || f->readOnly() || f->isCalculated())
        return false;
    if (f->isLookup()) {
        db::Field* key = ds->findField(f->keyFields());
        if (!key || key->readOnly() || !f->lookupDataSet())
            return false;
    }
    if (ds->state() == db::DataSetState::Insert && row == ds->currentRow())
        return bool(allowed_ & (GridOperation::Insert | GridOperation::Append));
    return bool(allowed_ & GridOperation::Update);
}

QVariant TQXDBGridEh::drawingValue(const QString& fieldName) const
{
    db::DataSet* ds = dataSet();
    db::Field* f = ds ? ds->findField(fieldName) : nullptr;
    if (!f || !ds->active())
        return {};
    return ds->rowValue(drawingRow_ >= 0 ? drawingRow_ : ds->currentRow(), *f);
}

QString TQXDBGridEh::drawingText(const QString& fieldName) const
{
    db::DataSet* ds = dataSet();
    db::Field* f = ds ? ds->findField(fieldName) : nullptr;
    if (!f || !ds->active())
        return {};
    return ds->rowText(drawingRow_ >= 0 ? drawingRow_ : ds->currentRow(), *f);
}

// ---- painting --------------------------------------------------------------------------------

void TQXDBGridEh::defaultDrawColumnCell(const QRect& rect, int dataCol, GridColumn& column, GridDrawState)
{
    if (!canvas_.isActive())
        return;
    canvas_.textRect(rect, drawingRow_ >= 0 ? cellText(drawingRow_, dataCol) : QString(), column.alignment());
}

void TQXDBGridEh::paintCell(QPainter* painter, const QRect& rect, int row, int column)
{
    if (column < 0 || column >= columnCount() || suspended_)
        return;
    GridColumn& c = *columns_[size_t(column)];
    const QModelIndex cur = currentIndex();
    const bool focusWithin = hasFocus() || (editorMode() && cellEditor()->hasFocus());
    const bool currentRow = cur.isValid() && cur.row() == row;
    const bool currentCell = currentRow && (cur.column() == column || (options_ & dgRowSelect));

    GridDrawState state;
    state.focused = currentCell && focusWithin;
    state.selected = selection_.isRowSelected(row)
        || (currentCell && (focusWithin || (options_ & dgAlwaysShowSelection)));

    QColor background = c.color();
    if ((!c.hasOwnColor() || c.color() == color_) && evenRowColor_.isValid() && oddRowColor_.isValid())
        background = row % 2 == 0 ? evenRowColor_ : oddRowColor_;
    GridFont font = c.font();
    if ((options_ & dgRowHighlight) && currentRow && !state.selected)
        background = blend(background, highlight_, 0.18);
    if (state.selected) {
        background = highlight_;
        font.color = highlightText_;
    }
    if (onGetCellParams)
        guardedPaint([&] { onGetCellParams(*this, c, font, background, state); });

    canvas_.painter_ = painter;
    canvas_.clip_ = rect;
    canvas_.brush = background;
    canvas_.font = font;
    drawingRow_ = row;
    painter->save();
    painter->setClipRect(rect);
    if (defaultDrawing_)
        guardedPaint([&] { defaultDrawColumnCell(rect, column, c, state); });
    else
        canvas_.fillRect(rect);
    if (onDrawColumnCell)
        guardedPaint([&] { onDrawColumnCell(*this, rect, column, c, state); });
    painter->restore();
    drawingRow_ = -1;
    canvas_.painter_ = nullptr;
    canvas_.clip_ = QRect();

    if (state.focused && !editorMode()) {
        painter->save();
        QPen pen(highlightText_ == Qt::white && state.selected ? QColor(Qt::white) : QColor(Qt::black));
        pen.setStyle(Qt::DotLine);
        painter->setPen(pen);
        painter->drawRect(rect.adjusted(1, 1, -2, -2));
        painter->restore();
    }
    const QColor line = QColor(160, 160, 160);
    painter->save();
    painter->setPen(line);
    if (options_ & dgColLines)
        painter->drawLine(rect.topRight(), rect.bottomRight());
    if (options_ & dgRowLines)
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->restore();

    // The current cell shows its edit buttons (drop-down, ellipsis, picture) at its right edge.
    if (currentCell && cur.column() == column && !(editorMode() && editor_ && editorCol_ == column)) {
        const int n = int(c.editButtons().size());
        const bool implicitList = !c.hasVisibleEditButton() && c.hasDropDownList() && canEditCell(row, column);
        for (int b = 0; b < (implicitList ? 1 : n); ++b) {
            if (!implicitList && !c.editButtons()[b].visible)
                continue;
            const QRect br = editButtonRect(column, b).translated(rect.topLeft() - visualRect(cur).topLeft());
            if (!br.isValid())
                continue;
            const EditButtonStyle kind = implicitList ? EditButtonStyle::DropDown : c.editButtons()[b].style;
            QStyleOptionButton opt;
            opt.initFrom(this);
            opt.rect = br;
            opt.state = QStyle::State_Enabled | QStyle::State_Raised;
            painter->fillRect(br, palette().button());
            style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &opt, painter, this);
            QStyleOption arrow;
            arrow.initFrom(this);
            arrow.rect = br.adjusted(4, 5, -4, -5);
            switch (kind) {
            case EditButtonStyle::DropDown:
                style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, painter, this);
                break;
            case EditButtonStyle::UpDown: {
                QStyleOption half = arrow;
                half.rect = QRect(br.left() + 3, br.top() + 2, br.width() - 6, br.height() / 2 - 3);
                style()->drawPrimitive(QStyle::PE_IndicatorArrowUp, &half, painter, this);
                half.rect.moveTop(br.top() + br.height() / 2 + 1);
                style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &half, painter, this);
                break;
            }
            case EditButtonStyle::Ellipsis:
                painter->setPen(Qt::black);
                painter->drawText(br, Qt::AlignCenter, QStringLiteral("..."));
                break;
            case EditButtonStyle::Glyph:
                if (!c.editButtons()[b].glyph.isNull())
                    c.editButtons()[b].glyph.paint(painter, br.adjusted(2, 2, -2, -2));
                break;
            }
        }
    }
}

QRect TQXDBGridEh::editButtonRect(int column, int button) const
{
    const QModelIndex cur = currentIndex();
    if (!cur.isValid() || cur.column() != column || column < 0 || column >= columnCount())
        return {};
    const GridColumn& c = *columns_[size_t(column)];
    const QRect cell = visualRect(cur);
    // Visible buttons sit side by side from the right edge, in list order.
    QList<int> shown;
    for (int b = 0; b < c.editButtons().size(); ++b)
        if (c.editButtons()[b].visible)
            shown.append(b);
    if (shown.isEmpty() && c.hasDropDownList() && button == 0)
        shown.append(0);
    const int pos = int(shown.indexOf(button));
    if (pos < 0)
        return {};
    const int right = cell.right() - (shown.size() - 1 - pos) * kButtonWidth;
    return QRect(right - kButtonWidth + 1, cell.top() + 1, kButtonWidth - 1, cell.height() - 2);
}

int TQXDBGridEh::editButtonAt(const QPoint& pos) const
{
    const QModelIndex cur = currentIndex();
    if (!cur.isValid())
        return -1;
    const GridColumn& c = *columns_[size_t(cur.column())];
    const int n = std::max(int(c.editButtons().size()), 1);
    for (int b = 0; b < n; ++b)
        if (editButtonRect(cur.column(), b).contains(pos)) {
            if (c.editButtons().isEmpty() && !canEditCell(cur.row(), cur.column()))
                return -1;
            return b;
        }
    return -1;
}

} // namespace qel::ui
