// Editing: states, the order of events, error handlers, silent refusals and write-back.
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "tests/db/fake_driver.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::db;
using qel::test::FakeCall;
using qel::test::FakeServer;
using qel::test::makeResult;

namespace {

const QString kSql = QStringLiteral("Select top 0 * From mark_mag");

struct EditingTest : testing::Test {
    FakeServer server;
    Connection conn;
    Query q{&conn, QStringLiteral("ADOQ_markmagByStudent")};
    QStringList events;

    void SetUp() override
    {
        conn.setDriverFactory(server.factory());
        server.results.insert(kSql, makeResult({QStringLiteral("id_mark_mag:identity"), QStringLiteral("ball:float"),
                                                QStringLiteral("primech:varchar:20"), QStringLiteral("kredits:int"),
                                                QStringLiteral("N:int")},
                                               {{10, 55.0, QStringLiteral("д"), 3, 1},
                                                {11, QVariant(), QVariant(), 4, 0},
                                                {12, 70.0, QStringLiteral("н/д"), 5, 2}}));
        q.setSql(kSql);
        q.addUpdateTable(QStringLiteral("mark_mag"), QStringLiteral("id_mark_mag"));
        const auto log = [this](const char* name) {
            return [this, name](DataSet&) { events << QString::fromLatin1(name); };
        };
        q.beforeOpen = log("beforeOpen");
        q.afterOpen = log("afterOpen");
        q.beforeInsert = log("beforeInsert");
        q.afterInsert = log("afterInsert");
        q.beforeEdit = log("beforeEdit");
        q.afterEdit = log("afterEdit");
        q.beforePost = log("beforePost");
        q.afterPost = log("afterPost");
        q.beforeCancel = log("beforeCancel");
        q.afterCancel = log("afterCancel");
        q.beforeDelete = log("beforeDelete");
        q.afterDelete = log("afterDelete");
        q.onNewRecord = log("onNewRecord");
    }

    Field& f(const char* name) { return q.fieldByName(QString::fromLatin1(name)); }

    // Logs the statement when the server is asked to write.
    void logWrites()
    {
        server.handler = [this](const QString& sql, const QList<QVariant>&, wire::BatchResult& out) {
            const QString head = sql.left(6).toUpper();
            if (head != QLatin1String("UPDATE") && head != QLatin1String("DELETE") && head != QLatin1String("INSERT"))
                return false;
            events << QStringLiteral("(write)");
            out.rowsAffected = server.rowsAffected;
            if (head == QLatin1String("INSERT"))
                out.resultSets << makeResult({QStringLiteral("identity:int")}, {{100}});
            return true;
        };
    }
};

TEST_F(EditingTest, EventsBracketEachOperationInOrder)
{
    logWrites();
    struct Case {
        const char* name;
        std::function<void(EditingTest&)> act;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"open", [](EditingTest& t) { t.q.close(); t.q.open(); }, {"beforeOpen", "afterOpen"}},
        {"edit+post", [](EditingTest& t) { t.q.edit(); t.f("ball").setAsFloat(60); t.q.post(); },
         {"beforeEdit", "afterEdit", "beforePost", "(write)", "afterPost"}},
        {"edit+cancel", [](EditingTest& t) { t.q.edit(); t.q.cancel(); },
         {"beforeEdit", "afterEdit", "beforeCancel", "afterCancel"}},
        {"insert+post", [](EditingTest& t) { t.q.insert(); t.f("kredits").setAsInteger(1); t.q.post(); },
         {"beforeInsert", "onNewRecord", "afterInsert", "beforePost", "(write)", "afterPost"}},
        {"delete", [](EditingTest& t) { t.q.deleteRecord(); }, {"beforeDelete", "(write)", "afterDelete"}},
        {"post without changes", [](EditingTest& t) { t.q.edit(); t.q.post(); },
         {"beforeEdit", "afterEdit", "beforePost", "afterPost"}},
        {"moving posts a pending change", [](EditingTest& t) { t.q.edit(); t.f("ball").setAsFloat(1); t.q.next(); },
         {"beforeEdit", "afterEdit", "beforePost", "(write)", "afterPost"}},
        {"moving cancels an unmodified edit", [](EditingTest& t) { t.q.edit(); t.q.first(); },
         {"beforeEdit", "afterEdit", "beforeCancel", "afterCancel"}},
    };
    q.open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        events.clear();
        c.act(*this);
        EXPECT_EQ(events, c.expected);
        EXPECT_EQ(q.state(), DataSetState::Browse);
    }
}

