// How parameter values are converted and typed before they are bound: what SQL Server
// receives, which the SQLite ODBC driver cannot show.
#include "platform/db/driver.h"
#include "platform/db/odbc_params.h"

#include <QDateTime>
#include <cstring>
#include <gtest/gtest.h>

using qel::db::inputParam;
using qel::db::OdbcParam;
using qel::wire::ColumnType;

namespace {

template <typename T>
T valueOf(const OdbcParam& p)
{
    T v{};
    EXPECT_GE(size_t(p.buffer.size()), sizeof v);
    std::memcpy(&v, p.buffer.constData(), sizeof v);
    return v;
}

QString textOf(const OdbcParam& p)
{
    return QString(reinterpret_cast<const QChar*>(p.buffer.constData()), p.indicator / 2);
}

} // namespace

TEST(OdbcParams, UntypedValuesTakeTheirOwnType)
{
    struct Case { QVariant value; SQLSMALLINT cType, sqlType; };
    const Case cases[] = {
        {QVariant(true), SQL_C_BIT, SQL_BIT},
        {QVariant(42), SQL_C_SLONG, SQL_INTEGER},
        {QVariant(qint64(1) << 40), SQL_C_SBIGINT, SQL_BIGINT},
        {QVariant(4000000000u), SQL_C_SBIGINT, SQL_BIGINT},
        {QVariant(7.25), SQL_C_DOUBLE, SQL_DOUBLE},
        {QVariant(QStringLiteral("Иванов")), SQL_C_WCHAR, SQL_WVARCHAR},
        {QVariant(QByteArray("\0\1", 2)), SQL_C_BINARY, SQL_VARBINARY},
        {QVariant(QDateTime(QDate(2024, 1, 31), QTime(10, 20, 30, 450))), SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP},
        {QVariant(QDate(2024, 1, 31)), SQL_C_TYPE_DATE, SQL_TYPE_DATE},
        {QVariant(QTime(8, 30)), SQL_C_TYPE_TIME, SQL_TYPE_TIME},
        {QVariant(), SQL_C_WCHAR, SQL_WVARCHAR},
    };
    for (const auto& c : cases) {
        const OdbcParam p = inputParam(c.value, ColumnType::Unknown, 0, QStringLiteral("1"));
        EXPECT_EQ(p.cType, c.cType) << c.value.typeName();
        EXPECT_EQ(p.sqlType, c.sqlType) << c.value.typeName();
        EXPECT_EQ(p.direction, SQL_PARAM_INPUT);
        EXPECT_EQ(p.indicator == SQL_NULL_DATA, c.value.isNull());
        EXPECT_FALSE(p.buffer.isEmpty());
    }
}

TEST(OdbcParams, DeclaredTypesConvertTheValue)
{
    const auto ts = valueOf<SQL_TIMESTAMP_STRUCT>(
        inputParam(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 997)), ColumnType::DateTime, 0, "@d"));
    EXPECT_EQ(ts.year, 2024);
    EXPECT_EQ(ts.month, 2);
    EXPECT_EQ(ts.day, 29);
    EXPECT_EQ(ts.hour, 23);
    EXPECT_EQ(ts.minute, 59);
    EXPECT_EQ(ts.second, 58);
    EXPECT_EQ(ts.fraction, 997000000u);

    EXPECT_EQ(valueOf<SQLINTEGER>(inputParam(QStringLiteral(" 12 "), ColumnType::Int, 0, "@i")), 12);
    // Fractions round half to even, as field access does.
    EXPECT_EQ(valueOf<SQLINTEGER>(inputParam(7.5, ColumnType::Int, 0, "@i")), 8);
    EXPECT_EQ(valueOf<SQLINTEGER>(inputParam(6.5, ColumnType::Int, 0, "@i")), 6);
    EXPECT_EQ(valueOf<SQLINTEGER>(inputParam(QStringLiteral("6.5"), ColumnType::Int, 0, "@i")), 6);
    EXPECT_EQ(valueOf<SQLBIGINT>(inputParam(QStringLiteral("-9000000000"), ColumnType::BigInt, 0, "@b")),
              -9000000000LL);
    EXPECT_EQ(valueOf<SQLCHAR>(inputParam(QStringLiteral("true"), ColumnType::Bit, 0, "@f")), 1);
    EXPECT_EQ(valueOf<SQLCHAR>(inputParam(0, ColumnType::Bit, 0, "@f")), 0);
    EXPECT_EQ(valueOf<SQLDOUBLE>(inputParam(QStringLiteral("2.75"), ColumnType::Float, 0, "@x")), 2.75);
    EXPECT_EQ(textOf(inputParam(123, ColumnType::VarChar, 20, "@s")), QStringLiteral("123"));

    const OdbcParam date = inputParam(QDate(2023, 12, 1), ColumnType::DateTime, 0, "@d");
    EXPECT_EQ(valueOf<SQL_TIMESTAMP_STRUCT>(date).hour, 0);
    EXPECT_EQ(valueOf<SQL_TIMESTAMP_STRUCT>(date).day, 1);

    const OdbcParam nullInt = inputParam(QVariant(), ColumnType::Int, 0, "@i");
    EXPECT_EQ(nullInt.indicator, SQL_NULL_DATA);
    EXPECT_EQ(nullInt.sqlType, SQL_INTEGER);
}

