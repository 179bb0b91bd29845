// The request runner on a session of its own, its answers read token by token: procedure
// calls by name with defaults, prepared statements and their handles, output parameters,
// transactions and browse information.
#include "server/server.h"
#include "server/tds/bytes.h"
#include "server/tds/protocol.h"
#include "server/tds/request_runner.h"
#include "tests/support/modal.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace qel;
using namespace qel::server::tds;

namespace {

// The tokens of an answer, as far as these tests look at them.
struct Answer {
    QList<int> tokens;             // token codes in order
    QList<int> returnStatus;
    QList<QVariant> returnValues;  // RETURNVALUE as int (the handles)
    QList<int> errors;             // error numbers
    QList<quint64> counts;         // row counts of DONE tokens with the count bit
    int rows = 0;
    int envChanges[16] = {};
    bool tabName = false;
};

Answer scan(const QByteArray& bytes)
{
    Answer a;
    ByteReader in(bytes);
    QList<uint8_t> columnTypes;
    QList<int> columnLengths;
    while (!in.atEnd()) {
        const uint8_t t = in.u8();
        a.tokens << t;
        switch (t) {
        case TokColMetadata: {
            const int n = in.u16();
            columnTypes.clear();
            columnLengths.clear();
            for (int i = 0; i < n; ++i) {
                in.u32();
                in.u16();
                const uint8_t type = in.u8();
                int length = 0;
                if (type == TypeIntN || type == TypeBitN || type == TypeFltN || type == TypeDateTimeN)
                    length = in.u8();
                else if (type == TypeTimeN || type == TypeDateTime2N)
                    in.u8();
                else if (type == TypeBigVarChar || type == TypeNVarChar) {
                    length = in.u16();
                    in.skip(5);
                } else if (type == TypeBigVarBinary)
                    length = in.u16();
                columnTypes << type;
                columnLengths << length;
                in.bVarChar();
            }
            break;
        }
        case TokRow:
            ++a.rows;
            for (int i = 0; i < columnTypes.size(); ++i) {
                const uint8_t type = columnTypes[i];
                if (type == TypeBigVarChar || type == TypeNVarChar || type == TypeBigVarBinary) {
                    if (columnLengths[i] == 0xFFFF) {
                        if (in.u64() != kPlpNull)
                            for (uint32_t n = in.u32(); n; n = in.u32())
                                in.skip(n);
                    } else {
                        const uint16_t n = in.u16();
                        if (n != 0xFFFF)
                            in.skip(n);
                    }
                } else {
                    in.skip(in.u8());
                }
            }
            break;
        case TokDone:
        case TokDoneProc:
        case TokDoneInProc: {
            const uint16_t status = in.u16();
            in.u16();
            const quint64 count = in.u64();
            if (status & DoneCount)
                a.counts << count;
            break;
        }
        case TokReturnStatus: a.returnStatus << in.i32(); break;
        case TokReturnValue: {
            in.u16();
            in.bVarChar();
            in.u8();
            in.u32();
            in.u16();
            EXPECT_EQ(in.u8(), TypeIntN);
            in.u8();
            const uint8_t n = in.u8();
            a.returnValues << (n ? QVariant(in.i32()) : QVariant());
            break;
        }
        case TokError:
        case TokInfo: {
            const uint16_t length = in.u16();
            const qsizetype end = in.position() + length;
            const int number = in.i32();
            if (t == TokError)
                a.errors << number;
            in.seek(end);
            break;
        }
        case TokEnvChange: {
            const uint16_t length = in.u16();
            const qsizetype end = in.position() + length;
            ++a.envChanges[in.u8() & 15];
            in.seek(end);
            break;
        }
        case TokTabName:
        case TokColInfo:
            a.tabName = a.tabName || t == TokTabName;
            in.skip(in.u16());
            break;
        default:
            ADD_FAILURE() << "unexpected token " << int(t);
            return a;
        }
    }
    return a;
}

RpcParam param(const QString& name, const QVariant& value, bool output = false, bool isDefault = false)
{
    RpcParam p;
    p.name = name;
    p.value = value;
    p.output = output;
    p.isDefault = isDefault;
    p.type.type = value.typeId() == QMetaType::QString ? TypeNVarChar : TypeIntN;
    p.type.maxLength = value.typeId() == QMetaType::QString ? 8000 : 4;
    return p;
}

RpcCall call(const QString& name, uint16_t id, QList<RpcParam> params)
{
    RpcCall c;
    c.procName = name;
    c.procId = id;
    c.params = std::move(params);
    return c;
}

class Runner : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString dir = test::freshTempDir(QStringLiteral("runner-") + QString::fromLatin1(
                                                   ::testing::UnitTest::GetInstance()->current_test_info()->name()));
        path = dir + QStringLiteral("/QEL.sqlite");
        server::createDatabase(path, true);
        session = server::Session::administrator(path);
        runner = std::make_unique<RequestRunner>(session.get(), QStringLiteral("TEST"), &stopping);
    }

    QString path;
    std::atomic<bool> stopping{false};
    std::unique_ptr<server::Session> session;
    std::unique_ptr<RequestRunner> runner;
};

