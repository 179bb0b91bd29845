#include "history/sql_text.h"
#include "platform/db/sql_literal.h"

#include <gtest/gtest.h>

TEST(SqlText, QuotingFunctions)
{
    struct Case { QString in, quote, nested, literal; };
    const Case cases[] = {
        {QStringLiteral("abc"), QStringLiteral("'abc'"), QStringLiteral("''abc''"), QStringLiteral("'abc'")},
        {QString(), QStringLiteral("''"), QStringLiteral("''''"), QStringLiteral("''")},
        {QStringLiteral("O'Brien"), QStringLiteral("'O'Brien'"), QStringLiteral("''O'Brien''"), QStringLiteral("'O''Brien'")},
        {QStringLiteral("''"), QStringLiteral("''''"), QStringLiteral("''''''"), QStringLiteral("''''''")},
        {QStringLiteral("Иванов"), QStringLiteral("'Иванов'"), QStringLiteral("''Иванов''"), QStringLiteral("'Иванов'")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qel::QuoteSql(c.in), c.quote);
        EXPECT_EQ(qel::QuoteSqlNested(c.in), c.nested);
        EXPECT_EQ(qel::db::sqlLiteral(c.in), c.literal);
    }
}
