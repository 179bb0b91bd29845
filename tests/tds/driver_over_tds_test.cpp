// The client's ODBC driver against qel13-server: types, texts, dates, binaries, several
// result sets, procedure calls with their return value, row counts and errors.
#include "tests/tds/served_demo.h"
#include "tests/tds/tds_client.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace qel;

namespace {

class DriverOverTds : public test::ServedDemoTest {
protected:
    void SetUp() override
    {
        ServedDemoTest::SetUp();
        if (HasFatalFailure())
            return;
        account = test::workingAccount(server->dataSource(), QStringLiteral("demo"), QStringLiteral("demo2026"));
        driver = test::connectClient(server->dataSource(), account.user, account.password);
    }
    void TearDown() override
    {
        driver.reset();
        ServedDemoTest::TearDown();
    }

    test::WorkingAccount account;
    std::unique_ptr<db::Driver> driver;
};

TEST_F(DriverOverTds, ReadsTheSameRowsAsTheServerItself)
{
    const QString sql = QStringLiteral("SELECT TOP 20 id_mark_mag, p35, p36, m1, dopusk_izm, primech, QEL_Update, id_estimation_other "
                                       "FROM mark_mag ORDER BY id_mark_mag");
    const wire::BatchResult remote = driver->execute(sql);
    const wire::BatchResult local = fx->admin(sql);
    ASSERT_EQ(remote.resultSets.size(), 1);
    const wire::ResultSet& r = remote.resultSets.first();
    const wire::ResultSet& l = local.resultSets.first();
    ASSERT_EQ(r.rows.size(), l.rows.size());
    for (int i = 0; i < r.columns.size(); ++i) {
        EXPECT_EQ(r.columns[i].name, l.columns[i].name);
        EXPECT_EQ(int(r.columns[i].type), int(l.columns[i].type)) << r.columns[i].name.toStdString();
    }
    for (int row = 0; row < r.rows.size(); ++row)
        for (int c = 0; c < r.columns.size(); ++c)
            EXPECT_EQ(r.rows[row][c], l.rows[row][c]) << row << " " << r.columns[c].name.toStdString();
}

} // namespace