TEST_F(EditingTest, StatesAndModified)
{
    EXPECT_EQ(q.state(), DataSetState::Inactive);
    q.open();
    EXPECT_EQ(q.state(), DataSetState::Browse);
    q.edit();
    EXPECT_EQ(q.state(), DataSetState::Edit);
    q.edit();   // again: nothing
    EXPECT_EQ(q.state(), DataSetState::Edit);
    f("primech").setAsString(QStringLiteral("н/д"));
    EXPECT_TRUE(q.modified());
    q.post();
    EXPECT_FALSE(q.modified());
    q.insert();
    EXPECT_EQ(q.state(), DataSetState::Insert);
    EXPECT_EQ(q.recordCount(), 4);
    q.cancel();
    EXPECT_EQ(q.recordCount(), 3);
    q.close();
    EXPECT_EQ(q.state(), DataSetState::Inactive);
}

TEST_F(EditingTest, PostWritesOnlyChangedFieldsWithTheirOldValues)
{
    q.open();
    q.setRecNo(2);   // id 11: ball and primech are null
    q.edit();
    f("ball").setAsFloat(61.5);
    f("kredits").setAsInteger(4);          // same value: not a change
    f("primech").setAsString(QStringLiteral("д"));
    q.post();
    ASSERT_EQ(server.writes().size(), 1);
    const FakeCall w = server.writes().front();
    EXPECT_EQ(w.sql, QStringLiteral("UPDATE [mark_mag] SET [ball] = ?, [primech] = ? WHERE [id_mark_mag] = ? "
                                    "AND [ball] IS NULL AND [primech] IS NULL"));
    EXPECT_EQ(w.params, (QList<QVariant>{61.5, QStringLiteral("д"), 11}));

    q.edit();
    f("ball").setAsFloat(62);
    q.post();
    EXPECT_EQ(server.writes().last().sql,
              QStringLiteral("UPDATE [mark_mag] SET [ball] = ? WHERE [id_mark_mag] = ? AND [ball] = ?"));
    EXPECT_EQ(server.writes().last().params, (QList<QVariant>{62.0, 11, 61.5}));

    // Nothing changed: nothing written.
    q.edit();
    f("ball").setAsFloat(62);
    q.post();
    EXPECT_EQ(server.writes().size(), 2);
}

TEST_F(EditingTest, ARowThatChangedMeanwhileIsNotOverwritten)
{
    server.rowsAffected = 0;
    q.open();
    q.edit();
    f("ball").setAsFloat(80);
    try {
        q.post();
        FAIL() << "post succeeded";
    } catch (const DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Row cannot be located for updating. Some values may have been "
                                              "changed since it was last read."));
    }
    EXPECT_EQ(q.state(), DataSetState::Edit);
    EXPECT_DOUBLE_EQ(f("ball").asFloat(), 80);
    EXPECT_DOUBLE_EQ(f("ball").oldValue().toDouble(), 55);
}

