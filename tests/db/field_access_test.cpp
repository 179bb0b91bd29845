// Fields: names, kinds, persistent and dynamic fields, typed access and assignment.
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/os/system_info.h"
#include "tests/db/fake_driver.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace qel;
using namespace qel::db;
using qel::test::FakeServer;
using qel::test::makeResult;

namespace {

const QString kSql = QStringLiteral("select * from mark_mag");

struct FieldTest : testing::Test {
    FakeServer server;
    Connection conn;
    Query q{&conn, QStringLiteral("q")};

    void SetUp() override
    {
        conn.setDriverFactory(server.factory());
        server.results.insert(kSql, makeResult({QStringLiteral("id_mark_mag:identity"), QStringLiteral("m1:float"),
                                                QStringLiteral("p35:varchar:50"), QStringLiteral("p36:datetime"),
                                                QStringLiteral("dopusk_izm:bit"), QStringLiteral("kredits:int")},
                                               {{1, 7.5, QStringLiteral("12"), QDateTime(QDate(2024, 1, 25), QTime(0, 0)), true, 5},
                                                {2, 6.5, QVariant(), QVariant(), false, QVariant()},
                                                {3, QVariant(), QStringLiteral("abc"), QVariant(), QVariant(), 20}},
                                               QStringLiteral("mark_mag")));
        q.setSql(kSql);
    }
};

TEST_F(FieldTest, DynamicFieldsFollowTheResult)
{
    q.open();
    ASSERT_EQ(q.fieldCount(), 6);
    EXPECT_EQ(q.field(0).dataType(), FieldType::AutoInc);
    EXPECT_TRUE(q.field(0).readOnly());
    EXPECT_EQ(q.fieldByName(QStringLiteral("M1")).dataType(), FieldType::Float);
    EXPECT_EQ(q.fieldByName(QStringLiteral("p35")).size(), 50);
    EXPECT_EQ(q.fieldByName(QStringLiteral("Dopusk_Izm")).dataType(), FieldType::Boolean);
    EXPECT_EQ(q.fieldByName(QStringLiteral("p35")).baseTable(), QStringLiteral("mark_mag"));
    q.close();
    EXPECT_EQ(q.fieldCount(), 0);
}

TEST_F(FieldTest, UnknownNameIsAnError)
{
    q.open();
    EXPECT_EQ(q.findField(QStringLiteral("nope")), nullptr);
    try {
        q.fieldByName(QStringLiteral("nope"));
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("q: поле \"nope\" не найдено"));
    }
}

TEST_F(FieldTest, PersistentFieldsAreExactlyTheDeclaredOnes)
{
    q.addField(FieldSpec::integer(QStringLiteral("kredits")).max(20));
    q.addField(FieldSpec::floating(QStringLiteral("m1")));
    q.addField(FieldSpec::calculated(QStringLiteral("Calc1"), FieldType::Float));
    q.open();
    EXPECT_EQ(q.fieldCount(), 3);
    EXPECT_EQ(q.findField(QStringLiteral("p35")), nullptr);
    EXPECT_EQ(q.fieldByName(QStringLiteral("calc1")).kind(), FieldKind::Calculated);
    EXPECT_EQ(q.fieldByName(QStringLiteral("KREDITS")).asInteger(), 5);
    q.close();
    EXPECT_EQ(q.fieldCount(), 3);   // persistent fields stay

    q.addField(FieldSpec::integer(QStringLiteral("missing")));
    EXPECT_THROW(q.open(), DbError);
    EXPECT_FALSE(q.active());
}

TEST_F(FieldTest, TypedReadsOfEachRow)
{
    struct Case {
        int row;
        const char* field;
        int asInteger;
        double asFloat;
        const char* asString;
        bool isNull;
    };
    const Case cases[] = {
        {1, "m1", 8, 7.5, "7#5", false},      // ties round to even: 7.5 → 8
        {2, "m1", 6, 6.5, "6#5", false},      // 6.5 → 6
        {3, "m1", 0, 0, "", true},            // empty → 0
        {1, "p35", 12, 12, "12", false},
        {2, "p35", 0, 0, "", true},
        {1, "kredits", 5, 5, "5", false},
        {2, "kredits", 0, 0, "", true},
        {1, "dopusk_izm", 1, 1, "True", false},
    };
    q.open();
    for (const Case& c : cases) {
        q.setRecNo(c.row);
        const Field& f = q.fieldByName(QString::fromLatin1(c.field));
        SCOPED_TRACE(std::string(c.field) + " row " + std::to_string(c.row));
        EXPECT_EQ(f.asInteger(), c.asInteger);
        EXPECT_DOUBLE_EQ(f.asFloat(), c.asFloat);
        // Decimal separator of the user's locale.
        EXPECT_EQ(f.asString(), QString::fromUtf8(c.asString).replace(QLatin1Char('#'), os::uiLocale().decimalPoint()));
        EXPECT_EQ(f.isNull(), c.isNull);
    }
    q.first();
    EXPECT_TRUE(q.fieldByName(QStringLiteral("dopusk_izm")).asBoolean());
    EXPECT_EQ(q.fieldByName(QStringLiteral("p36")).asDateTime(), QDateTime(QDate(2024, 1, 25), QTime(0, 0)));
    EXPECT_EQ(q.fieldByName(QStringLiteral("p36")).asString(),
              os::uiLocale().toString(QDate(2024, 1, 25), QLocale::ShortFormat));
    q.setRecNo(3);
    EXPECT_THROW(q.fieldByName(QStringLiteral("p35")).asInteger(), DbError);   // "abc"
    EXPECT_FALSE(q.fieldByName(QStringLiteral("dopusk_izm")).asBoolean());
}

