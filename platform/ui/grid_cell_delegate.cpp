#include "platform/ui/grid_cell_delegate.h"

#include "platform/db/value_convert.h"
#include "platform/ui/error_report.h"
#include "platform/ui/grid_model.h"
#include "platform/ui/qx_db_grid_eh.h"

#include "platform/os/errors.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

namespace qel::ui {

namespace {

const char* const kModified = "qelModified";
const char* const kDone = "qelDone";
const char* const kKind = "qelKind";

enum EditorKind { TextEditor = 0, PickEditor = 1, LookupEditor = 2 };

QColor blend(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(float(a.redF() * (1 - t) + b.redF() * t), float(a.greenF() * (1 - t) + b.greenF() * t),
                            float(a.blueF() * (1 - t) + b.blueF() * t));
}

} // namespace

GridCellDelegate::GridCellDelegate(TQXDBGridEh& grid, GridModel& model)
    : QStyledItemDelegate(&grid), grid_(grid), model_(model)
{
}

// ---- painting --------------------------------------------------------------------------------

void GridCellDelegate::guardedPaint(const std::function<void()>& action) const
{
    try {
        action();
    } catch (const SilentAbort&) {
    } catch (const std::exception& e) {
        if (!reportingPaintError_) {
            reportingPaintError_ = true;
            reportError(e);
            reportingPaintError_ = false;
        }
    }
}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int row = index.row(), column = index.column();
    if (column < 0 || column >= grid_.columnCount() || grid_.displaySuspended())
        return;
    const QRect& rect = option.rect;
    GridColumn& c = grid_.column(column);
    const GridOptions options = grid_.options();
    const QModelIndex cur = grid_.currentIndex();
    QWidget* editor = grid_.cellEditor();
    const bool focusWithin = grid_.hasFocus() || (editor && editor->hasFocus());
    const bool currentRow = cur.isValid() && cur.row() == row;
    const bool currentCell = currentRow && (cur.column() == column || (options & dgRowSelect));

    GridDrawState state;
    state.focused = currentCell && focusWithin;
    state.selected = grid_.selectedRows().isRowSelected(row)
        || (currentCell && (focusWithin || (options & dgAlwaysShowSelection)));

    QColor background = c.color();
    const QColor even = grid_.evenRowColor(), odd = grid_.oddRowColor();
    if ((!c.hasOwnColor() || c.color() == grid_.color()) && even.isValid() && odd.isValid())
        background = row % 2 == 0 ? even : odd;
    GridFont font = c.font();
    if ((options & dgRowHighlight) && currentRow && !state.selected)
        background = blend(background, grid_.highlightColor(), 0.18);
    if (state.selected) {
        background = grid_.highlightColor();
        font.color = grid_.highlightTextColor();
    }
    if (grid_.onGetCellParams)
        guardedPaint([&] { grid_.onGetCellParams(grid_, c, font, background, state); });

    GridCanvas& canvas = grid_.canvas();
    canvas.begin(painter, rect, row);
    canvas.brush = background;
    canvas.font = font;
    painter->save();
    painter->setClipRect(rect);
    if (grid_.defaultDrawing())
        guardedPaint([&] { grid_.defaultDrawColumnCell(rect, column, c, state); });
    else
        canvas.fillRect(rect);
    if (grid_.onDrawColumnCell)
        guardedPaint([&] { grid_.onDrawColumnCell(grid_, rect, column, c, state); });
    painter->restore();
    canvas.end();

    if (state.focused && !editor) {
        painter->save();
        QPen pen(grid_.highlightTextColor() == Qt::white && state.selected ? QColor(Qt::white) : QColor(Qt::black));
        pen.setStyle(Qt::DotLine);
        painter->setPen(pen);
        painter->drawRect(rect.adjusted(1, 1, -2, -2));
        painter->restore();
    }
    painter->save();
    painter->setPen(QColor(160, 160, 160));
    if (options & dgColLines)
        painter->drawLine(rect.topRight(), rect.bottomRight());
    if (options & dgRowLines)
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->restore();

    // The current cell shows its edit buttons (drop-down, ellipsis, picture) at its right
    // edge, unless its editor is open.
    if (currentCell && cur.column() == column && !(editor && grid_.indexWidget(cur) == editor))
        paintEditButtons(painter, rect, index);
}

