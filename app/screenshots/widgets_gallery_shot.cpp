// The data-aware widgets on one page: the grid with two-level titles, footer sums, a
// selected block of rows and coloured cells, and the other controls of the windows.
#include "app/screenshots/shots.h"

#include "platform/db/connection.h"
#include "platform/db/data_source.h"
#include "platform/db/driver.h"
#include "platform/db/query.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <QApplication>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>
#include <QWidget>

namespace {

using namespace qel;

// Rows for the gallery, answered by statement text.
class GalleryDriver : public db::Driver {
public:
    void open() override { open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    wire::BatchResult execute(const QString& sql, const QList<QVariant>&) override
    {
        wire::BatchResult out;
        if (results().contains(sql))
            out.resultSets << results().value(sql);
        else
            out.rowsAffected = 1;
        return out;
    }
    wire::BatchResult callProcedure(const QString&, const QList<wire::Param>&) override { return {}; }

    static QHash<QString, wire::ResultSet>& results()
    {
        static QHash<QString, wire::ResultSet> r;
        return r;
    }

private:
    bool open_ = false;
};

wire::ResultSet table(const QList<std::pair<QString, wire::ColumnType>>& columns, const QList<wire::Row>& rows)
{
    wire::ResultSet rs;
    for (const auto& [name, type] : columns) {
        wire::Column c;
        c.name = name;
        c.type = type;
        rs.columns << c;
    }
    rs.rows = rows;
    return rs;
}

const qel::shots::Shot widgetsGalleryShot("widgets_gallery", [](qel::shots::ShotContext& ctx) {
    using wire::ColumnType;
    GalleryDriver::results().insert(
        QStringLiteral("SELECT * FROM sheet"),
        table({{QStringLiteral("id_mark_mag"), ColumnType::Int},
               {QStringLiteral("student"), ColumnType::VarChar},
               {QStringLiteral("idid"), ColumnType::VarChar},
               {QStringLiteral("m1"), ColumnType::Float},
               {QStringLiteral("m2"), ColumnType::Float},
               {QStringLiteral("dop"), ColumnType::Float},
               {QStringLiteral("p36"), ColumnType::Date},
               {QStringLiteral("Ball_name"), ColumnType::VarChar},
               {QStringLiteral("primech"), ColumnType::VarChar}},
              {
                  {1, QStringLiteral("Авдеев Илья Сергеевич"), QStringLiteral("21-0101"), 28.0, 30.0, 5.0,
                   QDate(2024, 1, 15), QStringLiteral("хор"), QStringLiteral("д")},
                  {2, QStringLiteral("Белова Мария Андреевна"), QStringLiteral("21-0102"), 35.0, 32.0, 10.0,
                   QDate(2024, 1, 15), QStringLiteral("отл"), QStringLiteral("д")},
                  {3, QStringLiteral("Волков Олег Петрович"), QStringLiteral("21-0103"), 12.0, 15.0, 0.0,
                   QVariant(), QStringLiteral("н/я"), QStringLiteral("н/д")},
                  {4, QStringLiteral("Гришина Анна Викторовна"), QStringLiteral("21-0104"), 25.0, 26.0, 4.0,
                   QDate(2024, 1, 16), QStringLiteral("удов"), QStringLiteral("д")},
                  {5, QStringLiteral("Дмитриев Павел Игоревич"), QStringLiteral("21-0105"), 30.0, 28.0, 7.0,
                   QDate(2024, 1, 16), QStringLiteral("хор"), QStringLiteral("д")},
                  {6, QStringLiteral("Егорова Светлана Олеговна"), QStringLiteral("21-0106"), 0.0, 0.0, 0.0,
                   QVariant(), QStringLiteral("н/п"), QStringLiteral("д")},
                  {7, QStringLiteral("Жуков Артём Денисович"), QStringLiteral("21-0107"), 33.0, 34.0, 9.0,
                   QDate(2024, 1, 17), QStringLiteral("отл"), QStringLiteral("д")},
              }));

    db::Connection connection(QStringLiteral("ADO_CDE"));
    connection.setDriverFactory(
        [](const db::ConnectionString&) -> std::unique_ptr<db::Driver> { return std::make_unique<GalleryDriver>(); });
    db::Query sheet(&connection, QStringLiteral("ADO_SP_Sort"));
    sheet.setSql(QStringLiteral("SELECT * FROM sheet"));
    sheet.open();
    db::DataSource source(QStringLiteral("DS_SP_Sort"));
    source.setDataSet(&sheet);

    QWidget page;
    page.setStyleSheet(QString());
    page.setAutoFillBackground(true);
    QPalette pal = page.palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    page.setPalette(pal);
    auto* layout = new QVBoxLayout(&page);

    auto* grid = new ui::TQXDBGridEh(&page);
    QFont title = grid->font();
    title.setPixelSize(11);
    title.setBold(true);
    grid->setTitleFont(title, QColor(128, 128, 128));
    QFont data = grid->font();
    data.setPixelSize(13);
    grid->setDataFont(data);
    grid->setTitleHeight(32);
    grid->setColor(QColor(192, 192, 192));
    grid->setRowColors(QColor(192, 192, 192), QColor(192, 192, 192));
    grid->setFooterRowCount(1);
    QFont footer = grid->font();
    footer.setPixelSize(11);
    footer.setBold(true);
    grid->setFooterFont(footer);
    grid->setOptions(grid->options() | ui::dgMultiSelect | ui::dgRowHighlight | ui::dgAlwaysShowSelection);
    grid->addColumn(QStringLiteral("id_mark_mag"), QStringLiteral("П/П")).setWidth(28);
    auto& student = grid->addColumn(QStringLiteral("student"), QStringLiteral("Студент"));
    student.setWidth(204);
    student.setFooterText(QStringLiteral("Сумма баллов"));
    grid->addColumn(QStringLiteral("idid"), QStringLiteral("Шифр студента")).setWidth(86);
    for (const auto& [field, caption] : {std::pair{QStringLiteral("m1"), QStringLiteral("Модуль|1")},
                                         std::pair{QStringLiteral("m2"), QStringLiteral("Модуль|2")},
                                         std::pair{QStringLiteral("dop"), QStringLiteral("Доп.")}}) {
        auto& c = grid->addColumn(field, caption);
        c.setWidth(52);
        c.setColor(Qt::white);
        c.setFooterValueType(ui::FooterValueType::Sum);
    }
    auto& date = grid->addColumn(QStringLiteral("p36"), QStringLiteral("Дата сдачи"));
    date.setWidth(80);
    date.setDisplayFormat(QStringLiteral("dd.mm.yyyy"));
    date.setColor(Qt::white);
    auto& grade = grid->addColumn(QStringLiteral("Ball_name"), QStringLiteral("Оценка"));
    grade.setWidth(63);
    grade.setColor(Qt::white);
    grade.setReadOnly(true);
    QMenu menu;
    menu.addAction(QStringLiteral("н/п"));
    grade.addEditButton(ui::EditButtonStyle::DropDown, &menu);
    auto& admission = grid->addColumn(QStringLiteral("primech"), QStringLiteral("Допуск|по оплате"));
    admission.setWidth(60);
    admission.setAlignment(Qt::AlignCenter);
    QFont bold = data;
    bold.setBold(true);
    admission.setFont(bold);
    grid->onDrawColumnCell = [](ui::TQXDBGridEh& g, const QRect& rect, int dataCol, ui::GridColumn& column,
                                ui::GridDrawState state) {
        const QString admissionText = g.drawingText(QStringLiteral("primech"));
        if (column.fieldName() == QLatin1String("primech") && !admissionText.isEmpty()
            && admissionText != QStringLiteral("д") && !state.selected)
            g.canvas().brush = QColor(255, 221, 221);
        else if (g.drawingText(QStringLiteral("Ball_name")) == QStringLiteral("н/п") && !state.selectedOnly())
            g.canvas().brush = QColor(206, 239, 255);
        else
            return;
        g.defaultDrawColumnCell(rect, dataCol, column, state);
    };
    grid->setDataSource(&source);
    grid->setMinimumHeight(260);
    layout->addWidget(grid);

    page.resize(900, 420);
    page.show();
    QApplication::processEvents();
    // A block of three selected rows, the current cell on the grade column.
    for (int row : {1, 3, 4}) {
        sheet.setRecNo(row + 1);
        grid->selectedRows().setCurrentRowSelected(true);
    }
    sheet.setRecNo(5);
    grid->setSelectedIndex(7);
    grid->setFocus();
    QApplication::processEvents();
    ctx.save(&page, QStringLiteral("widgets_gallery"));
});

} // namespace
