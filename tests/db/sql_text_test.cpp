// Query parameters in SQL text, stored procedure parameters and identifier quoting.
#include "platform/db/connection.h"
#include "platform/db/parameters.h"
#include "platform/db/sql_parameters.h"
#include "platform/db/stored_proc.h"
#include "platform/db/write_back.h"
#include "tests/db/fake_driver.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::db;

namespace {

TEST(SqlParameters, NamesOutsideLiteralsNamesAndComments)
{
    struct Case {
        const char* sql;
        const char* text;
        QStringList names;
    };
    const Case cases[] = {
        {"WHERE EstimationOther.id_ebe_var = :id_ebe_var", "WHERE EstimationOther.id_ebe_var = ?", {"id_ebe_var"}},
        {"SELECT '10:30', [a:b] FROM t -- :c\nWHERE x=:x", "SELECT '10:30', [a:b] FROM t -- :c\nWHERE x=?", {"x"}},
        {"SELECT 'it''s :no' , /* :no */ :a + :a", "SELECT 'it''s :no' , /* :no */ ? + ?", {"a", "a"}},
        {"SELECT CONVERT(varchar, x)::y", "SELECT CONVERT(varchar, x)::y", {}},
    };
    for (const Case& c : cases) {
        const ParsedSql p = parseSqlParameters(QString::fromUtf8(c.sql));
        EXPECT_EQ(p.text, QString::fromUtf8(c.text));
        EXPECT_EQ(p.names, c.names);
    }
}

TEST(Parameters, ByNameAndPositionAndTextEnlargesSize)
{
    Parameters ps;
    ps.add(Parameter(QStringLiteral("@RETURN_VALUE"), wire::ColumnType::Int, 0, ParamDirection::ReturnValue));
    ps.add(Parameter(QStringLiteral("@group"), wire::ColumnType::Int));
    ps.add(Parameter(QStringLiteral("@DoNotShowEst"), wire::ColumnType::VarChar, 3));
    EXPECT_EQ(&ps.byName(QStringLiteral("group")), &ps[1]);
    EXPECT_EQ(&ps.byName(QStringLiteral("@DONOTSHOWEST")), &ps[2]);
    EXPECT_THROW(ps.byName(QStringLiteral("@nope")), DbError);
    EXPECT_THROW(ps[3], DbError);

    ps[2].setValue(QStringLiteral("(id_estimation in(8, 9, 10, 11, 16))"));
    EXPECT_EQ(ps[2].size(), 36);
    EXPECT_EQ(ps[2].toWire().value.toString(), QStringLiteral("(id_estimation in(8, 9, 10, 11, 16))"));

    ps[1].setValue(QStringLiteral("0"));           // texts for integers are converted when sent
    EXPECT_EQ(ps[1].toWire().value, QVariant(0));
    ps[1].setValue(QStringLiteral("zero"));
    EXPECT_THROW(ps[1].toWire(), DbError);
    ps[1].clear();
    EXPECT_TRUE(ps[1].toWire().value.isNull());
    EXPECT_TRUE(ps[0].toWire().isReturnValue);
}

TEST(StoredProcedure, SendsPositionalParametersAndReceivesTheReturnValue)
{
    test::FakeServer server;
    Connection conn;
    conn.setDriverFactory(server.factory());
    server.results.insert(QStringLiteral("SORT_MARK_MAG"),
                          test::makeResult({QStringLiteral("id_mark_mag:identity")}, {{1}, {2}}));
    server.returnValue = 0;
    StoredProc sp(&conn, QStringLiteral("ADO_SP_Sort"));
    sp.setProcedureName(QStringLiteral("SORT_MARK_MAG"));
    sp.parameters().add(Parameter(QStringLiteral("@RETURN_VALUE"), wire::ColumnType::Int, 0, ParamDirection::ReturnValue));
    sp.parameters().add(Parameter(QStringLiteral("@group"), wire::ColumnType::Int));
    sp.parameters().add(Parameter(QStringLiteral("@id_kafedra"), wire::ColumnType::Int, 0, ParamDirection::Input, -1));
    sp.parameters()[1].setValue(12);
    sp.open();
    EXPECT_EQ(sp.recordCount(), 2);
    const QList<wire::Param> sent = server.calls.last().procParams;
    ASSERT_EQ(sent.size(), 3);
    EXPECT_TRUE(sent[0].isReturnValue);
    EXPECT_EQ(sent[1].value, QVariant(12));
    EXPECT_EQ(sent[2].value, QVariant(-1));
    EXPECT_EQ(sp.parameters()[0].value(), QVariant(0));
}

TEST(WriteBack, IdentifiersAreBracketed)
{
    EXPECT_EQ(quoteIdentifier(QStringLiteral("mark_mag")), QStringLiteral("[mark_mag]"));
    EXPECT_EQ(quoteIdentifier(QStringLiteral("dbo.mark_mag")), QStringLiteral("[dbo].[mark_mag]"));
    EXPECT_EQ(quoteIdentifier(QStringLiteral("[QEL].[dbo].[group]")), QStringLiteral("[QEL].[dbo].[group]"));
    EXPECT_EQ(quoteIdentifier(QStringLiteral("a]b")), QStringLiteral("[a]]b]"));
}

} // namespace