void GridCellDelegate::paintEditButtons(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    const int column = index.column();
    const GridColumn& c = grid_.column(column);
    const QModelIndex cur = grid_.currentIndex();
    const int n = int(c.editButtons().size());
    const bool implicitList = !c.hasVisibleEditButton() && c.hasDropDownList() && model_.canEditCell(index.row(), column);
    for (int b = 0; b < (implicitList ? 1 : n); ++b) {
        if (!implicitList && !c.editButtons()[b].visible)
            continue;
        const QRect br = grid_.editButtonRect(column, b).translated(rect.topLeft() - grid_.visualRect(cur).topLeft());
        if (!br.isValid())
            continue;
        const EditButtonStyle kind = implicitList ? EditButtonStyle::DropDown : c.editButtons()[b].style;
        QStyle* style = grid_.style();
        QStyleOptionButton opt;
        opt.initFrom(&grid_);
        opt.rect = br;
        opt.state = QStyle::State_Enabled | QStyle::State_Raised;
        painter->fillRect(br, grid_.palette().button());
        style->drawPrimitive(QStyle::PE_PanelButtonBevel, &opt, painter, &grid_);
        QStyleOption arrow;
        arrow.initFrom(&grid_);
        arrow.rect = br.adjusted(4, 5, -4, -5);
        switch (kind) {
        case EditButtonStyle::DropDown:
            style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, painter, &grid_);
            break;
        case EditButtonStyle::UpDown: {
            QStyleOption half = arrow;
            half.rect = QRect(br.left() + 3, br.top() + 2, br.width() - 6, br.height() / 2 - 3);
            style->drawPrimitive(QStyle::PE_IndicatorArrowUp, &half, painter, &grid_);
            half.rect.moveTop(br.top() + br.height() / 2 + 1);
            style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &half, painter, &grid_);
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

// ---- editors ---------------------------------------------------------------------------------

void GridCellDelegate::editorChanged(QWidget* editor, bool commitAtOnce) const
{
    editor->setProperty(kModified, true);
    const bool editing = model_.ensureEditing();
    if (editing && !commitAtOnce)
        return;
    // Closing from inside the editor's own signal is left to the event loop.
    QTimer::singleShot(0, &grid_, [grid = &grid_, w = QPointer<QWidget>(editor), editing] {
        if (w && w == grid->cellEditor())
            grid->hideEditor(editing);
    });
}

QWidget* GridCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    GridColumn& c = grid_.column(index.column());
    db::Field* f = c.field();
    QWidget* editor = nullptr;
    if (!c.pickList().isEmpty() || (f && f->isLookup())) {
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        if (!c.pickList().isEmpty()) {
            combo->setProperty(kKind, PickEditor);
            combo->addItems(c.pickList());
        } else {
            combo->setProperty(kKind, LookupEditor);
            // The list of the lookup dataset in its current order and filter; the key rides along.
            db::DataSet* src = f->lookupDataSet();
            db::Field* keyField = src ? src->findField(f->lookupKeyFields()) : nullptr;
            db::Field* resultField = src ? src->findField(f->lookupResultField()) : nullptr;
            if (src && src->active() && keyField && resultField)
                for (int r = 0, n = src->recordCount(); r < n; ++r)
                    combo->addItem(src->rowText(r, *resultField), src->rowValue(r, *keyField));
        }
        if (c.dropDownWidth() > 0)
            combo->view()->setMinimumWidth(c.dropDownWidth());
        // A pick from a list is written at once.
        connect(combo, &QComboBox::activated, this, [this, combo](int) { editorChanged(combo, true); });
        editor = combo;
    } else {
        auto* line = new QLineEdit(parent);
        line->setProperty(kKind, TextEditor);
        line->setFrame(false);
        const QString mask = !c.editMask().isEmpty() ? c.editMask() : (f ? f->editMask() : QString());
        if (!mask.isEmpty())
            line->setInputMask(mask);
        if (f && db::convert::isTextType(f->dataType()) && f->size() > 0)
            line->setMaxLength(f->size());
        line->setAlignment(c.alignment() | Qt::AlignVCenter);
        connect(line, &QLineEdit::textEdited, this, [this, line] { editorChanged(line, false); });
        editor = line;
    }
    editor->setFont(c.font().font);
    QPalette pal = editor->palette();
    pal.setColor(QPalette::Text, c.font().color);
    editor->setPalette(pal);
    editor->setProperty(kModified, false);
    return editor;
}

void GridCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QString text = model_.cellEditText(index.row(), index.column());
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setText(text);
        line->selectAll();
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        int i = -1;
        if (combo->property(kKind).toInt() == LookupEditor) {
            db::DataSet* ds = grid_.dataSet();
            db::Field* f = grid_.column(index.column()).field();
            db::Field* key = ds && f ? ds->findField(f->keyFields()) : nullptr;
            const QVariant keyValue = key ? ds->rowValue(index.row(), *key) : QVariant();
            for (int k = 0; k < combo->count() && i < 0; ++k)
                if (!keyValue.isNull() && db::convert::sameValue(combo->itemData(k), keyValue))
                    i = k;
        } else {
            i = combo->findText(text);
        }
        combo->setCurrentIndex(i);
    }
}

void GridCellDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const
{
    // Once per editor, and only after the user changed something.
    if (editor->property(kDone).toBool() || !editor->property(kModified).toBool())
        return;
    editor->setProperty(kDone, true);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        QString text = line->text();
        // A mask left blank is an empty text, not its separators.
        if (!line->inputMask().isEmpty()) {
            bool blank = true;
            for (QChar ch : text)
                blank = blank && !ch.isLetterOrNumber();
            if (blank)
                text.clear();
        }
        model_.setData(index, text, Qt::EditRole);
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        const int i = combo->currentIndex();
        if (i < 0)
            return;
        const GridColumn& c = grid_.column(index.column());
        if (combo->property(kKind).toInt() == LookupEditor)
            model_.setData(index, combo->itemData(i), GridModel::KeyRole);
        else if (!c.keyList().isEmpty() && i < c.keyList().size())
            model_.setData(index, c.keyList().at(i), GridModel::KeyRole);
        else
            model_.setData(index, combo->currentText(), Qt::EditRole);
    }
}

void GridCellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex&) const
{
    editor->setGeometry(option.rect.adjusted(0, 0, -1, -1));
}

} // namespace qel::ui