TEST_F(EditingTest, PostErrorHandlerChoosesFailAbortOrRetry)
{
    q.open();
    struct Case {
        DataAction action;
        bool raisesError;
        bool raisesSilent;
        DataSetState after;
    };
    const Case cases[] = {
        {DataAction::Fail, true, false, DataSetState::Edit},
        {DataAction::Abort, false, true, DataSetState::Edit},
        {DataAction::Retry, false, false, DataSetState::Browse},
    };
    for (const Case& c : cases) {
        server.rowsAffected = 0;
        int calls = 0;
        QString seen;
        q.onPostError = [&](DataSet&, const qel::Error& e, DataAction& action) {
            ++calls;
            seen = e.message();
            action = c.action;
            server.rowsAffected = 1;   // the retry succeeds
        };
        q.edit();
        f("ball").setAsFloat(q.fieldByName(QStringLiteral("ball")).asFloat() + 1);
        bool error = false, silent = false;
        try {
            q.post();
        } catch (const DbError&) {
            error = true;
        } catch (const SilentAbort&) {
            silent = true;
        }
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(seen, QString::fromLatin1(kRowNotLocated));
        EXPECT_EQ(error, c.raisesError);
        EXPECT_EQ(silent, c.raisesSilent);
        EXPECT_EQ(q.state(), c.after);
        q.cancel();
    }
}

// The sheet's post-error handler cancels the edit and lets the error go on.
TEST_F(EditingTest, PostErrorHandlerMayCancel)
{
    server.rowsAffected = 0;
    q.open();
    q.onPostError = [](DataSet& ds, const qel::Error&, DataAction&) { ds.cancel(); };
    q.edit();
    f("ball").setAsFloat(99);
    EXPECT_THROW(q.post(), DbError);
    EXPECT_EQ(q.state(), DataSetState::Browse);
    EXPECT_DOUBLE_EQ(f("ball").asFloat(), 55);
}

TEST_F(EditingTest, EditAndDeleteErrorHandlers)
{
    q.open();
    q.setReadOnly(true);
    int editErrors = 0;
    q.onEditError = [&](DataSet&, const qel::Error&, DataAction& a) {
        ++editErrors;
        a = DataAction::Abort;
    };
    EXPECT_THROW(q.edit(), SilentAbort);
    EXPECT_EQ(editErrors, 1);
    EXPECT_EQ(q.state(), DataSetState::Browse);
    q.setReadOnly(false);

    server.rowsAffected = 0;
    int deleteErrors = 0;
    q.onDeleteError = [&](DataSet&, const qel::Error&, DataAction& a) {
        if (++deleteErrors == 1) {
            a = DataAction::Retry;
            server.rowsAffected = 1;
        }
    };
    q.deleteRecord();
    EXPECT_EQ(deleteErrors, 1);
    EXPECT_EQ(q.recordCount(), 2);
    EXPECT_EQ(server.writes().last().sql, QStringLiteral("DELETE FROM [mark_mag] WHERE [id_mark_mag] = ?"));
    EXPECT_EQ(server.writes().last().params, (QList<QVariant>{10}));
    EXPECT_EQ(f("id_mark_mag").asInteger(), 11);
}

TEST_F(EditingTest, BeforeHandlersRefuseSilently)
{
    q.open();
    const auto refuse = [](DataSet&) { qel::abortSilently(); };
    q.beforeEdit = refuse;
    EXPECT_THROW(q.edit(), SilentAbort);
    EXPECT_EQ(q.state(), DataSetState::Browse);

    q.beforeInsert = refuse;
    EXPECT_THROW(q.append(), SilentAbort);
    EXPECT_EQ(q.recordCount(), 3);

    q.beforeDelete = refuse;
    EXPECT_THROW(q.deleteRecord(), SilentAbort);
    EXPECT_EQ(q.recordCount(), 3);

    q.beforeEdit = nullptr;
    q.beforePost = refuse;
    q.edit();
    f("ball").setAsFloat(1);
    EXPECT_THROW(q.post(), SilentAbort);
    EXPECT_EQ(q.state(), DataSetState::Edit);
    EXPECT_TRUE(server.writes().isEmpty());
}

