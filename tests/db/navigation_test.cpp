// Moving through a dataset: first/next/eof, record numbers, bookmarks, locate, filter, sort.
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "tests/db/fake_driver.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::db;
using qel::test::FakeServer;
using qel::test::makeResult;

namespace {

const QString kSql = QStringLiteral("select * from est2");

struct NavigationTest : testing::Test {
    FakeServer server;
    Connection conn;
    Query q{&conn, QStringLiteral("ADOQ_estimation2")};

    void SetUp() override
    {
        conn.setDriverFactory(server.factory());
        server.results.insert(kSql,
                              makeResult({QStringLiteral("id_estimation:int"), QStringLiteral("p31:varchar:20"),
                                          QStringLiteral("id_exmination:int")},
                                         {{1, QStringLiteral("отл"), 5},
                                          {2, QStringLiteral("хор"), 5},
                                          {3, QStringLiteral("Зачет"), 7},
                                          {4, QStringLiteral("удов"), 5},
                                          {5, QVariant(), 7},
                                          {6, QStringLiteral("хор"), 9}}));
        q.setSql(kSql);
        q.open();
    }

    QList<int> ids()
    {
        QList<int> out;
        for (q.first(); !q.eof(); q.next())
            out << q.fieldByName(QStringLiteral("id_estimation")).asInteger();
        return out;
    }
};

TEST_F(NavigationTest, WalksFromFirstToEof)
{
    EXPECT_TRUE(q.bof());
    EXPECT_FALSE(q.eof());
    EXPECT_EQ(q.recordCount(), 6);
    EXPECT_EQ(q.recNo(), 1);
    EXPECT_EQ(ids(), (QList<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.recNo(), 6);   // stays on the last row
    q.prior();
    EXPECT_EQ(q.recNo(), 5);
    EXPECT_FALSE(q.eof());
    EXPECT_EQ(q.moveBy(-10), -4);
    EXPECT_TRUE(q.bof());
    q.last();
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.recNo(), 6);
    q.setRecNo(3);
    EXPECT_EQ(q.fieldByName(QStringLiteral("p31")).asString(), QStringLiteral("Зачет"));
}

TEST_F(NavigationTest, EmptyResult)
{
    server.results.insert(QStringLiteral("select top 0 * from est2"),
                          makeResult({QStringLiteral("id_estimation:int")}, {}));
    q.setSql(QStringLiteral("select top 0 * from est2"));
    q.open();
    EXPECT_TRUE(q.eof());
    EXPECT_TRUE(q.bof());
    EXPECT_TRUE(q.isEmpty());
    EXPECT_EQ(q.recNo(), 0);
    EXPECT_TRUE(q.fieldByName(QStringLiteral("id_estimation")).isNull());
    q.next();
    EXPECT_TRUE(q.eof());
}

TEST_F(NavigationTest, LocateMovesOnlyWhenFound)
{
    struct Case {
        const char* field;
        QVariant value;
        bool caseInsensitive;
        bool found;
        int recNo;   // after the call, starting from row 2
    };
    const Case cases[] = {
        {"p31", QStringLiteral("хор"), false, true, 2},
        {"p31", QStringLiteral("зачет"), false, false, 2},
        {"p31", QStringLiteral("зачет"), true, true, 3},
        {"p31", QStringLiteral("ЗАЧЕТ"), true, true, 3},
        {"p31", QStringLiteral("за"), true, false, 2},     // whole value, not a prefix
        {"id_estimation", 4, false, true, 4},
        {"id_estimation", QStringLiteral("6"), false, true, 6},
        {"id_estimation", 60, false, false, 2},
        {"p31", QVariant(), false, true, 5},
        {"ID_EXMINATION", 9, false, true, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.value.toString().toStdString());
        q.setRecNo(2);
        LocateOptions o;
        o.caseInsensitive = c.caseInsensitive;
        EXPECT_EQ(q.locate(QString::fromLatin1(c.field), c.value, o), c.found);
        EXPECT_EQ(q.recNo(), c.recNo);
    }
    EXPECT_THROW(q.locate(QStringLiteral("nope"), 1), DbError);
}

TEST_F(NavigationTest, FilterByField)
{
    q.setFilter(QStringLiteral("id_exmination=5"));
    EXPECT_EQ(q.recordCount(), 6);   // not filtered yet
    q.setFiltered(true);
    EXPECT_EQ(ids(), (QList<int>{1, 2, 4}));
    q.setFilter(QStringLiteral("id_exmination=7 or p31 = 'ХОР'"));
    EXPECT_EQ(ids(), (QList<int>{2, 3, 5, 6}));
    q.setFilter(QStringLiteral("(id_exmination<>5 and p31 is not null) or id_estimation>=4"));
    EXPECT_EQ(ids(), (QList<int>{3, 4, 5, 6}));
    q.setFilter(QStringLiteral("p31 like 'х%'"));
    EXPECT_EQ(ids(), (QList<int>{2, 6}));
    q.setFilter(QString());
    EXPECT_EQ(q.recordCount(), 6);
    q.setFilter(QStringLiteral("id_exmination=9"));
    q.setFiltered(false);
    EXPECT_EQ(q.recordCount(), 6);

    // The filter is kept across closing and opening.
    q.setFiltered(true);
    q.close();
    q.open();
    EXPECT_EQ(ids(), (QList<int>{6}));
}

// A dataset with persistent fields still filters and sorts by the other result columns.
TEST_F(NavigationTest, FiltersAndSortsByColumnsWithoutFields)
{
    Query q2(&conn, QStringLiteral("q2"));
    q2.setSql(kSql);
    q2.addField(FieldSpec::integer(QStringLiteral("id_estimation")));
    q2.addField(FieldSpec::string(QStringLiteral("p31")));
    q2.open();
    q2.setSort(QStringLiteral("id_exmination DESC"));
    q2.setFilter(QStringLiteral("id_exmination=7"));
    q2.setFiltered(true);
    QList<int> got;
    for (q2.first(); !q2.eof(); q2.next())
        got << q2.fieldByName(QStringLiteral("id_estimation")).asInteger();
    EXPECT_EQ(got, (QList<int>{3, 5}));
    EXPECT_EQ(q2.findField(QStringLiteral("id_exmination")), nullptr);
}

TEST_F(NavigationTest, BadFiltersAreRefused)
{
    q.setFiltered(true);
    EXPECT_THROW(q.setFilter(QStringLiteral("id_exmination=")), DbError);
    EXPECT_THROW(q.setFilter(QStringLiteral("p31='open")), DbError);
    EXPECT_THROW(q.setFilter(QStringLiteral("nope=1")), DbError);
    EXPECT_EQ(q.recordCount(), 6);   // the last good filter (none) stays
}

TEST_F(NavigationTest, SortIsStableAndKeepsTheCurrentRow)
{
    q.setRecNo(3);   // id 3
    q.setSort(QStringLiteral("id_exmination"));
    EXPECT_EQ(q.fieldByName(QStringLiteral("id_estimation")).asInteger(), 3);
    EXPECT_EQ(ids(), (QList<int>{1, 2, 4, 3, 5, 6}));
    q.setSort(QStringLiteral("p31"));   // nulls first, then Russian order without case
    EXPECT_EQ(ids(), (QList<int>{5, 3, 1, 4, 2, 6}));
    q.setSort(QStringLiteral("id_exmination DESC, p31"));
    EXPECT_EQ(ids(), (QList<int>{6, 5, 3, 1, 4, 2}));
    q.setSort(QString());
    EXPECT_EQ(ids(), (QList<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_THROW(q.setSort(QStringLiteral("nope")), DbError);
    q.close();
    EXPECT_THROW(q.setSort(QStringLiteral("p31")), DbError);   // only an open dataset sorts
    q.open();
    EXPECT_TRUE(q.sort().isEmpty());
}

TEST_F(NavigationTest, BookmarksSurviveSortAndFilter)
{
    q.setRecNo(4);
    const Bookmark b = q.bookmark();
    q.setSort(QStringLiteral("p31 DESC"));
    q.setFilter(QStringLiteral("id_exmination=5"));
    q.setFiltered(true);
    q.first();
    ASSERT_TRUE(q.bookmarkValid(b));
    q.gotoBookmark(b);
    EXPECT_EQ(q.fieldByName(QStringLiteral("id_estimation")).asInteger(), 4);
    q.setFilter(QStringLiteral("id_exmination=7"));
    EXPECT_FALSE(q.bookmarkValid(b));   // filtered out
    EXPECT_THROW(q.gotoBookmark(b), DbError);
    q.close();
    q.open();
    EXPECT_FALSE(q.bookmarkValid(b));   // another opening
}

} // namespace
