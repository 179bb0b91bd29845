// Lookup and calculated fields: when they are computed, what they read, and that they are
// never written back.
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "tests/db/fake_driver.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::db;
using qel::test::FakeServer;
using qel::test::makeResult;

namespace {

struct CalcLookupTest : testing::Test {
    FakeServer server;
    Connection conn;
    Query sheet{&conn, QStringLiteral("ADO_SP_Sort")};
    Query grades{&conn, QStringLiteral("ADOQ_estimation")};
    Query forms{&conn, QStringLiteral("ADOT_f_est")};
    QList<int> calculated;   // id_mark_mag of each calculation

    void SetUp() override
    {
        conn.setDriverFactory(server.factory());
        server.results.insert(QStringLiteral("sheet"),
                              makeResult({QStringLiteral("id_mark_mag:identity"), QStringLiteral("id_estimation:int"),
                                          QStringLiteral("id_f_est:int"), QStringLiteral("m1:float"),
                                          QStringLiteral("m2:float")},
                                         {{1, 2, 1, 7.5, 10.0}, {2, 3, 99, 6.5, QVariant()}, {3, QVariant(), 1, 1.0, 2.0}},
                                         QStringLiteral("mark_mag")));
        server.results.insert(QStringLiteral("grades"),
                              makeResult({QStringLiteral("id_estimation:int"), QStringLiteral("p31:varchar:20")},
                                         {{2, QStringLiteral("хор")}, {3, QStringLiteral("удовлетворительно")}}));
        server.results.insert(QStringLiteral("forms"),
                              makeResult({QStringLiteral("id_f_e:int"), QStringLiteral("sessiya:int")}, {{1, 1}}));
        sheet.setSql(QStringLiteral("sheet"));
        grades.setSql(QStringLiteral("grades"));
        forms.setSql(QStringLiteral("forms"));
        sheet.addField(FieldSpec::autoInc(QStringLiteral("id_mark_mag")));
        sheet.addField(FieldSpec::integer(QStringLiteral("id_estimation")));
        sheet.addField(FieldSpec::integer(QStringLiteral("id_f_est")));
        sheet.addField(FieldSpec::lookup(QStringLiteral("estimation"), FieldType::String, 10,
                                         QStringLiteral("id_estimation"), &grades, QStringLiteral("id_estimation"),
                                         QStringLiteral("p31")));
        sheet.addField(FieldSpec::lookup(QStringLiteral("sessiya"), FieldType::Integer, 0, QStringLiteral("id_f_est"),
                                         &forms, QStringLiteral("id_f_e"), QStringLiteral("sessiya")));
        sheet.addField(FieldSpec::floating(QStringLiteral("m1")));
        sheet.addField(FieldSpec::floating(QStringLiteral("m2")));
        sheet.addField(FieldSpec::calculated(QStringLiteral("ball1"), FieldType::Float));
        sheet.addField(FieldSpec::calculated(QStringLiteral("No"), FieldType::Integer));
        sheet.onCalcFields = [this](DataSet& ds) {
            calculated << ds.fieldByName(QStringLiteral("id_mark_mag")).asInteger();
            ds.fieldByName(QStringLiteral("ball1"))
                .setAsFloat(ds.fieldByName(QStringLiteral("m1")).asInteger() + ds.fieldByName(QStringLiteral("m2")).asInteger());
            ds.fieldByName(QStringLiteral("No")).setAsInteger(ds.recNo());
        };
    }