TEST_F(FieldTest, AssignmentConvertsAndChecks)
{
    q.addField(FieldSpec::autoInc(QStringLiteral("id_mark_mag")));
    q.addField(FieldSpec::floating(QStringLiteral("m1")).max(100.0));
    q.addField(FieldSpec::string(QStringLiteral("p35"), 5));
    q.addField(FieldSpec::dateTime(QStringLiteral("p36")));
    q.addField(FieldSpec::integer(QStringLiteral("kredits")).max(20));
    q.addField(FieldSpec::calculated(QStringLiteral("ball_name"), FieldType::String, 10));
    q.open();
    Field& kredits = q.fieldByName(QStringLiteral("kredits"));
    EXPECT_THROW(kredits.setAsInteger(3), DbError);   // not editing
    q.edit();

    kredits.setAsInteger(20);
    EXPECT_EQ(kredits.asInteger(), 20);
    try {
        kredits.setAsInteger(25);
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Значение 25 поля \"kredits\" вне допустимого диапазона (0..20)"));
    }
    EXPECT_EQ(kredits.asInteger(), 20);
    EXPECT_THROW(kredits.setAsInteger(-1), DbError);
    kredits.setAsString(QString());
    EXPECT_TRUE(kredits.isNull());
    kredits.setAsFloat(7.5);
    EXPECT_EQ(kredits.asInteger(), 8);
    EXPECT_THROW(kredits.setAsString(QStringLiteral("7x")), DbError);

    Field& m1 = q.fieldByName(QStringLiteral("m1"));
    m1.setAsString(QStringLiteral("18,3"));
    EXPECT_DOUBLE_EQ(m1.asFloat(), 18.3);
    m1.setAsString(QStringLiteral("18.5"));
    EXPECT_DOUBLE_EQ(m1.asFloat(), 18.5);
    EXPECT_THROW(m1.setAsFloat(100.5), DbError);

    Field& p35 = q.fieldByName(QStringLiteral("p35"));
    p35.setAsString(QStringLiteral("1234567"));
    EXPECT_EQ(p35.asString(), QStringLiteral("12345"));
    p35.setAsInteger(42);
    EXPECT_EQ(p35.asString(), QStringLiteral("42"));

    Field& p36 = q.fieldByName(QStringLiteral("p36"));
    p36.setAsString(QStringLiteral("05/02/2024"));
    EXPECT_EQ(p36.asDateTime().date(), QDate(2024, 2, 5));
    p36.setAsString(QStringLiteral("06.02.2024"));
    EXPECT_EQ(p36.asDateTime().date(), QDate(2024, 2, 6));
    EXPECT_THROW(p36.setAsString(QStringLiteral("31.02.2024")), DbError);

    EXPECT_THROW(q.fieldByName(QStringLiteral("id_mark_mag")).setAsInteger(9), DbError);   // read-only

    // A calculated text keeps at most its size: "зачет(удов)" has 11 characters.
    Field& ballName = q.fieldByName(QStringLiteral("ball_name"));
    ballName.setAsString(QStringLiteral("зачет(удов)"));
    EXPECT_EQ(ballName.asString(), QStringLiteral("зачет(удов"));
}

TEST_F(FieldTest, OldValuesAndModified)
{
    q.open();
    Field& m1 = q.fieldByName(QStringLiteral("m1"));
    EXPECT_FALSE(q.modified());
    q.edit();
    EXPECT_FALSE(q.modified());
    m1.setAsFloat(9);
    EXPECT_TRUE(q.modified());
    EXPECT_DOUBLE_EQ(m1.oldValue().toDouble(), 7.5);
    EXPECT_DOUBLE_EQ(m1.asFloat(), 9);
    q.cancel();
    EXPECT_FALSE(q.modified());
    EXPECT_DOUBLE_EQ(m1.asFloat(), 7.5);
    EXPECT_EQ(q.state(), DataSetState::Browse);
}

} // namespace

TEST_F(FieldTest, ControlCharactersAreRefusedInTexts)
{
    q.open();
    q.edit();
    Field& p35 = q.fieldByName(QStringLiteral("p35"));
    p35.setAsString(QStringLiteral("7-1"));
    // a NUL would cut a statement short on some servers; no control character is a text
    for (const QString& typed : {QStringLiteral("7") + QChar(0) + QStringLiteral("1"), QStringLiteral("7\t1"),
                                 QStringLiteral("7\r\n"), QStringLiteral("\x1b[1m"), QString(QChar(0x85))}) {
        try {
            p35.setAsString(typed);
            ADD_FAILURE() << "accepted " << typed.toStdString();
        } catch (const DbError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Поле \"p35\": текст содержит управляющий символ (код %1). "
                                                  "Допустимы только печатаемые символы.")
                                       .arg(typed.at(typed.indexOf(QRegularExpression(QStringLiteral("\\p{Cc}")))).unicode()));
        }
        EXPECT_EQ(p35.asString(), QStringLiteral("7-1"));
    }
    // printable texts of any script go in
    p35.setAsString(QStringLiteral("№ 7 «а» — ё"));
    EXPECT_EQ(p35.asString(), QStringLiteral("№ 7 «а» — ё"));
    // nor in a number typed as text
    Field& kredits = q.fieldByName(QStringLiteral("kredits"));
    EXPECT_THROW(kredits.setAsString(QStringLiteral("1") + QChar(0)), DbError);
    EXPECT_EQ(kredits.asInteger(), 5);
}