TEST(OdbcParams, TextsAndBinariesLongerThanDeclaredEnlargeTheParameter)
{
    struct Case { QVariant value; ColumnType type; int size; SQLSMALLINT sqlType; SQLULEN columnSize; };
    const Case cases[] = {
        {QStringLiteral("abc"), ColumnType::VarChar, 20, SQL_VARCHAR, 20},
        {QStringLiteral("abcdefghij"), ColumnType::VarChar, 5, SQL_VARCHAR, 10},
        {QString(), ColumnType::NVarChar, 0, SQL_WVARCHAR, 1},
        {QString(4000, QChar(u'ж')), ColumnType::NVarChar, 10, SQL_WVARCHAR, 4000},
        {QString(4001, QChar(u'ж')), ColumnType::NVarChar, 10, SQL_WLONGVARCHAR, 4001},
        {QString(8001, QChar(u'a')), ColumnType::VarChar, 10, SQL_LONGVARCHAR, 8001},
        {QByteArray(8000, 'x'), ColumnType::VarBinary, 0, SQL_VARBINARY, 8000},
        {QByteArray(8001, 'x'), ColumnType::VarBinary, 0, SQL_LONGVARBINARY, 8001},
    };
    for (const auto& c : cases) {
        const OdbcParam p = inputParam(c.value, c.type, c.size, QStringLiteral("@v"));
        EXPECT_EQ(p.sqlType, c.sqlType) << c.columnSize;
        EXPECT_EQ(p.columnSize, c.columnSize);
        if (c.type == ColumnType::VarBinary)
            EXPECT_EQ(p.indicator, c.value.toByteArray().size());
        else
            EXPECT_EQ(textOf(p), c.value.toString());
    }
}

TEST(OdbcParams, AValueThatDoesNotFitItsTypeIsRefusedByName)
{
    struct Case { QVariant value; ColumnType type; };
    const Case cases[] = {
        {QStringLiteral("abc"), ColumnType::Int},
        {QStringLiteral(""), ColumnType::Int},
        {qint64(3000000000LL), ColumnType::Int},
        {40000, ColumnType::SmallInt},
        {std::numeric_limits<double>::quiet_NaN(), ColumnType::BigInt},
        {QStringLiteral("maybe"), ColumnType::Bit},
        {QStringLiteral("1,5"), ColumnType::Float},
        {QStringLiteral("31.02.2024"), ColumnType::DateTime},
        {QStringLiteral("never"), ColumnType::Date},
        {QStringLiteral("25:00"), ColumnType::Time},
    };
    for (const auto& c : cases) {
        try {
            inputParam(c.value, c.type, 0, QStringLiteral("@id_group"));
            ADD_FAILURE() << "accepted " << c.value.toString().toStdString() << " as "
                          << qel::wire::columnTypeName(c.type);
        } catch (const qel::db::DbError& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Parameter @id_group: the value \"")))
                << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QLatin1String(qel::wire::columnTypeName(c.type))));
        }
    }
}

TEST(OdbcParams, TheReturnValueIsAnIntegerOutput)
{
    OdbcParam p = qel::db::returnValueParam();
    EXPECT_EQ(p.direction, SQL_PARAM_OUTPUT);
    EXPECT_EQ(p.cType, SQL_C_SLONG);
    EXPECT_TRUE(qel::db::outputValue(p).isNull());

    const SQLINTEGER value = -1;
    std::memcpy(p.buffer.data(), &value, sizeof value);
    p.indicator = sizeof value;
    EXPECT_EQ(qel::db::outputValue(p), QVariant(qint32(-1)));
}