    Field& f(const char* name) { return sheet.fieldByName(QString::fromLatin1(name)); }
};

TEST_F(CalcLookupTest, LookupsReadTheirSourceOrEmpty)
{
    sheet.open();
    EXPECT_TRUE(f("estimation").isNull());   // source closed
    EXPECT_EQ(f("sessiya").asInteger(), 0);
    grades.open();
    forms.open();
    EXPECT_EQ(f("estimation").asString(), QStringLiteral("хор"));
    EXPECT_EQ(f("sessiya").asInteger(), 1);
    sheet.next();
    EXPECT_EQ(f("estimation").asString(), QStringLiteral("удовлетвор"));   // kept to 10 characters
    EXPECT_TRUE(f("sessiya").isNull());                                   // no form 99
    EXPECT_EQ(f("sessiya").asInteger(), 0);
    sheet.next();
    EXPECT_TRUE(f("estimation").isNull());                                // null key
    grades.close();
    sheet.first();
    EXPECT_TRUE(f("estimation").isNull());
    // Rows read for a view follow the source too.
    EXPECT_TRUE(sheet.rowValue(0, f("estimation")).isNull());
    grades.open();
    EXPECT_EQ(sheet.rowValue(1, f("estimation")).toString(), QStringLiteral("удовлетвор"));
}

TEST_F(CalcLookupTest, CalculatedWhenFetchedCurrentOrChanged)
{
    sheet.open();
    EXPECT_EQ(calculated, QList<int>{1});    // only the current row on opening
    EXPECT_DOUBLE_EQ(f("ball1").asFloat(), 18);   // 7.5 enters as 8
    sheet.next();
    EXPECT_DOUBLE_EQ(f("ball1").asFloat(), 6);    // 6.5 as 6, empty as 0
    EXPECT_EQ(f("No").asInteger(), 2);
    EXPECT_EQ(calculated, (QList<int>{1, 2}));

    // A view reading another row computes it once, with that row's number.
    EXPECT_EQ(sheet.rowValue(2, f("No")).toInt(), 3);
    EXPECT_EQ(sheet.rowValue(2, f("No")).toInt(), 3);
    EXPECT_EQ(calculated, (QList<int>{1, 2, 3}));

    sheet.edit();
    f("m2").setAsFloat(4);
    EXPECT_DOUBLE_EQ(f("ball1").asFloat(), 10);
    EXPECT_DOUBLE_EQ(sheet.rowValue(1, f("ball1")).toDouble(), 10);
    f("ball1").setAsFloat(100);   // calculated fields may be set while editing
    sheet.post();
    ASSERT_EQ(server.writes().size(), 1);
    EXPECT_EQ(server.writes().front().sql,
              QStringLiteral("UPDATE [mark_mag] SET [m2] = ? WHERE [id_mark_mag] = ? AND [m2] IS NULL"));

    // Sorting renumbers the rows.
    sheet.setSort(QStringLiteral("id_mark_mag DESC"));
    EXPECT_EQ(sheet.rowValue(0, f("No")).toInt(), 1);
    EXPECT_EQ(sheet.rowValue(0, f("id_mark_mag")).toInt(), 3);
}

TEST_F(CalcLookupTest, CalculatedFieldsAreClearedBeforeEachCalculation)
{
    sheet.onCalcFields = [this](DataSet& ds) {
        if (ds.fieldByName(QStringLiteral("id_mark_mag")).asInteger() == 1)
            ds.fieldByName(QStringLiteral("ball1")).setAsFloat(5);
    };
    sheet.open();
    EXPECT_DOUBLE_EQ(f("ball1").asFloat(), 5);
    sheet.next();
    EXPECT_TRUE(f("ball1").isNull());
    sheet.first();
    EXPECT_THROW(sheet.onCalcFields(sheet), DbError);   // outside a calculation: not editing
}

TEST_F(CalcLookupTest, ChangingTheSourceUpdatesDependents)
{
    grades.addUpdateTable(QStringLiteral("estimation"), QStringLiteral("id_estimation"));
    grades.open();
    sheet.open();
    EXPECT_EQ(sheet.rowValue(0, f("estimation")).toString(), QStringLiteral("хор"));
    grades.first();
    grades.edit();
    grades.fieldByName(QStringLiteral("p31")).setAsString(QStringLiteral("хорошо"));
    grades.post();
    EXPECT_EQ(sheet.rowValue(0, f("estimation")).toString(), QStringLiteral("хорошо"));
    EXPECT_EQ(f("estimation").asString(), QStringLiteral("хорошо"));

    // Assigning a lookup field sets its key from the source.
    sheet.edit();
    f("estimation").setAsString(QStringLiteral("удовлетворительно"));
    EXPECT_EQ(f("id_estimation").asInteger(), 3);
    EXPECT_THROW(f("estimation").setAsString(QStringLiteral("нет такой")), DbError);
    sheet.cancel();
}

TEST_F(CalcLookupTest, AFailingCalculationIsRaisedForTheCurrentRow)
{
    sheet.onCalcFields = [](DataSet& ds) {
        if (ds.fieldByName(QStringLiteral("id_mark_mag")).asInteger() == 2)
            throw DbError(QStringLiteral("Ошибка в формуле"));
    };
    sheet.open();
    EXPECT_THROW(sheet.next(), DbError);
    EXPECT_EQ(sheet.recNo(), 2);
    EXPECT_TRUE(sheet.rowValue(1, f("ball1")).isNull());   // a view gets empty values, no exception
}

} // namespace
