// A sheet grid served by the grid events component as the grade sheet sets it up, with
// three rows selected and painted by it, and the delete confirmation window listing them.
#include "app/screenshots/shot_helpers.h"
#include "app/screenshots/shots.h"

#include "grid/delete_confirmation.h"
#include "grid/sheet_grid_events.h"
#include "platform/db/connection.h"
#include "platform/db/data_source.h"
#include "platform/db/query.h"
#include "platform/ui/colors_fonts.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <QApplication>
#include <QVBoxLayout>

namespace {

using namespace qel;
using namespace qel::ui;

const qel::shots::Shot deleteConfirmationShot("delete_confirmation", [](qel::shots::ShotContext& ctx) {
    db::Connection connection(QStringLiteral("ADO_CDE"));
    connection.setConnectionString(qel::shots::demoDatabase(ctx.dataDir, QStringLiteral("shots")));

    const QString where = qel::shots::firstSheetCondition(connection);
    db::Query sheet(&connection, QStringLiteral("ADO_SP_Sort"));
    sheet.setSql(qel::shots::sheetRowsSql(where));
    sheet.open();
    db::DataSource source(QStringLiteral("DS_SP_Sort"));
    source.setDataSet(&sheet);

    QWidget window;
    window.setWindowTitle(QStringLiteral("QEL 13 Учет успеваемости"));
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* grid = new TQXDBGridEh(&window);
    layout->addWidget(grid);
    grid->setOptions(dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs
                     | dgAlwaysShowSelection | dgConfirmDelete | dgMultiSelect);
    grid->setTitleFont(pixelFont(11, true), colors::grey());
    grid->setDataFont(pixelFont(13));
    grid->setTitleHeight(32);
    grid->setColor(colors::silver());
    auto& no = grid->addColumn(QStringLiteral("id_mark_mag"), QStringLiteral("П/П"));
    no.setWidth(40);
    no.setColor(colors::white());
    grid->addColumn(QStringLiteral("student"), QStringLiteral("Студент")).setWidth(210);
    grid->addColumn(QStringLiteral("idid"), QStringLiteral("Шифр студента")).setWidth(86);
    for (const char* field : {"m1", "m2", "m3", "dop"}) {
        auto& c = grid->addColumn(QString::fromLatin1(field));
        c.setWidth(48);
        c.setColor(colors::window());
    }
    auto& handedIn = grid->addColumn(QStringLiteral("p36"), QStringLiteral("Дата сдачи"));
    handedIn.setDisplayFormat(QStringLiteral("dd.mm.yyyy"));
    handedIn.setColor(colors::window());
    grid->addColumn(QStringLiteral("Ball_name"), QStringLiteral("Оценка")).setColor(colors::window());
    auto& admission = grid->addColumn(QStringLiteral("primech"), QStringLiteral("Допуск по оплате"));
    admission.setAlignment(Qt::AlignCenter);
    admission.setVisible(false);   // shown as an empty column in the confirmation
    grid->setDataSource(&source);
    grid->setAutoFitColWidths(true);

    grid::TQXDBGridEvents events;
    grid::configureSheetGridEvents(events, *grid, QStringLiteral("id_mark_mag"), nullptr, nullptr);

    window.resize(860, 420);
    window.show();
    QApplication::processEvents();
    for (int row : {1, 3, 4})
        grid->rowClicked(row, Qt::ControlModifier);
    grid->setFocus();
    QApplication::processEvents();
    ctx.save(&window, QStringLiteral("sheet_grid_selected_rows"));

    std::unique_ptr<grid::TForm1> form = grid::buildDeleteConfirmation(*grid);
    if (!form)
        throw Error(QStringLiteral("no rows selected for the confirmation"));
    form->show();
    QApplication::processEvents();
    ctx.save(form.get(), QStringLiteral("delete_confirmation"));
});

} // namespace
