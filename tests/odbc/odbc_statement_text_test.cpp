// Texts the ODBC driver composes and cleans, and how it types result columns.
#include "platform/db/driver.h"
#include "platform/db/odbc_statement_text.h"
#include "platform/db/odbc_types.h"

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

using qel::wire::ColumnType;
using qel::wire::Param;

namespace {

QList<Param> params(int count, int returnValueAt = -1)
{
    QList<Param> out;
    for (int i = 0; i < count; ++i) {
        Param p;
        p.name = QStringLiteral("@p%1").arg(i);
        p.isReturnValue = i == returnValueAt;
        out.append(p);
    }
    return out;
}

} // namespace

TEST(OdbcCallText, PutsTheReturnValueMarkerFirstAndOneMarkerPerArgument)
{
    struct Case { QString name; QList<Param> params; QString expected; };
    const Case cases[] = {
        {"SORT_MARK_MAG", params(13),
         "{call SORT_MARK_MAG(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)}"},
        {"SORT_MARK_MAG", params(14, 0),
         "{? = call SORT_MARK_MAG(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)}"},
        {"SP_MarkMag_proverka_Del", params(2, 1), "{? = call SP_MarkMag_proverka_Del(?)}"},
        {"SelMarkMag", params(1, 0), "{? = call SelMarkMag}"},
        {"SelMarkMag", {}, "{call SelMarkMag}"},
        {"dbo.InsertInto_SORT_MARK_MAG", params(2), "{call dbo.InsertInto_SORT_MARK_MAG(?, ?)}"},
        {"[QEL].[dbo].[GET_USER]", params(1), "{call [QEL].[dbo].[GET_USER](?)}"},
        {"SORT_MARK_MAG;1", params(1), "{call SORT_MARK_MAG;1(?)}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qel::db::odbcCallText(c.name, c.params), c.expected);
}

TEST(OdbcCallText, RefusesWhatIsNotAProcedureCall)
{
    const QString badNames[] = {"", "  ", "p(1)", "p}; drop table mark_mag; {call q", "p'x", "p?", "a;b"};
    for (const auto& name : badNames)
        EXPECT_THROW(qel::db::odbcCallText(name, params(1)), qel::db::DbError) << name.toStdString();

    auto two = params(3, 0);
    two[2].isReturnValue = true;
    EXPECT_THROW(qel::db::odbcCallText(QStringLiteral("p"), two), qel::db::DbError);
}

TEST(OdbcMessages, DropTheBracketedOrigins)
{
    struct Case { QString raw, clean; };
    const Case cases[] = {
        {"[unixODBC][FreeTDS][SQL Server]Login failed for user 'x'.", "Login failed for user 'x'."},
        {"[FreeTDS][SQL Server]Invalid object name 'mark_mag2'.", "Invalid object name 'mark_mag2'."},
        {"[unixODBC][Driver Manager]Data source name not found", "Data source name not found"},
        {"[SQLite]no such table: t (1)", "no such table: t (1)"},
        {"Plain text [with brackets] inside", "Plain text [with brackets] inside"},
        {"[unterminated", "[unterminated"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qel::db::cleanOdbcMessage(c.raw), c.clean);
}

TEST(OdbcColumnTypes, MapSqlTypeCodesAndSizes)
{
    struct Case { int sqlType; ColumnType type; qulonglong columnSize; int size; };
    const Case cases[] = {
        {SQL_INTEGER, ColumnType::Int, 10, 0},
        {SQL_BIGINT, ColumnType::BigInt, 19, 0},
        {SQL_SMALLINT, ColumnType::SmallInt, 5, 0},
        {SQL_TINYINT, ColumnType::SmallInt, 3, 0},
        {SQL_BIT, ColumnType::Bit, 1, 0},
        {SQL_FLOAT, ColumnType::Float, 15, 0},
        {SQL_REAL, ColumnType::Float, 7, 0},
        {SQL_DOUBLE, ColumnType::Float, 15, 0},
        {SQL_NUMERIC, ColumnType::Float, 18, 0},
        {SQL_DECIMAL, ColumnType::Float, 19, 0},      // money comes as decimal(19,4)
        {SQL_CHAR, ColumnType::VarChar, 10, 10},
        {SQL_VARCHAR, ColumnType::VarChar, 100, 100},
        {SQL_VARCHAR, ColumnType::VarChar, 8000, 8000},
        {SQL_VARCHAR, ColumnType::VarChar, 2147483647, 0}, // varchar(max)
        {SQL_VARCHAR, ColumnType::VarChar, 0, 0},
        {SQL_LONGVARCHAR, ColumnType::VarChar, 2147483647, 0},
        {SQL_WCHAR, ColumnType::NVarChar, 20, 20},
        {SQL_WVARCHAR, ColumnType::NVarChar, 50, 50},
        {SQL_WLONGVARCHAR, ColumnType::NVarChar, 1073741823, 0},
        {SQL_TYPE_TIMESTAMP, ColumnType::DateTime, 23, 0},
        {SQL_TYPE_DATE, ColumnType::Date, 10, 0},
        {SQL_TYPE_TIME, ColumnType::Time, 8, 0},
        {-154, ColumnType::Time, 16, 0},              // SQL Server time(n)
        {-155, ColumnType::DateTime, 34, 0},          // datetimeoffset
        {SQL_BINARY, ColumnType::VarBinary, 16, 16},
        {SQL_VARBINARY, ColumnType::VarBinary, 100, 100},
        {SQL_LONGVARBINARY, ColumnType::VarBinary, 2147483647, 0},
        {SQL_GUID, ColumnType::VarChar, 36, 0},
        {-150, ColumnType::Unknown, 8000, 0},         // sql_variant
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qel::db::columnTypeFromSqlType(c.sqlType), c.type) << c.sqlType;
        EXPECT_EQ(qel::db::declaredColumnSize(c.sqlType, c.columnSize), c.size) << c.sqlType;
    }
}
