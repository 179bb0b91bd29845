// The ODBC driver's plumbing through unixODBC, against the SQLite ODBC driver: connecting,
// binding, fetching every column type, long values, counts, errors and reconnecting.
#include "platform/db/odbc_driver.h"
#include "tests/support/modal.h"

#include <QDateTime>
#include <clocale>
#include <cstring>
#include <gtest/gtest.h>
#include <langinfo.h>

using qel::db::DbError;
using qel::db::OdbcDriver;
using qel::wire::ColumnType;

namespace {

// The SQLite ODBC driver has no wide-character entry points, so the driver manager
// converts statement texts and names through the locale's character set; FreeTDS takes
// UTF-16 itself. Tests must not depend on the locale they happen to run in.
void useUtf8Ctype()
{
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) {
        ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    }
}

class SqliteOdbc : public ::testing::Test {
protected:
    void SetUp() override
    {
        useUtf8Ctype();
        const QString dir = qel::test::freshTempDir(
            QStringLiteral("odbc-") + QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        path = dir + QStringLiteral("/plumbing.db");
        driver = std::make_unique<OdbcDriver>(QStringLiteral("DRIVER=SQLite3;Database=") + path);
        driver->open();
    }

    // The single result set of a statement.
    qel::wire::ResultSet query(const QString& sql, const QList<QVariant>& params = {})
    {
        const auto result = driver->execute(sql, params);
        EXPECT_EQ(result.resultSets.size(), 1);
        return result.resultSets.value(0);
    }

    QString errorOf(const QString& sql, const QList<QVariant>& params = {})
    {
        try {
            driver->execute(sql, params);
        } catch (const DbError& e) {
            return e.message();
        }
        ADD_FAILURE() << "no error from " << sql.toStdString();
        return {};
    }

    QString path;
    std::unique_ptr<OdbcDriver> driver;
};

// Text of n UTF-16 units mixing Latin, Cyrillic and surrogate pairs, so that chunk
// boundaries fall everywhere, including between the halves of a pair.
QString mixedText(int units)
{
    static const QString pattern = QStringLiteral("abЖщ😀ё z");
    QString out;
    while (out.size() < units)
        out += pattern;
    out.truncate(units);
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.back() = QLatin1Char('x');
    return out;
}

} // namespace

TEST_F(SqliteOdbc, OpensClosesAndReopens)
{
    EXPECT_TRUE(driver->isOpen());
    driver->open(); // already open: nothing happens
    driver->execute(QStringLiteral("create table t(id integer primary key, name varchar(20))"));
    driver->execute(QStringLiteral("insert into t(name) values(?)"), {QStringLiteral("Петров")});

    driver->close();
    EXPECT_FALSE(driver->isOpen());
    driver->close(); // twice is harmless
    try {
        driver->execute(QStringLiteral("select * from t"));
        ADD_FAILURE() << "executed on a closed driver";
    } catch (const DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Operation is not allowed when the object is closed."));
    }

    driver->open();
    EXPECT_TRUE(driver->isOpen());
    const auto rs = query(QStringLiteral("select name from t"));
    ASSERT_EQ(rs.rows.size(), 1);
    EXPECT_EQ(rs.rows[0][0], QVariant(QStringLiteral("Петров")));
}

TEST_F(SqliteOdbc, AFailedOpenLeavesTheDriverClosedWithTheReason)
{
    struct Case { QString connection, expectedPart; };
    const Case cases[] = {
        {QStringLiteral("DRIVER=NoSuchOdbcDriver;Database=x.db"), QStringLiteral("NoSuchOdbcDriver")},
        {QStringLiteral("DRIVER=SQLite3;Database=") + path + QStringLiteral(".missing/dir/x.db"), QString()},
    };
    for (const auto& c : cases) {
        OdbcDriver bad(c.connection);
        try {
            bad.open();
            ADD_FAILURE() << "opened " << c.connection.toStdString();
        } catch (const DbError& e) {
            EXPECT_FALSE(e.message().isEmpty());
            EXPECT_FALSE(e.message().startsWith(QLatin1Char('['))) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(c.expectedPart)) << e.message().toStdString();
        }
        EXPECT_FALSE(bad.isOpen());
        EXPECT_THROW(bad.execute(QStringLiteral("select 1")), DbError);
        EXPECT_THROW(bad.open(), DbError); // a second try fails the same way, without a leak or crash
    }
}

