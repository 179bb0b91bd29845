// What a data source tells bound controls, and suspending those reports.
#include "platform/db/connection.h"
#include "platform/db/data_source.h"
#include "platform/db/query.h"
#include "tests/db/fake_driver.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::db;
using qel::test::FakeServer;
using qel::test::makeResult;

namespace {

struct DataSourceTest : testing::Test {
    FakeServer server;
    Connection conn;
    Query q{&conn, QStringLiteral("q")};
    DataSource ds{QStringLiteral("DS_q")};
    QStringList log;

    void SetUp() override
    {
        conn.setDriverFactory(server.factory());
        server.results.insert(QStringLiteral("rows"),
                              makeResult({QStringLiteral("id:identity"), QStringLiteral("v:int")},
                                         {{1, 10}, {2, 20}, {3, 30}}, QStringLiteral("t")));
        q.setSql(QStringLiteral("rows"));
        ds.setDataSet(&q);
        QObject::connect(&ds, &DataSource::activeChanged, [this](bool a) { log << QStringLiteral("active %1").arg(a); });
        QObject::connect(&ds, &DataSource::stateChanged,
                         [this](DataSetState s) { log << QStringLiteral("state ") + QString::fromLatin1(dataSetStateName(s)); });
        QObject::connect(&ds, &DataSource::layoutReset, [this] { log << QStringLiteral("reset"); });
        QObject::connect(&ds, &DataSource::rowsInserted,
                         [this](int first, int count) { log << QStringLiteral("inserted %1+%2").arg(first).arg(count); });
        QObject::connect(&ds, &DataSource::rowsRemoved,
                         [this](int first, int count) { log << QStringLiteral("removed %1+%2").arg(first).arg(count); });
        QObject::connect(&ds, &DataSource::rowsChanged,
                         [this](int first, int last) { log << QStringLiteral("changed %1..%2").arg(first).arg(last); });
        QObject::connect(&ds, &DataSource::fieldChanged, [this](Field* f) { log << QStringLiteral("field ") + f->name(); });
        QObject::connect(&ds, &DataSource::currentChanged,
                         [this](int row, int prev) { log << QStringLiteral("current %1<-%2").arg(row).arg(prev); });
        QObject::connect(&ds, &DataSource::displaySuspended, [this] { log << QStringLiteral("suspended"); });
        QObject::connect(&ds, &DataSource::displayResumed, [this] { log << QStringLiteral("resumed"); });
    }
};

TEST_F(DataSourceTest, ReportsFollowTheDataset)
{
    struct Case {
        const char* name;
        std::function<void(DataSourceTest&)> act;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"open", [](DataSourceTest& t) { t.q.open(); },
         {"active 1", "state browse", "reset", "current 0<--1"}},
        {"next", [](DataSourceTest& t) { t.q.next(); }, {"current 1<-0"}},
        {"edit", [](DataSourceTest& t) { t.q.edit(); t.q.fieldByName(QStringLiteral("v")).setAsInteger(21); },
         {"state edit", "field v", "changed 1..1"}},
        {"post", [](DataSourceTest& t) { t.q.post(); }, {"state browse", "changed 1..1"}},
        {"append", [](DataSourceTest& t) { t.q.append(); },
         {"inserted 3+1", "state insert", "current 3<-1"}},
        {"cancel", [](DataSourceTest& t) { t.q.cancel(); },
         {"removed 3+1", "state browse", "current 2<-3"}},
        {"delete", [](DataSourceTest& t) { t.q.first(); t.log.clear(); t.q.deleteRecord(); },
         {"removed 0+1", "current 0<-0"}},
        {"sort", [](DataSourceTest& t) { t.q.setSort(QStringLiteral("v DESC")); }, {"reset", "current 1<--1"}},
        {"close", [](DataSourceTest& t) { t.q.close(); }, {"active 0", "state inactive", "reset"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        c.act(*this);
        EXPECT_EQ(log, c.expected);
    }
}

TEST_F(DataSourceTest, SuspendedDisplayIsReportedOnceWhenResumed)
{
    q.open();
    log.clear();
    q.disableControls();
    q.disableControls();
    q.close();
    q.open();
    q.next();
    q.enableControls();
    EXPECT_EQ(log, QStringList{QStringLiteral("suspended")});
    q.enableControls();
    EXPECT_EQ(log, (QStringList{QStringLiteral("suspended"), QStringLiteral("resumed"), QStringLiteral("reset"),
                                QStringLiteral("current 1<--1")}));
    EXPECT_FALSE(q.controlsDisabled());
}

TEST_F(DataSourceTest, DisabledSourceIsSilentAndInactive)
{
    q.open();
    ds.setEnabled(false);
    log.clear();
    q.next();
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(ds.state(), DataSetState::Inactive);
}

TEST_F(DataSourceTest, ForgetsADestroyedDataset)
{
    auto other = std::make_unique<Query>(&conn, QStringLiteral("other"));
    ds.setDataSet(other.get());
    other.reset();
    EXPECT_EQ(ds.dataSet(), nullptr);
}

TEST_F(DataSourceTest, LookupSourceChangesRepaintDependents)
{
    Query names(&conn, QStringLiteral("names"));
    server.results.insert(QStringLiteral("names"),
                          makeResult({QStringLiteral("v:int"), QStringLiteral("name:varchar:10")}, {{10, QStringLiteral("ten")}}));
    names.setSql(QStringLiteral("names"));
    Query rows(&conn, QStringLiteral("rows"));
    rows.setSql(QStringLiteral("rows"));
    rows.addField(FieldSpec::integer(QStringLiteral("v")));
    rows.addField(FieldSpec::lookup(QStringLiteral("name"), FieldType::String, 10, QStringLiteral("v"), &names,
                                    QStringLiteral("v"), QStringLiteral("name")));
    ds.setDataSet(&rows);
    rows.open();
    log.clear();
    names.open();
    EXPECT_EQ(log, QStringList{QStringLiteral("changed 0..2")});
    EXPECT_EQ(rows.rowText(0, rows.fieldByName(QStringLiteral("name"))), QStringLiteral("ten"));
}

} // namespace
