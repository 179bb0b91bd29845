// Text comparison as the university's server does it: letter case ignored (Cyrillic
// included), trailing blanks ignored, leading blanks significant; LIKE with its patterns.
#include "server/sql_functions.h"
#include "tests/server/fixture.h"

#include <gtest/gtest.h>

using namespace qel;

TEST(Collation, ComparesWithoutCaseAndTrailingBlanks)
{
    struct Case {
        QString a, b;
        int sign;
    };
    const QList<Case> cases = {
        {QStringLiteral("а"), QStringLiteral("А"), 0},
        {QStringLiteral("ё"), QStringLiteral("Ё"), 0},
        {QStringLiteral("Иванов"), QStringLiteral("иВАНОВ"), 0},
        {QStringLiteral("abc  "), QStringLiteral("ABC"), 0},
        {QString(), QStringLiteral("   "), 0},
        {QStringLiteral(" н/п"), QStringLiteral("н/п"), -1},       // leading blank is significant
        {QStringLiteral("Курc/пр"), QStringLiteral("Курс/пр"), -1}, // Latin c is another letter
        {QStringLiteral("е"), QStringLiteral("ё"), -1},             // ё right after е, before ж
        {QStringLiteral("ё"), QStringLiteral("ж"), -1},
        {QStringLiteral("Ёлкин"), QStringLiteral("Ершов"), 1},
        {QStringLiteral("Я"), QStringLiteral("а"), 1},
        {QStringLiteral("Z"), QStringLiteral("a"), 1},
        {QStringLiteral("abc"), QStringLiteral("abcd"), -1},
        {QStringLiteral("abc "), QStringLiteral("abcd"), -1},
    };
    for (const Case& c : cases) {
        const int r = server::compareTexts(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a.toStdString() << " vs " << c.b.toStdString();
        const int back = server::compareTexts(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b.toStdString() << " vs " << c.a.toStdString();
    }
}

TEST(Collation, LikePatterns)
{
    struct Case {
        QString pattern, value;
        bool match;
        QChar escape = QChar();
    };
    const QList<Case> cases = {
        {QStringLiteral("%вед%"), QStringLiteral("Ведомость"), true},
        {QStringLiteral("вед"), QStringLiteral("Ведомость"), false},
        {QStringLiteral("_ат"), QStringLiteral("зАт"), true},
        {QStringLiteral("[а-в]%"), QStringLiteral("Борисов"), true},
        {QStringLiteral("[^а]%"), QStringLiteral("Анна"), false},
        {QStringLiteral("[^а]%"), QStringLiteral("Борис"), true},
        {QStringLiteral("10!%"), QStringLiteral("10%"), true, QLatin1Char('!')},
        {QStringLiteral("10!%"), QStringLiteral("100"), false, QLatin1Char('!')},
        {QStringLiteral("abc"), QStringLiteral("abc   "), true},  // trailing blanks of the value are ignored
        {QStringLiteral("abc "), QStringLiteral("abc"), false},   // ... those of the pattern are not
        {QStringLiteral(" н/п"), QStringLiteral("н/п"), false},
        {QStringLiteral("%"), QString(), true},
        {QStringLiteral("a%b%c"), QStringLiteral("aXXbYYc"), true},
        {QStringLiteral("a%b%c"), QStringLiteral("aXXbYY"), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(server::likeMatch(c.pattern, c.value, c.escape), c.match)
            << c.pattern.toStdString() << " LIKE " << c.value.toStdString();
}

TEST(Collation, StatementsCompareGroupSortAndUniteTexts)
{
    test::ServerFixture fixture(QStringLiteral("collation-sql"));
    auto s = fixture.teacher();
    fixture.admin()->execute(QStringLiteral("INSERT INTO t_fio (id_teacher, t_fio, s_t_fio) VALUES (10, 'ёлкина', 'x'), (11, 'ЁЛКИНА  ', 'x'), "
                              "(12, ' Ёлкина', 'x'), (13, 'Ершова', 'x'), (14, 'ежов', 'x'), (15, 'Жуков', 'x')"));
    auto count = [&](const QString& where) {
        return s->execute(QStringLiteral("SELECT COUNT(*) FROM t_fio WHERE id_teacher >= 10 AND ") + where)
            .resultSets.first().rows.first().first().toInt();
    };
    EXPECT_EQ(count(QStringLiteral("t_fio = 'Ёлкина'")), 2);
    EXPECT_EQ(count(QStringLiteral("t_fio <> 'ЁЛКИНА'")), 4);
    EXPECT_EQ(count(QStringLiteral("t_fio IN ('ЕЖОВ', 'жуков  ')")), 2);
    EXPECT_EQ(count(QStringLiteral("t_fio LIKE 'ё%'")), 2);
    EXPECT_EQ(s->execute(QStringLiteral("SELECT COUNT(*) FROM t_fio WHERE t_fio = ?"), {QStringLiteral("ежОВ ")})
                  .resultSets.first().rows.first().first(),
              QVariant(1));
    EXPECT_EQ(s->execute(QStringLiteral("SELECT CASE WHEN 'а' = 'А  ' THEN 1 ELSE 0 END")).resultSets.first().rows.first().first(),
              QVariant(1));

    const auto groups = s->execute(QStringLiteral("SELECT t_fio, COUNT(*) AS n FROM t_fio WHERE id_teacher >= 10 GROUP BY t_fio ORDER BY t_fio"));
    QStringList order;
    for (const wire::Row& r : groups.resultSets.first().rows)
        order << QStringLiteral("%1:%2").arg(r[0].toString().trimmed().toLower()).arg(r[1].toInt());
    // leading blank first; е before ё before ж; the two spellings of one name grouped
    EXPECT_EQ(order, (QStringList{QStringLiteral("ёлкина:1"), QStringLiteral("ежов:1"), QStringLiteral("ершова:1"),
                                  QStringLiteral("ёлкина:2"), QStringLiteral("жуков:1")}));
    EXPECT_EQ(s->execute(QStringLiteral("SELECT DISTINCT t_fio FROM t_fio WHERE id_teacher IN (10, 11)")).resultSets.first().rows.size(), 1);
    EXPECT_EQ(s->execute(QStringLiteral("SELECT 'ЁЛКИНА' AS x UNION SELECT t_fio FROM t_fio WHERE id_teacher = 10"))
                  .resultSets.first().rows.size(),
              1);
    // the grade " н/п" is found only with its leading blank
    EXPECT_EQ(s->execute(QStringLiteral("SELECT id_estimation FROM estimation WHERE p31 = ' Н/П'")).resultSets.first().rows.first().first(),
              QVariant(25));
    EXPECT_TRUE(s->execute(QStringLiteral("SELECT id_estimation FROM estimation WHERE p31 = 'н/п'")).resultSets.first().rows.isEmpty());
}