namespace {

QByteArray somePhoto(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 2463534242u;
    for (char& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = char(x);
    }
    return bytes;
}

TEST_F(DriverOverTds, ParametersOfEveryTypeTravelBothWays)
{
    const QString cyrillic = QStringLiteral("Ёжиков Щукин Юрий — «тест» ъ ё");
    const QDateTime withTime(QDate(2026, 1, 31), QTime(10, 30, 15, 997));
    const QDate withoutTime(2025, 12, 31);
    // The rows the client writes (the columns a working account may write): a varchar
    // text, a datetime with time, a float, a bit, NULL, a date; then read back by the client
    // and by the server itself.
    const wire::BatchResult w = driver->execute(
        QStringLiteral("UPDATE mark_mag SET p35 = ?, p36 = ?, m1 = ?, dopusk_izm = ?, m2 = ? WHERE id_mark_mag = ?; "
                       "UPDATE Student SET startDateForChangePsw = ? WHERE id_student = ?"),
        {cyrillic.left(50), withTime, 12.25, true, QVariant(), 1, withoutTime, 1});
    EXPECT_EQ(w.rowsAffected, 1);

    const wire::BatchResult r = driver->execute(
        QStringLiteral("SELECT m.p35, m.p36, s.startDateForChangePsw, m.m1, m.dopusk_izm, m.m2 FROM mark_mag m, Student s "
                       "WHERE m.id_mark_mag = ? AND s.id_student = ?"),
        {1, 1});
    ASSERT_EQ(r.resultSets.size(), 1);
    const wire::Row row = r.resultSets.first().rows.value(0);
    ASSERT_EQ(row.size(), 6);
    EXPECT_EQ(row[0].toString(), cyrillic.left(50));
    EXPECT_EQ(row[1].toDateTime(), withTime);
    EXPECT_EQ(row[2].toDate(), withoutTime);
    EXPECT_EQ(row[2].typeId(), QMetaType::QDate);
    EXPECT_DOUBLE_EQ(row[3].toDouble(), 12.25);
    EXPECT_EQ(row[4], QVariant(true));
    EXPECT_TRUE(row[5].isNull());

    const wire::Row stored = fx->admin(QStringLiteral("SELECT m.p35, m.p36, s.startDateForChangePsw FROM mark_mag m, "
                                                      "Student s WHERE m.id_mark_mag = 1 AND s.id_student = 1"))
                                 .resultSets.first().rows.first();
    EXPECT_EQ(stored[0].toString(), cyrillic.left(50));
    EXPECT_EQ(stored[1].toDateTime(), withTime);
    EXPECT_EQ(stored[2].toDate(), withoutTime);
}

TEST_F(DriverOverTds, TextsTheCodePageLacksBecomeQuestionMarks)
{
    // p35 is a varchar: what Windows-1251 cannot hold is lost on the way, as on the
    // university's server; Cyrillic is kept.
    driver->execute(QStringLiteral("UPDATE mark_mag SET p35 = ? WHERE id_mark_mag = 2"), {QStringLiteral("Жук 中 €")});
    const QString back = test::textRows(driver->execute(QStringLiteral("SELECT p35 FROM mark_mag WHERE id_mark_mag = 2")))
                             .value(0).value(0);
    EXPECT_EQ(back, QStringLiteral("Жук ? €"));
}

TEST_F(DriverOverTds, APhotoComesBackByteForByte)
{
    for (int size : {0, 1, 8000, 8001, 300000}) {
        const QByteArray photo = somePhoto(size);
        fx->admin(QStringLiteral("DELETE FROM StudentPhoto WHERE id_student = 5"));
        fx->admin(QStringLiteral("INSERT INTO StudentPhoto (id_student, photo) VALUES (5, ?)"), {photo});
        const wire::BatchResult r =
            driver->execute(QStringLiteral("SELECT photo, id_student FROM StudentPhoto WHERE id_student = ?"), {5});
        ASSERT_EQ(r.resultSets.size(), 1);
        ASSERT_EQ(r.resultSets.first().rows.size(), 1);
        EXPECT_EQ(r.resultSets.first().columns.first().type, wire::ColumnType::VarBinary);
        const QByteArray back = r.resultSets.first().rows.first().first().toByteArray();
        EXPECT_EQ(back.size(), photo.size());
        EXPECT_TRUE(back == photo) << size;
    }
    // And sent by the client as a parameter (a working account reads photos, it writes none).
    const QByteArray photo = somePhoto(123457);
    fx->admin(QStringLiteral("UPDATE StudentPhoto SET photo = ? WHERE id_student = 5"), {photo});
    EXPECT_EQ(test::textRows(driver->execute(QStringLiteral("SELECT COUNT(*) FROM StudentPhoto WHERE photo = ? AND id_student = ?"),
                                             {photo, 5})),
              (QList<QStringList>{{QStringLiteral("1")}}));
}

TEST_F(DriverOverTds, SeveralResultSetsCountsAndMessagesOfOneBatch)
{
    const wire::BatchResult r = driver->execute(QStringLiteral(
        "SELECT 1 AS a; SELECT p20 FROM [group] WHERE id_group = 1; UPDATE mark_mag SET m1 = m1 WHERE id_mark_mag IN (1, 2)"));
    ASSERT_EQ(r.resultSets.size(), 2);
    EXPECT_EQ(r.resultSets[0].rows.value(0).value(0), QVariant(1));
    EXPECT_EQ(r.resultSets[1].rows.value(0).value(0).toString(), QStringLiteral("ИВТ-24"));
    EXPECT_EQ(r.rowsAffected, 2);
    // An UPDATE that finds no row says so: the write-back's conflict check rests on it.
    EXPECT_EQ(driver->execute(QStringLiteral("UPDATE mark_mag SET m1 = 1 WHERE id_mark_mag = -5")).rowsAffected, 0);
}

TEST_F(DriverOverTds, ErrorsCarryTheServersTextAndTheConnectionGoesOn)
{
    const struct {
        const char* sql;
        const char* text;
    } cases[] = {
        {"SELECT * FROM no_such_table", "Invalid object name 'no_such_table'."},
        {"SELECT no_such_column FROM mark_mag", "Invalid column name 'no_such_column'."},
        {"EXEC NO_SUCH_PROC 1", "Could not find stored procedure 'NO_SUCH_PROC'."},
    };
    for (const auto& c : cases) {
        try {
            driver->execute(QString::fromUtf8(c.sql));
            ADD_FAILURE() << c.sql;
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.text)) << c.sql;
        }
        EXPECT_EQ(test::textRows(driver->execute(QStringLiteral("SELECT 2"))).value(0).value(0), QStringLiteral("2"));
    }
}

} // namespace