TEST_F(Runner, AProcedureByNameWithNamedArgumentsAndDefaults)
{
    // SORT_MARK_MAG with its arguments named, in another order, @id_kafedra left to its
    // default (-1) and @subgroup given as DEFAULT.
    QList<RpcParam> args = {param(QStringLiteral("@semester"), 3),      param(QStringLiteral("@group"), 1),
                            param(QStringLiteral("@discipline"), 9),    param(QStringLiteral("@examination"), 1),
                            param(QStringLiteral("@id_teacher"), 1),    param(QStringLiteral("@DoNotShowEst"), QStringLiteral("1=1")),
                            param(QStringLiteral("@subgroup"), 0, false, true), param(QStringLiteral("@isGetFromSubGroup"), 0),
                            param(QStringLiteral("@id_a_year"), 0),     param(QStringLiteral("@id_ebe_var"), 1),
                            param(QStringLiteral("@id_f_est"), 1),      param(QStringLiteral("@Kredits"), 4)};
    const Answer a = scan(runner->rpc({call(QStringLiteral("[QEL].[dbo].[SORT_MARK_MAG]"), 0, args)}));
    EXPECT_TRUE(a.errors.isEmpty()) << a.errors.value(0);
    EXPECT_EQ(a.rows, 10);
    EXPECT_EQ(a.returnStatus, QList<int>{0});
    EXPECT_EQ(a.tokens.last(), TokDoneProc);

    // A missing argument without a default, an unknown one, output on an input.
    const struct {
        QList<RpcParam> params;
        int error;
    } bad[] = {{{param(QStringLiteral("@id_mark_mag_x"), 1)}, 8145},
               {{}, 201},
               {{param(QStringLiteral("@id_mark_mag"), 1, true)}, 8162}};
    for (const auto& b : bad) {
        const Answer e = scan(runner->rpc({call(QStringLiteral("SP_MarkMag_proverka_Del"), 0, b.params)}));
        EXPECT_EQ(e.errors, QList<int>{b.error});
    }
}

TEST_F(Runner, PreparedStatementsHaveHandlesUntilUnprepared)
{
    const Answer prepared = scan(runner->rpc({call({}, SpPrepare, {param({}, QVariant(), true), param({}, QStringLiteral("@P1 int")),
                                                                  param({}, QStringLiteral("SELECT id_group FROM [group] WHERE id_group <= @P1"))})}));
    ASSERT_EQ(prepared.returnValues.size(), 1);
    const int handle = prepared.returnValues.first().toInt();
    EXPECT_GT(handle, 0);
    for (int limit : {1, 3}) {
        const Answer run = scan(runner->rpc({call({}, SpExecute, {param({}, handle), param({}, limit)})}));
        EXPECT_EQ(run.rows, limit);
        EXPECT_EQ(run.counts.first(), quint64(limit));
    }
    scan(runner->rpc({call(QStringLiteral("sp_unprepare"), 0, {param({}, handle)})}));
    EXPECT_EQ(scan(runner->rpc({call({}, SpExecute, {param({}, handle), param({}, 1)})})).errors, QList<int>{8179});

    // sp_executesql: a parameter used twice, an output parameter that keeps its value.
    const Answer direct = scan(runner->rpc({call({}, SpExecuteSql,
                                                 {param({}, QStringLiteral("SELECT id_group FROM [group] WHERE id_group = @a OR id_group = @a + @b")),
                                                  param({}, QStringLiteral("@a int, @b int OUTPUT")), param(QStringLiteral("@a"), 1),
                                                  param(QStringLiteral("@b"), 1, true)})}));
    EXPECT_TRUE(direct.errors.isEmpty());
    EXPECT_EQ(direct.rows, 2);
    EXPECT_EQ(direct.returnValues, QList<QVariant>{1});
}

TEST_F(Runner, TransactionsAreAnnouncedAndBrowseInformationComesWhenAsked)
{
    const Answer begin = scan(runner->batch(QStringLiteral("BEGIN TRANSACTION; UPDATE mark_mag SET m1 = 1 WHERE id_mark_mag = 1")));
    EXPECT_EQ(begin.envChanges[EnvBeginTransaction], 1);
    EXPECT_EQ(begin.counts, QList<quint64>{1});
    EXPECT_TRUE(session->inTransaction());
    const Answer rollback = scan(runner->batch(QStringLiteral("ROLLBACK TRANSACTION")));
    EXPECT_EQ(rollback.envChanges[EnvRollbackTransaction], 1);
    EXPECT_FALSE(session->inTransaction());

    TransactionRequest tm;
    tm.type = TmBegin;
    EXPECT_EQ(scan(runner->transaction(tm)).envChanges[EnvBeginTransaction], 1);
    tm.type = TmCommit;
    EXPECT_EQ(scan(runner->transaction(tm)).envChanges[EnvCommitTransaction], 1);

    const QString select = QStringLiteral("SELECT s.idid, st.login FROM s_fio s JOIN Student st ON st.id_student = s.id_student");
    EXPECT_FALSE(scan(runner->batch(select)).tabName);
    const Answer browse = scan(runner->batch(QStringLiteral("SET NO_BROWSETABLE ON; ") + select));
    EXPECT_TRUE(browse.errors.isEmpty());
    EXPECT_TRUE(browse.tabName);
    EXPECT_TRUE(scan(runner->batch(select)).tabName);
    EXPECT_TRUE(scan(runner->batch(QStringLiteral("SET NO_BROWSETABLE OFF"))).errors.isEmpty());
    EXPECT_FALSE(scan(runner->batch(select)).tabName);
}

} // namespace