TEST_F(EditingTest, InsertWritesAssignedFieldsAndReadsTheIdentity)
{
    server.handler = [](const QString& sql, const QList<QVariant>&, wire::BatchResult& out) {
        if (!sql.startsWith(QLatin1String("INSERT")))
            return false;
        out.rowsAffected = 1;
        out.resultSets << makeResult({QStringLiteral("identity:int")}, {{77}});
        return true;
    };
    q.open();
    q.setRecNo(2);
    q.insert();
    EXPECT_EQ(q.recNo(), 2);
    f("kredits").setAsInteger(6);
    f("primech").clear();
    q.post();
    const FakeCall w = server.calls.last();
    EXPECT_EQ(w.sql, QStringLiteral("INSERT INTO [mark_mag] ([primech], [kredits]) VALUES (?, ?); "
                                    "SELECT SCOPE_IDENTITY() AS [identity]"));
    EXPECT_EQ(w.params, (QList<QVariant>{QVariant(), 6}));
    EXPECT_EQ(f("id_mark_mag").asInteger(), 77);
    EXPECT_EQ(q.recordCount(), 4);
    q.next();
    EXPECT_EQ(f("id_mark_mag").asInteger(), 11);
}

TEST_F(EditingTest, EditOnAnEmptyDatasetInserts)
{
    server.results.insert(QStringLiteral("empty"), makeResult({QStringLiteral("id_mark_mag:identity")}, {}));
    q.setSql(QStringLiteral("empty"));
    q.open();
    events.clear();
    q.beforeInsert = [](DataSet&) { qel::abortSilently(); };
    EXPECT_THROW(q.edit(), SilentAbort);
    EXPECT_EQ(q.state(), DataSetState::Browse);
}

TEST_F(EditingTest, RefreshKeepsTheCurrentRowByKey)
{
    q.open();
    q.setRecNo(3);   // id 12
    server.results.insert(kSql, makeResult({QStringLiteral("id_mark_mag:identity"), QStringLiteral("ball:float"),
                                            QStringLiteral("primech:varchar:20"), QStringLiteral("kredits:int"),
                                            QStringLiteral("N:int")},
                                           {{9, 1.0, QVariant(), 1, 1},
                                            {10, 55.0, QStringLiteral("д"), 3, 1},
                                            {11, QVariant(), QVariant(), 4, 0},
                                            {12, 71.0, QStringLiteral("н/д"), 5, 2}}));
    q.refresh();
    EXPECT_EQ(q.recordCount(), 4);
    EXPECT_EQ(f("id_mark_mag").asInteger(), 12);
    EXPECT_EQ(q.recNo(), 4);
    EXPECT_DOUBLE_EQ(f("ball").asFloat(), 71);
}

TEST_F(EditingTest, BatchUpdatesWaitForUpdateBatch)
{
    q.setBatchUpdates(true);
    q.open();
    q.edit();
    f("ball").setAsFloat(56);
    q.post();
    q.next();
    q.deleteRecord();
    EXPECT_TRUE(server.writes().isEmpty());
    EXPECT_EQ(q.pendingUpdates(), 2);
    q.updateBatch();
    ASSERT_EQ(server.writes().size(), 2);
    EXPECT_TRUE(server.writes()[0].sql.startsWith(QLatin1String("UPDATE [mark_mag] SET [ball] = ?")));
    EXPECT_TRUE(server.writes()[1].sql.startsWith(QLatin1String("DELETE")));
    EXPECT_EQ(q.pendingUpdates(), 0);

    q.first();
    q.edit();
    f("ball").setAsFloat(1);
    q.post();
    q.cancelBatch();
    EXPECT_DOUBLE_EQ(f("ball").asFloat(), 56);
}

