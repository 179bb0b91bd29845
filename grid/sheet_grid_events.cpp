#include "grid/sheet_grid_events.h"

#include "grid/delete_confirmation.h"
#include "platform/ui/colors_fonts.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "platform/ui/window_placement.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <algorithm>

namespace qel::grid {

void configureSheetGridEvents(TQXDBGridEvents& events, ui::TQXDBGridEh& sheetGrid, const QString& uniqueFieldName,
                              TQXDBEOnConfirmDelete confirmDelete, ui::DrawColumnCellHandler drawColumnCell)
{
    using namespace ui;
    events.setDBGridEh(&sheetGrid);
    events.setUniqueField(uniqueFieldName);
    events.setEditActions(GridEditActions(geaCopyEh) | geaDeleteEh);
    events.OnQXDBEOnConfirmDelete = std::move(confirmDelete);
    events.OnKeyDown = [](TQXDBGridEh&, int&, Qt::KeyboardModifiers) {};
    events.OnDrawColumnCell = std::move(drawColumnCell);

    TQXDBAttributes& a = events.QXDBAttributes();
    a.SelAttr.setColor(QColor(179, 179, 215));
    a.SelAttr.setFont(pixelFont(13), colors::black());
    a.AfterPasteAttr.setColor(colors::infoBackground());
    a.AfterPasteAttr.setFont(pixelFont(11), colors::windowText());
    a.DuplicateAttr.setColor(colors::window());
    a.DuplicateAttr.setFont(pixelFont(11), colors::windowText());
    a.ErrorAttr.setColor(colors::red());
    a.ErrorAttr.setFont(pixelFont(11), colors::windowText());
    a.FocusedAttr.setColor(colors::activeCaption());
    a.FocusedAttr.setFont(pixelFont(13), colors::white());
    a.FixedAttr.setSelColor(colors::moneyGreen());
    a.FixedAttr.setSelFont(pixelFont(11, true), colors::windowText());
    a.FixedAttr.setList({});
}

std::unique_ptr<TForm1> buildDeleteConfirmation(ui::TQXDBGridEh& sheetGrid)
{
    db::DataSet* ds = sheetGrid.dataSet();
    if (!ds || !ds->active())
        return nullptr;
    QList<db::Bookmark> rows;
    for (const db::Bookmark& bm : sheetGrid.selectedRows().bookmarks())
        if (ds->rowOf(bm) >= 0)
            rows << bm;
    if (rows.isEmpty())
        return nullptr;

    auto form = std::make_unique<TForm1>();
    QTableWidget* list = form->StringGrid;
    const int columns = sheetGrid.columnCount();
    list->setColumnCount(columns);
    for (int i = 0; i < columns; ++i) {
        const ui::GridColumn& c = sheetGrid.column(i);
        // A hidden column stays in its place, empty and without title, at the default width.
        list->setHorizontalHeaderItem(i, new QTableWidgetItem(c.visible() ? c.title() : QString()));
        if (c.visible())
            list->setColumnWidth(i, sheetGrid.shownWidth(i) > 0 ? sheetGrid.shownWidth(i) : c.width());
    }
    list->setRowCount(int(rows.size()));
    list->setVerticalHeaderLabels(QStringList(rows.size(), QString()));
    for (int r = 0; r < rows.size(); ++r) {
        ds->gotoBookmark(rows[r]);
        for (int i = 0; i < columns; ++i) {
            const ui::GridColumn& c = sheetGrid.column(i);
            if (!c.visible())
                continue;
            db::Field* f = c.field();
            list->setItem(r, i, new QTableWidgetItem(f ? f->displayText() : QString()));
        }
    }
    form->Count_Lbl->setText(QStringLiteral("Количество удаляемых записей:[") + QString::number(rows.size())
                             + QStringLiteral("]."));
    form->Qst_Lbl->setText(QStringLiteral("Вы действительно хотите ") + QStringLiteral("удалить")
                           + QStringLiteral(" эти записи?"));

    // 5 pixels wider than the main window; as high as the rows need, within limits.
    const int width = std::max(sheetGrid.window()->width() + 5, TForm1::kMinWidth);
    const int height = std::clamp(150 + int(rows.size()) * TForm1::kRowHeight, TForm1::kMinHeight, 560);
    form->resize(width, height);
    ui::centerOnScreen(*form);
    return form;
}

bool confirmRowsDeletion(ui::TQXDBGridEh& sheetGrid, bool& canDelete)
{
    std::unique_ptr<TForm1> form = buildDeleteConfirmation(sheetGrid);
    if (!form)
        return false;
    canDelete = form->exec() == QDialog::Accepted;
    return true;
}

} // namespace qel::grid
