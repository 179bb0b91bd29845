#include "tests/recordbook/record_book_fixture.h"

#include "data/dm_cde_3.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "tests/support/keys.h"
#include "tests/support/modal.h"

#include <QPushButton>
#include <QTest>
#include <sqlite3.h>

namespace qel::test {

void RecordBookTest::inBook(const std::function<void(TForm14&)>& body, const QString& group, const char* login,
                            const char* password)
{
    logIn(login, password);
    pick(window->DBLookupComboBox9, group);
    openBook(body);
}

void RecordBookTest::openBook(const std::function<void(TForm14&)>& body)
{
    bool shown = false;
    whenModalShown(
        [&](QWidget* w) {
            shown = true;
            auto& book = static_cast<TForm14&>(*w);
            body(book);
            book.close();
        },
        "qel::TForm14");
    ASSERT_TRUE(window->Button1->isEnabled());
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    EXPECT_TRUE(shown);
}

void RecordBookTest::pickStudent(TForm14& book, const QString& name)
{
    ui::DBLookupComboBox* c = book.DBLookupComboBox1;
    for (int i = 0; i < c->count(); ++i)
        if (c->itemText(i) == name) {
            c->pickRow(i);
            return;
        }
    ADD_FAILURE() << "no student " << name.toStdString();
}

int RecordBookTest::bookRows(TForm14& book) const { return book.DBGridEh1->dataRowCount(); }

QVariant RecordBookTest::bookValue(int row, const QString& fieldName) const
{
    db::DataSet& ds = fx->dm->ADOQ_markmagByStudent;
    return ds.rowValue(row, ds.fieldByName(fieldName));
}

int RecordBookTest::bookColumn(TForm14& book, const QString& fieldName) const
{
    for (int i = 0; i < book.DBGridEh1->columnCount(); ++i)
        if (book.DBGridEh1->column(i).fieldName() == fieldName)
            return i;
    ADD_FAILURE() << "no column " << fieldName.toStdString();
    return -1;
}

QString RecordBookTest::bookCell(TForm14& book, int row, const QString& fieldName) const
{
    return book.DBGridEh1->cellText(row, bookColumn(book, fieldName));
}

int RecordBookTest::rowOfRecord(const QVariant& idMarkMag) const
{
    db::DataSet& ds = fx->dm->ADOQ_markmagByStudent;
    if (!ds.active())
        return -1;
    for (int r = 0; r < ds.recordCount(); ++r)
        if (bookValue(r, QStringLiteral("id_mark_mag")).toInt() == idMarkMag.toInt())
            return r;
    return -1;
}

void RecordBookTest::clickBookCell(TForm14& book, int row, int column)
{
    ui::TQXDBGridEh* grid = book.DBGridEh1;
    grid->setFocus();
    grid->scrollTo(grid->model()->index(row, column));
    const QRect r = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

void RecordBookTest::typeIntoBook(TForm14& book, int row, int column, const QString& text)
{
    clickBookCell(book, row, column);
    QTest::keyClick(book.DBGridEh1, Qt::Key_F2);
    if (QWidget* editor = book.DBGridEh1->cellEditor()) {
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        typeText(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
    }
}

QVariant RecordBookTest::addRecord(int student, int semester, int discipline, int exam, const QVariant& form,
                                   const QVariant& credits, bool staticDiscipline)
{
    fx->admin(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, id_discipline, "
                             "id_semester, id_f_est, ball, primech, kredits, isStaticDiscipline, id_ebe_var, QEL_User) "
                             "VALUES (1, ?, ?, 8, ?, ?, ?, 0, 'д', ?, ?, 1, 'demo')"),
              {student, exam, discipline, semester, form, credits, staticDiscipline ? 1 : 0});
    return fx->adminScalar(QStringLiteral("SELECT MAX(id_mark_mag) FROM mark_mag"));
}

void RecordBookTest::onFile(const QString& sql) const
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(fx->databasePath.toUtf8().constData(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

QStringList RecordBookTest::storedRows(const QString& sql, const QList<QVariant>& params) const
{
    QStringList out;
    const wire::BatchResult r = fx->admin(sql, params);
    for (const wire::Row& row : r.resultSets.value(0).rows) {
        QStringList cells;
        for (const QVariant& v : row)
            cells << (v.isNull()                        ? QStringLiteral("NULL")
                      : v.typeId() == QMetaType::Bool ? QString::number(v.toInt())
                                                      : v.toString());
        out << cells.join(QLatin1Char(','));
    }
    return out;
}

QStringList RecordBookTest::markAudit() const
{
    QStringList out;
    const wire::BatchResult r = fx->admin(
        QStringLiteral("SELECT row_id, descr, QEL_User FROM QEL_LOG WHERE [table] = 'mark_mag' ORDER BY id_qel_log"));
    for (const wire::Row& row : r.resultSets.value(0).rows)
        out << row[0].toString() + QLatin1Char('|') + row[1].toString() + QLatin1Char('|') + row[2].toString();
    return out;
}

} // namespace qel::test
