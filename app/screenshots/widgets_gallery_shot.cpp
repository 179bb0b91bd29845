// The data-aware widgets on one page, on the embedded demo database: the grid with
// two-level titles, footer sums, a selected block of rows and coloured cells, and the
// other controls the windows are built from.
#include "app/screenshots/shot_helpers.h"
#include "app/screenshots/shots.h"

#include "platform/db/connection.h"
#include "platform/db/data_source.h"
#include "platform/db/query.h"
#include "platform/ui/check_list_box.h"
#include "platform/ui/color_progress_bar.h"
#include "platform/ui/colors_fonts.h"
#include "platform/ui/date_picker.h"
#include "platform/ui/db_image.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/db_lookup_list_box.h"
#include "platform/ui/db_navigator.h"
#include "platform/ui/drop_down_list.h"
#include "platform/ui/group_box.h"
#include "platform/ui/label.h"
#include "platform/ui/numeric_edit.h"
#include "platform/ui/panel.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "platform/ui/status_bar.h"
#include "platform/ui/up_down_edit.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>

namespace {

using namespace qel;
using namespace qel::ui;

Label* boldNavy(const QString& text, QWidget* parent)
{
    return new Label(text, pixelFont(11, true), colors::navy(), parent);
}

const qel::shots::Shot widgetsGalleryShot("widgets_gallery", [](qel::shots::ShotContext& ctx) {
    db::Connection connection(QStringLiteral("ADO_CDE"));
    connection.setConnectionString(qel::shots::demoDatabase(ctx.dataDir, QStringLiteral("gallery")));

    const QString where = qel::shots::firstSheetCondition(connection);
    // Two rows the sheet colours: an unpaid admission and a student reset to "н/п".
    {
        db::Query mark(&connection, QStringLiteral("ADOQ_Exec"));
        mark.setSql(QStringLiteral("UPDATE mark_mag SET primech = 'н/д' WHERE id_mark_mag = (SELECT MAX(m.id_mark_mag) "
                                   "FROM mark_mag m WHERE ")
                    + where + QStringLiteral(")"));
        mark.execSql();
        mark.setSql(QStringLiteral("UPDATE mark_mag SET id_estimation = 25, m1 = 0, m2 = 0, m3 = 0, dop = 0 "
                                   "WHERE id_mark_mag = (SELECT MIN(m.id_mark_mag) + 4 FROM mark_mag m WHERE ")
                    + where + QStringLiteral(")"));
        mark.execSql();
    }
    db::Query sheet(&connection, QStringLiteral("ADO_SP_Sort"));
    sheet.setSql(qel::shots::sheetRowsSql(where));
    sheet.open();
    db::DataSource sheetSource(QStringLiteral("DS_SP_Sort"));
    sheetSource.setDataSet(&sheet);

    db::Query groups(&connection, QStringLiteral("ADOQ_group"));
    groups.setSql(QStringLiteral("SELECT id_group, p20 FROM [group] ORDER BY p20"));
    groups.open();
    db::DataSource groupSource(QStringLiteral("DS_group"));
    groupSource.setDataSet(&groups);
    db::Query exams(&connection, QStringLiteral("ADOQ_Vremennyi"));
    exams.setSql(QStringLiteral("SELECT id_examination, p30 FROM examination ORDER BY id_examination"));
    exams.open();
    db::DataSource examSource(QStringLiteral("DataSource2"));
    examSource.setDataSet(&exams);
    db::Query photo(&connection, QStringLiteral("ADOQ_foto"));
    photo.setSql(QStringLiteral("SELECT TOP 1 photo, id_student FROM dbo.StudentPhoto ORDER BY id_student"));
    photo.open();
    db::DataSource photoSource(QStringLiteral("DS_foto"));
    photoSource.setDataSet(&photo);

    QWidget page;
    setBackgroundColor(&page, colors::silver());
    auto* layout = new QVBoxLayout(&page);
    layout->setContentsMargins(6, 6, 6, 0);
    layout->setSpacing(5);

    auto* warning = new Panel(QStringLiteral("Внимание! По данной ведомости у Вас нет доступа на изменения!!!"), &page);
    warning->setCaptionFont(pixelFont(13, true, true), colors::red());
    warning->setFixedHeight(24);
    layout->addWidget(warning);
    auto* info = new Panel(QStringLiteral(" [Прикладная математика] [2025/2026]"), &page);
    info->setCaptionFont(pixelFont(12, true));
    info->setFixedHeight(22);
    layout->addWidget(info);

    // Selection controls.
    auto* selection = new QGridLayout;
    selection->setHorizontalSpacing(8);
    auto* group = new DBLookupComboBox(&page);
    group->setListSource(&groupSource);
    group->setKeyField(QStringLiteral("id_group"));
    group->setListField(QStringLiteral("p20"));
    group->setKeyValue(groups.fieldByName(QStringLiteral("id_group")).value());
    group->setMinimumWidth(160);
    auto* forms = new DBLookupListBox(&page);
    forms->setListSource(&examSource);
    forms->setKeyField(QStringLiteral("id_examination"));
    forms->setListField(QStringLiteral("p30"));
    forms->setKeyValue(2);
    forms->setFixedHeight(62);
    auto* filter = new DropDownList(&page);
    filter->setItems({QStringLiteral("Показать тех кто изучает данную дисциплину"), QStringLiteral("Показать задолжности"),
                      QStringLiteral("Показать всех")});
    filter->setItemIndex(2);
    auto* date = new DatePicker(&page);
    date->setValue(QDateTime(QDate(2026, 1, 20), QTime(10, 0)));
    selection->addWidget(boldNavy(QStringLiteral("Группа:"), &page), 0, 0);
    selection->addWidget(group, 0, 1);
    selection->addWidget(boldNavy(QStringLiteral("Форма контроля:"), &page), 0, 2, Qt::AlignTop);
    selection->addWidget(forms, 0, 3, 2, 1);
    selection->addWidget(boldNavy(QStringLiteral("Фильтр:"), &page), 0, 4);
    selection->addWidget(filter, 0, 5);
    selection->addWidget(boldNavy(QStringLiteral("Дата сдачи для всех:"), &page), 1, 4);
    selection->addWidget(date, 1, 5, Qt::AlignLeft);
    selection->setColumnStretch(5, 1);
    layout->addLayout(selection);

    // The grid as the sheet window sets it up.
    auto* grid = new TQXDBGridEh(&page);
    grid->setTitleFont(pixelFont(11, true), colors::grey());
    grid->setDataFont(pixelFont(13));
    grid->setTitleHeight(32);
    grid->setColor(colors::silver());
    grid->setRowColors(colors::silver(), colors::silver());
    grid->setFooterRowCount(1);
    grid->setFooterFont(pixelFont(11, true));
    grid->setFooterColor(colors::buttonFace());
    grid->setOptions(grid->options() | dgMultiSelect | dgRowHighlight | dgAlwaysShowSelection | dgFindDialog);
    auto& no = grid->addColumn(QStringLiteral("id_mark_mag"), QStringLiteral("П/П"));
    no.setWidth(40);
    no.setColor(colors::white());
    auto& student = grid->addColumn(QStringLiteral("student"), QStringLiteral("Студент"));
    student.setWidth(210);
    student.setFooterText(QStringLiteral("Сумма баллов"));
    grid->addColumn(QStringLiteral("idid"), QStringLiteral("Шифр студента")).setWidth(86);
    for (const auto& [field, caption] : {std::pair{QStringLiteral("m1"), QStringLiteral("Модули|1")},
                                         std::pair{QStringLiteral("m2"), QStringLiteral("Модули|2")},
                                         std::pair{QStringLiteral("m3"), QStringLiteral("Модули|3")},
                                         std::pair{QStringLiteral("dop"), QStringLiteral("Доп.")}}) {
        auto& c = grid->addColumn(field, caption);
        c.setWidth(48);
        c.setColor(colors::window());
        c.setFooterValueType(FooterValueType::Sum);
    }
    auto& handedIn = grid->addColumn(QStringLiteral("p36"), QStringLiteral("Дата сдачи"));
    handedIn.setWidth(80);
    handedIn.setDisplayFormat(QStringLiteral("dd.mm.yyyy"));
    handedIn.setColor(colors::window());
    auto& grade = grid->addColumn(QStringLiteral("Ball_name"), QStringLiteral("Оценка"));
    grade.setWidth(70);
    grade.setColor(colors::window());
    grade.setReadOnly(true);
    QMenu gradeMenu;
    gradeMenu.addAction(QStringLiteral("н/п"));
    grade.addEditButton(EditButtonStyle::DropDown, &gradeMenu);
    auto& admission = grid->addColumn(QStringLiteral("primech"), QStringLiteral("Допуск по|оплате"));
    admission.setWidth(64);
    admission.setAlignment(Qt::AlignCenter);
    admission.setFont(pixelFont(13, true));
    admission.setPickList({QStringLiteral("д"), QStringLiteral("н/д")});
    admission.setKeyList({QStringLiteral("д"), QStringLiteral("н/д")});
    grid->onDrawColumnCell = [](TQXDBGridEh& g, const QRect& rect, int dataCol, GridColumn& column,
                                GridDrawState state) {
        const QString admitted = g.drawingText(QStringLiteral("primech"));
        if (column.fieldName() == QLatin1String("primech") && !admitted.isEmpty() && admitted != QStringLiteral("д"))
            g.canvas().brush = QColor(255, 221, 221);
        else if (g.drawingText(QStringLiteral("Ball_name")).trimmed() == QStringLiteral("н/п") && !state.selectedOnly())
            g.canvas().brush = QColor(206, 239, 255);
        else
            return;
        g.defaultDrawColumnCell(rect, dataCol, column, state);
    };
    grid->setDataSource(&sheetSource);
    grid->setAutoFitColWidths(true);
    grid->setMinimumHeight(300);
    layout->addWidget(grid, 1);

    // The record book's legend, picture and navigators; the dialogs' boxes.
    auto* lower = new QHBoxLayout;
    lower->setSpacing(8);
    auto* legend = new GroupBox(QStringLiteral("Обозначения"), &page);
    legend->setCaptionFont(pixelFont(11, true), colors::navy());
    auto* legendRows = new QGridLayout(legend);
    legendRows->setVerticalSpacing(3);
    const std::pair<QColor, QString> classes[] = {
        {QColor(211, 241, 201), QStringLiteral("- По учебному плану")},
        {colors::window(), QStringLiteral("- Не по учебному плану")},
        {QColor(255, 128, 255), QStringLiteral("- Запись необходимо уточнить")},
        {colors::black(), QStringLiteral("- Дополнительный предмет")},
    };
    int row = 0;
    for (const auto& [colour, caption] : classes) {
        auto* swatch = new Panel(legend);
        swatch->setColor(colour);
        swatch->setBevel(Panel::Bevel::Lowered);
        swatch->setFixedSize(26, 14);
        legendRows->addWidget(swatch, row, 0);
        legendRows->addWidget(new Label(caption, pixelFont(11), colors::black(), legend), row, 1);
        ++row;
    }
    lower->addWidget(legend);

    auto* picture = new DBImage(&page);
    picture->setDataSource(&photoSource);
    picture->setDataField(QStringLiteral("photo"));
    picture->setFixedSize(90, 110);
    lower->addWidget(picture);

    auto* students = new CheckListBox(&page);
    for (int i = 0; i < sheet.recordCount() && i < 6; ++i)
        students->addItem(sheet.rowText(i, sheet.fieldByName(QStringLiteral("student"))), i % 3 == 1);
    students->setFixedSize(210, 110);
    lower->addWidget(students);

    auto* editors = new QGridLayout;
    editors->setVerticalSpacing(4);
    auto* navigator = new DBNavigator(&page);
    navigator->setVisibleButtons({NavigateButton::Post, NavigateButton::Cancel, NavigateButton::Refresh});
    navigator->setHint(NavigateButton::Post, QStringLiteral("Сохранить"));
    navigator->setHint(NavigateButton::Cancel, QStringLiteral("Отмена"));
    navigator->setHint(NavigateButton::Refresh, QStringLiteral("Обновить"));
    navigator->setDataSource(&sheetSource);
    navigator->setFixedSize(90, 25);
    auto* points = new NumericEdit(&page);
    points->setMaximum(100);
    points->setText(QStringLiteral("-12345"));
    points->setFixedWidth(90);
    auto* credits = new UpDownEdit(&page);
    credits->setRange(0, 10);
    credits->setPosition(4);
    credits->setFixedWidth(90);
    auto* progress = new ColorProgressBar(&page);
    progress->setRange(0, 14);
    progress->setStep(1);
    for (int i = 0; i < 9; ++i)
        progress->stepIt();
    progress->setBarColor(QColor(255, 0, 0));
    progress->setFixedWidth(160);
    editors->addWidget(boldNavy(QStringLiteral("Навигатор:"), &page), 0, 0);
    editors->addWidget(navigator, 0, 1);
    editors->addWidget(boldNavy(QStringLiteral("Балл:"), &page), 1, 0);
    editors->addWidget(points, 1, 1);
    editors->addWidget(boldNavy(QStringLiteral("Кредит:"), &page), 2, 0);
    editors->addWidget(credits, 2, 1);
    editors->addWidget(progress, 3, 0, 1, 2);
    lower->addLayout(editors);
    lower->addStretch(1);
    layout->addLayout(lower);

    auto* status = new StatusBar(&page);
    status->addPanel(150, QStringLiteral("Количество записей: 0"));
    status->addPanel(150, QStringLiteral("Текущая запись: 0"));
    status->addPanel(150, QStringLiteral("Выполнение: Удачно"));
    status->addPanel(50);
    layout->addWidget(status);

    page.resize(1000, 660);
    page.show();
    QApplication::processEvents();
    // A block of three selected rows; the current cell on the grade column.
    for (int r : {5, 6, 7}) {
        sheet.setRecNo(r + 1);
        grid->selectedRows().setCurrentRowSelected(true);
    }
    sheet.setRecNo(2);
    grid->setSelectedIndex(grade.index());
    grid->setFocus();
    QApplication::processEvents();
    ctx.save(&page, QStringLiteral("widgets_gallery"));
});

} // namespace
