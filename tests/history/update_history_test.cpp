// The change history recorder on a real dataset: what it describes on post and delete,
// when it hands the statements over, and that recording survives a failed post.
#include "history/update_history.h"
#include "platform/db/query.h"
#include "tests/fixtures/demo_fixture.h"

#include <gtest/gtest.h>

using namespace qel;

namespace {

const QString kTemplate = QStringLiteral("Поле \"<?>\" изменило значение \"<old>\" на \"<new>\".");

struct Recorder {
    explicit Recorder(const QString& name) : fx(name), q(&fx.dm->ADO_CDE, QStringLiteral("q"))
    {
        fx.connectAs(QStringLiteral("demo"), QStringLiteral("demo2026"));
        id = fx.adminScalar(QStringLiteral("SELECT MIN(id_mark_mag) FROM mark_mag")).toInt();
        fx.admin(QStringLiteral("UPDATE mark_mag SET m1 = 5, dop = NULL, p35 = '12', p36 = NULL WHERE id_mark_mag = ?"), {id});
        q.setSql(QStringLiteral("SELECT id_mark_mag, m1, dop, p35, p36 FROM mark_mag WHERE id_mark_mag = %1").arg(id));
        q.addField(db::FieldSpec::integer(QStringLiteral("id_mark_mag")));
        q.addField(db::FieldSpec::floating(QStringLiteral("m1")));
        q.addField(db::FieldSpec::floating(QStringLiteral("dop")));
        q.addField(db::FieldSpec::string(QStringLiteral("p35"), 50));
        q.addField(db::FieldSpec::dateTime(QStringLiteral("p36")));
        q.addField(db::FieldSpec::calculated(QStringLiteral("total"), db::FieldType::Float));
        q.addUpdateTable(QStringLiteral("mark_mag"), QStringLiteral("id_mark_mag"));
        q.onCalcFields = [](db::DataSet& ds) {
            ds.fieldByName(QStringLiteral("total")).setAsFloat(ds.fieldByName(QStringLiteral("m1")).asFloat() + 1);
        };
        q.open();
        rec.Template = kTemplate;
        rec.OnFieldChanged = [this](const QString& d, db::DataSet&, const QString& table, const QString& key,
                                    QStringList& changes) { changes << table + QLatin1Char('|') + key + QLatin1Char('|') + d; };
        rec.OnRecordDeleted = rec.OnFieldChanged;
        rec.OnExecute = [this](QStringList& changes) { executed << changes; };
        rec.Attach(&q, QStringLiteral("mark_mag"), QStringLiteral("id_mark_mag"), true, true);
    }
    db::Field& f(const char* name) { return q.fieldByName(QString::fromLatin1(name)); }

    test::DemoFixture fx;
    db::Query q;
    TADOUpdateHistoryExec rec;
    QStringList executed;
    int id = 0;
};

} // namespace

TEST(UpdateHistory, OneDescriptionPerChangedDataFieldInFieldOrder)
{
    Recorder r(QStringLiteral("changes"));
    r.q.edit();
    r.f("dop").setAsFloat(2);
    r.f("m1").setAsFloat(7);
    r.q.post();
    EXPECT_EQ(r.executed,
              (QStringList{QStringLiteral("mark_mag|id_mark_mag|Поле \"m1\" изменило значение \"5\" на \"7\"."),
                           QStringLiteral("mark_mag|id_mark_mag|Поле \"dop\" изменило значение \"NULL\" на \"2\".")}));
    EXPECT_TRUE(r.rec.Changes.isEmpty());
}

TEST(UpdateHistory, NothingChangedNothingRecorded)
{
    Recorder r(QStringLiteral("nothing"));
    r.q.edit();
    r.f("m1").setAsFloat(5); // the same value
    r.q.post();
    EXPECT_TRUE(r.executed.isEmpty());
}

TEST(UpdateHistory, QuotesAreDoubledAndAnEmptyTemplateGivesTheFixedText)
{
    Recorder r(QStringLiteral("quotes"));
    r.rec.Template.clear();
    r.q.edit();
    r.f("p35").setAsString(QStringLiteral("O'Brien"));
    r.q.post();
    EXPECT_EQ(r.executed,
              QStringList{QStringLiteral("mark_mag|id_mark_mag|The field \"p35\" has been changed from \"12\" on \"O''Brien\".")});
}

TEST(UpdateHistory, DeleteDescribesEveryDataFieldAndExecutesAfterwards)
{
    Recorder r(QStringLiteral("delete"));
    bool ownBeforeDeleteRan = false;
    r.rec.Detach();
    r.q.beforeDelete = [&](db::DataSet&) { ownBeforeDeleteRan = r.rec.Changes.size() == 1; };
    r.rec.Attach(&r.q, QStringLiteral("mark_mag"), QStringLiteral("id_mark_mag"), true, true);
    r.q.deleteRecord();
    EXPECT_TRUE(ownBeforeDeleteRan); // the dataset's own handler runs after the description was queued
    ASSERT_EQ(r.executed.size(), 1);
    EXPECT_EQ(r.executed.first(), QStringLiteral("mark_mag|id_mark_mag|(id_mark_mag[%1], m1[''5''], dop[NULL], "
                                                 "p35[''12''], p36[NULL])")
                                      .arg(r.id));
}

TEST(UpdateHistory, APostErrorReachesTheDatasetsHandlerAndRecordingGoesOn)
{
    Recorder r(QStringLiteral("error"));
    int ownErrors = 0;
    r.rec.Detach();
    r.q.onPostError = [&](db::DataSet&, const qel::Error&, db::DataAction&) { ++ownErrors; };
    r.rec.Attach(&r.q, QStringLiteral("mark_mag"), QStringLiteral("id_mark_mag"), true, true);
    r.q.edit();
    r.f("m1").setAsFloat(9);
    r.fx.admin(QStringLiteral("UPDATE mark_mag SET m1 = 6 WHERE id_mark_mag = ?"), {r.id}); // someone else was quicker
    EXPECT_THROW(r.q.post(), db::DbError);
    EXPECT_EQ(ownErrors, 1);
    EXPECT_EQ(r.rec.DataSet, &r.q);
    EXPECT_TRUE(r.executed.isEmpty());   // the failed post is not recorded

    r.q.cancel();
    r.q.refresh();
    r.q.edit();
    r.f("m1").setAsFloat(10);
    r.q.post();
    EXPECT_EQ(r.executed,
              QStringList{QStringLiteral("mark_mag|id_mark_mag|Поле \"m1\" изменило значение \"6\" на \"10\".")});
}

TEST(UpdateHistory, DetachRestoresTheDatasetsOwnHandlers)
{
    Recorder r(QStringLiteral("detach"));
    int own = 0;
    r.rec.Detach();
    r.q.afterPost = [&](db::DataSet&) { ++own; };
    r.rec.Attach(&r.q, QStringLiteral("mark_mag"), QStringLiteral("id_mark_mag"), true, false);
    r.q.edit();
    r.f("m1").setAsFloat(8);
    r.q.post();
    EXPECT_EQ(own, 1);
    EXPECT_EQ(r.executed.size(), 1);
    r.rec.Detach();
    r.q.edit();
    r.f("m1").setAsFloat(9);
    r.q.post();
    EXPECT_EQ(own, 2);
    EXPECT_EQ(r.executed.size(), 1);
}
