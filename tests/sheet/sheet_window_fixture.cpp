#include "tests/sheet/sheet_window_fixture.h"

#include "data/login_window.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/db_lookup_list_box.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "tests/support/keys.h"
#include "tests/support/modal.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

namespace qel::test {

void answerLogin(const QString& login, const QString& password)
{
    whenModalShown(
        [login, password](QWidget* w) {
            auto* form = static_cast<TForm8*>(w);
            form->Login_Edit->setText(login);
            form->Password_Edit->setText(password);
            QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
        },
        "qel::TForm8");
}

void SheetWindowTest::SetUp()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fx = std::make_unique<DemoFixture>(QString::fromLatin1(info->test_suite_name()) + QLatin1Char('-')
                                       + QString::fromLatin1(info->name()).replace(QLatin1Char('/'), QLatin1Char('-')));
    dialogs = std::make_unique<RecordingDialogs>();
}

void SheetWindowTest::TearDown()
{
    window.reset();
    dialogs.reset();
    fx.reset();
}

void SheetWindowTest::logIn(const char* login, const char* password)
{
    answerLogin(QString::fromLatin1(login), QString::fromLatin1(password));
    window = std::make_unique<TForm2>(*fx->dm);
    ASSERT_FALSE(window->TerminationRequested);
    window->resize(1280, 760);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

void SheetWindowTest::pick(ui::DBLookupComboBox* control, const QString& text)
{
    const QStringList items = listed(control);
    const int row = int(items.indexOf(text));
    ASSERT_GE(row, 0) << text.toStdString() << " not in " << items.join(QLatin1Char('|')).toStdString();
    ASSERT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    control->pickRow(row);
}

void SheetWindowTest::pick(ui::DBLookupListBox* control, const QString& text)
{
    const QStringList items = listed(control);
    const int row = int(items.indexOf(text));
    ASSERT_GE(row, 0) << text.toStdString() << " not in " << items.join(QLatin1Char('|')).toStdString();
    control->pickRow(row);
}

void SheetWindowTest::pickSheet(const QString& group, const QString& semester, const QString& discipline)
{
    pick(window->DBLookupComboBox9, group);
    pick(window->DBLookupComboBox10, semester);
    pick(window->DBLookupComboBox11, discipline);
}

void SheetWindowTest::openDemoSheet()
{
    pickSheet(QStringLiteral("ИВТ-24"), QStringLiteral("3 семестр"), QStringLiteral("Дискретная математика"));
    ASSERT_TRUE(fx->dm->ADO_SP_Sort.active());
    ASSERT_EQ(rows(), 10);
}

void SheetWindowTest::clickCell(int row, const QString& fieldName, Qt::KeyboardModifiers modifiers)
{
    ui::TQXDBGridEh* grid = window->QXDBGridEh1;
    const int column = columnOf(fieldName);
    ASSERT_GE(column, 0) << fieldName.toStdString();
    grid->scrollTo(grid->model()->index(row, column));
    const QRect r = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, r.center());
}

void SheetWindowTest::type(const QString& text)
{
    QWidget* w = QApplication::focusWidget();
    typeText(w ? w : window->QXDBGridEh1, text);
}

void SheetWindowTest::key(int k, Qt::KeyboardModifiers modifiers)
{
    QWidget* w = QApplication::focusWidget();
    QTest::keyClick(w ? w : window->QXDBGridEh1, Qt::Key(k), modifiers);
}

int SheetWindowTest::rowOfStudent(int student) const
{
    for (int r = 0; r < rows(); ++r)
        if (value(r, QStringLiteral("id_student")).toInt() == student)
            return r;
    return -1;
}

QVariant SheetWindowTest::stored(const QVariant& idMarkMag, const QString& column) const
{
    return fx->adminScalar(QStringLiteral("SELECT %1 FROM mark_mag WHERE id_mark_mag = ?").arg(column), {idMarkMag});
}

QStringList SheetWindowTest::auditRows() const
{
    QStringList out;
    const wire::BatchResult r = fx->admin(QStringLiteral(
        "SELECT [table], row_id, descr, QEL_User FROM QEL_LOG ORDER BY id_qel_log"));
    for (const wire::Row& row : r.resultSets.value(0).rows) {
        QStringList cells;
        for (const QVariant& v : row)
            cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

QStringList SheetWindowTest::listed(ui::DBLookupComboBox* control)
{
    QStringList out;
    for (int i = 0; i < control->count(); ++i)
        out << control->itemText(i);
    return out;
}

QStringList SheetWindowTest::listed(ui::DBLookupListBox* control)
{
    QStringList out;
    for (int i = 0; i < control->count(); ++i)
        out << control->itemText(i);
    return out;
}

QStringList SheetWindowTest::titles() const
{
    QStringList out;
    for (int i = 0; i < window->QXDBGridEh1->columnCount(); ++i)
        out << window->QXDBGridEh1->column(i).title();
    return out;
}

int SheetWindowTest::columnOf(const QString& fieldName) const
{
    for (int i = 0; i < window->QXDBGridEh1->columnCount(); ++i)
        if (window->QXDBGridEh1->column(i).fieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString SheetWindowTest::cell(int row, const QString& fieldName) const
{
    const int column = columnOf(fieldName);
    return column < 0 ? QStringLiteral("<no column %1>").arg(fieldName) : window->QXDBGridEh1->cellText(row, column);
}

QVariant SheetWindowTest::value(int row, const QString& fieldName) const
{
    db::DataSet& ds = fx->dm->ADO_SP_Sort;
    return ds.rowValue(row, ds.fieldByName(fieldName));
}

int SheetWindowTest::rows() const { return window->QXDBGridEh1->dataRowCount(); }

} // namespace qel::test