// Columns of two tables go back to their own tables, each by its key.
TEST_F(EditingTest, RowsOfAJoinGoBackToEachBaseTable)
{
    wire::ResultSet rs = makeResult({QStringLiteral("no:int"), QStringLiteral("id_student:int"),
                                     QStringLiteral("idid:varchar:20"), QStringLiteral("login:varchar:40")},
                                    {{1, 5, QStringLiteral("A-1"), QStringLiteral("ivanov")}});
    rs.columns[1].baseTable = QStringLiteral("s_fio");
    rs.columns[2].baseTable = QStringLiteral("s_fio");
    rs.columns[3].baseTable = QStringLiteral("Student");
    server.results.insert(QStringLiteral("students"), rs);
    Query students(&conn, QStringLiteral("ADOQ_Students"));
    students.setSql(QStringLiteral("students"));
    students.addUpdateTable(QStringLiteral("s_fio"), QStringLiteral("id_student"));
    students.addUpdateTable(QStringLiteral("Student"), QStringLiteral("id_student"));
    students.open();
    students.edit();
    students.fieldByName(QStringLiteral("login")).setAsString(QStringLiteral("petrov"));
    students.fieldByName(QStringLiteral("idid")).setAsString(QStringLiteral("A-2"));
    server.handler = [](const QString& sql, const QList<QVariant>&, wire::BatchResult& out) {
        out.rowsAffected = 1;
        return sql.contains(QLatin1String("TRANSACTION"));
    };
    students.post();
    EXPECT_EQ(server.statements().mid(1), (QStringList{QStringLiteral("BEGIN TRANSACTION"), server.writes()[0].sql,
                                                        server.writes()[1].sql, QStringLiteral("COMMIT TRANSACTION")}));
    ASSERT_EQ(server.writes().size(), 2);
    EXPECT_EQ(server.writes()[0].sql,
              QStringLiteral("UPDATE [s_fio] SET [idid] = ? WHERE [id_student] = ? AND [idid] = ?"));
    EXPECT_EQ(server.writes()[0].params, (QList<QVariant>{QStringLiteral("A-2"), 5, QStringLiteral("A-1")}));
    EXPECT_EQ(server.writes()[1].sql,
              QStringLiteral("UPDATE [Student] SET [login] = ? WHERE [id_student] = ? AND [login] = ?"));
}

TEST_F(EditingTest, ExecSqlReportsRowsAffectedAndBindsParameters)
{
    Query exec(&conn, QStringLiteral("ADOQ_Exec"));
    exec.setSqlLines({QStringLiteral("UPDATE mark_mag SET ball = :ball"), QStringLiteral("WHERE id_mark_mag = :id")});
    EXPECT_EQ(exec.sql(), QStringLiteral("UPDATE mark_mag SET ball = :ball\nWHERE id_mark_mag = :id"));
    ASSERT_EQ(exec.parameters().count(), 2);
    exec.parameters().byName(QStringLiteral("ID")).setValue(11);
    exec.parameters().byName(QStringLiteral("ball")).setValue(3.5);
    server.rowsAffected = 3;
    EXPECT_EQ(exec.execSql(), 3);
    EXPECT_EQ(server.calls.last().sql, QStringLiteral("UPDATE mark_mag SET ball = ?\nWHERE id_mark_mag = ?"));
    EXPECT_EQ(server.calls.last().params, (QList<QVariant>{3.5, 11}));
    EXPECT_FALSE(exec.active());
}

TEST_F(EditingTest, EveryCommandCarriesTheDatasetsTimeOut)
{
    // the sheet's 120 s reaches the driver with the opening, the posts and the deletes
    q.setCommandTimeout(120);
    q.open();
    q.edit();
    f("ball").setAsFloat(60);
    q.post();
    q.last();
    q.deleteRecord();
    ASSERT_EQ(server.calls.size(), 3);
    for (const FakeCall& c : server.calls)
        EXPECT_EQ(c.timeout, 120) << c.sql.toStdString();

    // a dataset that sets none has the platform's 30 s; 0 asks for no limit
    Query exec(&conn, QStringLiteral("ADOQ_Exec"));
    exec.setSql(QStringLiteral("UPDATE mark_mag SET ball = 1"));
    exec.execSql();
    EXPECT_EQ(server.calls.last().timeout, 30);
    exec.setCommandTimeout(0);
    exec.execSql();
    EXPECT_EQ(server.calls.last().timeout, 0);
}

} // namespace