TEST_F(SqliteOdbc, BindsAndFetchesEveryColumnType)
{
    driver->execute(QStringLiteral(
        "create table marks(id integer primary key autoincrement, i int, bi bigint, si smallint, ti tinyint,"
        " b bit, f float, r real, n numeric(10,2), c char(10), vc varchar(50), tx text,"
        " dt datetime, da date, tm time, vb varbinary(100), bl blob, lvb longvarbinary)"));

    const QByteArray bytes("\x00\x01\xfe\xff\x00z", 6);
    const QDateTime when(QDate(2024, 6, 30), QTime(23, 59, 58, 125));
    const QList<QVariant> values = {
        qint32(-2147483647 - 1), qint64(1) << 53, 32767, 255, true, 0.1 + 0.2, 2.5, 12.75,
        QStringLiteral("abc"), QStringLiteral("Курc/пр «кавычки»"), QStringLiteral("Ёлка\nи 'ель'"),
        when, QDate(1999, 12, 31), QTime(8, 30, 15), bytes, QByteArray(), QByteArray(300, '\x7f')};
    const auto inserted = driver->execute(
        QStringLiteral("insert into marks(i, bi, si, ti, b, f, r, n, c, vc, tx, dt, da, tm, vb, bl, lvb)"
                       " values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        values);
    EXPECT_EQ(inserted.rowsAffected, 1);
    EXPECT_TRUE(inserted.resultSets.isEmpty());

    QList<QVariant> nulls;
    for (qsizetype i = 0; i < values.size(); ++i)
        nulls.append(QVariant());
    driver->execute(QStringLiteral("insert into marks(i, bi, si, ti, b, f, r, n, c, vc, tx, dt, da, tm, vb, bl, lvb)"
                                   " values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    nulls);

    const auto rs = query(QStringLiteral("select * from marks order by id"));
    struct Expected { const char* name; ColumnType type; int size; QMetaType::Type valueType; };
    const Expected columns[] = {
        {"id", ColumnType::Int, 0, QMetaType::Int},
        {"i", ColumnType::Int, 0, QMetaType::Int},
        {"bi", ColumnType::BigInt, 0, QMetaType::LongLong},
        {"si", ColumnType::SmallInt, 0, QMetaType::Int},
        {"ti", ColumnType::SmallInt, 0, QMetaType::Int},
        {"b", ColumnType::Bit, 0, QMetaType::Bool},
        {"f", ColumnType::Float, 0, QMetaType::Double},
        {"r", ColumnType::Float, 0, QMetaType::Double},
        {"n", ColumnType::Float, 0, QMetaType::Double},
        {"c", ColumnType::VarChar, 10, QMetaType::QString},
        {"vc", ColumnType::VarChar, 50, QMetaType::QString},
        {"tx", ColumnType::VarChar, 0, QMetaType::QString},
        {"dt", ColumnType::DateTime, 0, QMetaType::QDateTime},
        {"da", ColumnType::Date, 0, QMetaType::QDate},
        {"tm", ColumnType::Time, 0, QMetaType::QTime},
        {"vb", ColumnType::VarBinary, 100, QMetaType::QByteArray},
        {"bl", ColumnType::VarBinary, 255, QMetaType::QByteArray},
        {"lvb", ColumnType::VarBinary, 0, QMetaType::QByteArray},
    };
    ASSERT_EQ(rs.columns.size(), std::size(columns));
    ASSERT_EQ(rs.rows.size(), 2);
    for (size_t i = 0; i < std::size(columns); ++i) {
        const auto& c = rs.columns[qsizetype(i)];
        EXPECT_EQ(c.name, QLatin1String(columns[i].name));
        EXPECT_EQ(c.type, columns[i].type) << columns[i].name;
        EXPECT_EQ(c.size, columns[i].size) << columns[i].name;
        EXPECT_EQ(c.identity, i == 0) << columns[i].name;
        EXPECT_EQ(c.baseTable, QStringLiteral("marks"));
        EXPECT_EQ(c.baseColumn, QLatin1String(columns[i].name));
        EXPECT_EQ(rs.rows[0][qsizetype(i)].typeId(), columns[i].valueType) << columns[i].name;
        if (i > 0) {
            EXPECT_TRUE(rs.rows[1][qsizetype(i)].isNull()) << columns[i].name;
        }
    }

    const auto& row = rs.rows[0];
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i == 14 || i == 15)
            continue; // binaries below
        if (values[i].typeId() == QMetaType::Double)
            EXPECT_DOUBLE_EQ(row[i + 1].toDouble(), values[i].toDouble()) << rs.columns[i + 1].name.toStdString();
        else
            EXPECT_EQ(row[i + 1].toString(), values[i].toString()) << rs.columns[i + 1].name.toStdString();
    }
    EXPECT_EQ(row[12].toDateTime(), when);
    EXPECT_EQ(row[15].toByteArray(), bytes);
    EXPECT_TRUE(row[16].toByteArray().isEmpty());
    EXPECT_FALSE(row[16].isNull()); // an empty blob is not NULL
    EXPECT_EQ(row[17].toByteArray(), QByteArray(300, '\x7f'));
}

TEST_F(SqliteOdbc, EmptyTextsAreNotNulls)
{
    driver->execute(QStringLiteral("create table t(a varchar(10), b varchar(10))"));
    driver->execute(QStringLiteral("insert into t values(?, ?)"), {QString(QLatin1String("")), QVariant()});
    const auto rs = query(QStringLiteral("select a, b, '' as c from t"));
    ASSERT_EQ(rs.rows.size(), 1);
    EXPECT_FALSE(rs.rows[0][0].isNull());
    EXPECT_FALSE(rs.rows[0][0].toString().isNull());
    EXPECT_EQ(rs.rows[0][0].toString(), QString());
    EXPECT_TRUE(rs.rows[0][1].isNull());
    EXPECT_FALSE(rs.rows[0][2].toString().isNull());
}

TEST_F(SqliteOdbc, CyrillicInTheStatementTextAndNames)
{
    const auto rs = query(QStringLiteral("select 'Учет успеваемости' as \"Название\", ? as \"Ещё\""),
                          {QStringLiteral("Cумма")});
    ASSERT_EQ(rs.columns.size(), 2);
    EXPECT_EQ(rs.columns[0].name, QStringLiteral("Название"));
    EXPECT_EQ(rs.columns[1].name, QStringLiteral("Ещё"));
    ASSERT_EQ(rs.rows.size(), 1);
    EXPECT_EQ(rs.rows[0][0].toString(), QStringLiteral("Учет успеваемости"));
    EXPECT_EQ(rs.rows[0][1].toString(), QStringLiteral("Cумма"));
}

TEST_F(SqliteOdbc, LongTextsAndBinariesSurviveEveryChunkBoundary)
{
    driver->execute(QStringLiteral("create table t(id int, tx text, bl blob)"));
    const int unitsPerChunk = OdbcDriver::kFetchChunkBytes / 2 - 1; // a terminator takes the last unit
    const int lengths[] = {0, 1, unitsPerChunk - 1, unitsPerChunk, unitsPerChunk + 1, 2 * unitsPerChunk,
                           2 * unitsPerChunk + 1, OdbcDriver::kFetchChunkBytes, 100000};
    for (int n : lengths) {
        QByteArray bytes(n, '\0');
        for (int i = 0; i < n; ++i)
            bytes[i] = char(i * 7 + 3);
        driver->execute(QStringLiteral("insert into t values(?, ?, ?)"), {n, mixedText(n), bytes});
    }
    const auto rs = query(QStringLiteral("select id, tx, bl from t order by id"));
    ASSERT_EQ(rs.rows.size(), qsizetype(std::size(lengths)));
    for (const auto& row : rs.rows) {
        const int n = row[0].toInt();
        const QString text = row[1].toString();
        EXPECT_EQ(text.size(), n);
        EXPECT_TRUE(text == mixedText(n)) << "text of " << n << " units differs";
        const QByteArray bytes = row[2].toByteArray();
        ASSERT_EQ(bytes.size(), n);
        for (int i = 0; i < n; ++i)
            if (bytes[i] != char(i * 7 + 3)) {
                ADD_FAILURE() << "byte " << i << " of " << n;
                break;
            }
    }
}

TEST_F(SqliteOdbc, CountsTheRowsAStatementChanged)
{
    driver->execute(QStringLiteral("create table t(id int, v int)"));
    struct Case { QString sql; QList<QVariant> params; qint64 rows; };
    const Case cases[] = {
        {QStringLiteral("insert into t values(?, ?)"), {1, 10}, 1},
        {QStringLiteral("insert into t select id + 1, v from t"), {}, 1},
        {QStringLiteral("insert into t select id + 2, v from t"), {}, 2},
        {QStringLiteral("update t set v = ? where v = ?"), {20, 10}, 4},
        // Nothing matched: zero, never "no count", so a lost update is noticed.
        {QStringLiteral("update t set v = ? where id = ?"), {30, 99}, 0},
        {QStringLiteral("delete from t where id = ?"), {99}, 0},
        {QStringLiteral("delete from t where id > ?"), {2}, 2},
        {QStringLiteral("select * from t"), {}, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(driver->execute(c.sql, c.params).rowsAffected, c.rows) << c.sql.toStdString();
}

TEST_F(SqliteOdbc, ErrorsCarryTheDriversTextAndLeaveTheConnectionUsable)
{
    driver->execute(QStringLiteral("create table t(id int primary key)"));
    driver->execute(QStringLiteral("insert into t values(1)"));

    struct Case { QString sql; QList<QVariant> params; QString text; };
    const Case cases[] = {
        {QStringLiteral("selec 1"), {}, QStringLiteral("near \"selec\": syntax error (1)")},
        {QStringLiteral("select * from missing_table"), {}, QStringLiteral("no such table: missing_table (1)")},
        {QStringLiteral("insert into t values(?)"), {1}, QStringLiteral("UNIQUE constraint failed: t.id (19)")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(errorOf(c.sql, c.params), c.text);

    EXPECT_TRUE(driver->isOpen());
    const auto rs = query(QStringLiteral("select count(*) as n from t"));
    ASSERT_EQ(rs.rows.size(), 1);
    EXPECT_EQ(rs.rows[0][0], QVariant(qint32(1)));
}

TEST_F(SqliteOdbc, AStatementThatReturnsNoRowsGivesAnEmptyResultSet)
{
    driver->execute(QStringLiteral("create table t(id int, name varchar(30))"));
    const auto rs = query(QStringLiteral("select id, name from t where id = ?"), {5});
    ASSERT_EQ(rs.columns.size(), 2);
    EXPECT_EQ(rs.columns[1].type, ColumnType::VarChar);
    EXPECT_EQ(rs.columns[1].size, 30);
    EXPECT_TRUE(rs.rows.isEmpty());
}
