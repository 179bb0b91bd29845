// The demo database: the fixed identifiers and names the client looks up, the demo users,
// and a sheet with students for every group, semester and discipline of the curriculum.
#include "server/server.h"
#include "tests/server/fixture.h"
#include "tests/support/modal.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace qel;
using qel::test::digestOf;
using qel::test::unshift;

namespace {

class Demo : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        path_ = new QString(test::freshTempDir(QStringLiteral("demo")) + QStringLiteral("/QEL.sqlite"));
        server::createDatabase(*path_, true);
    }
    static void TearDownTestSuite() { delete path_; }

    static wire::Row getUser(server::Session& start, const QString& login, const QString& password)
    {
        return start
            .execute(QStringLiteral("EXEC GET_USER '%1','%2',NULL, 'QEL 13', '127.0.0.1', 'pc', '%1','0','4'")
                         .arg(login, digestOf(password)))
            .resultSets.first()
            .rows.first();
    }

    static std::unique_ptr<server::Session> login(const QString& user, const QString& password)
    {
        server::Session start(*path_, QStringLiteral("qel_start"), QStringLiteral("qel13start"));
        const wire::Row r = getUser(start, user, password);
        auto s = std::make_unique<server::Session>(*path_, unshift(r[0].toString()), unshift(r[1].toString()));
        s->execute(QStringLiteral("SET DATEFORMAT dmy"));
        return s;
    }

    static QString* path_;
};

QString* Demo::path_ = nullptr;

} // namespace

TEST_F(Demo, HoldsEveryNameAndIdentifierTheClientLooksUp)
{
    auto s = login(QStringLiteral("demo"), QStringLiteral("demo2026"));
    auto idOf = [&](const QString& table, const QString& column, const QString& key, const QString& name) {
        const auto r = s->execute(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(key, table, column), {name});
        return r.resultSets.first().rows.size() == 1 ? r.resultSets.first().rows.first().first().toInt() : 0;
    };
    for (const char* name : {"Экзамен", "Итог/оценка", "Контр/раб", "Зачет", "Курc/пр", "Курс/раб", "Диф/зачет", "Аттестация"})
        EXPECT_GT(idOf(QStringLiteral("examination"), QStringLiteral("p30"), QStringLiteral("id_examination"), QString::fromUtf8(name)), 0)
            << name;
    // "Курc/пр" with the Latin c and "Курс/раб" with the Cyrillic one are different rows
    EXPECT_NE(idOf(QStringLiteral("examination"), QStringLiteral("p30"), QStringLiteral("id_examination"), QStringLiteral("Курc/пр")),
              idOf(QStringLiteral("examination"), QStringLiteral("p30"), QStringLiteral("id_examination"), QStringLiteral("Курс/пр")));
    for (const char* name : {"н/у", "зачет", "удов", "хор", "отл", "н/ат", "ат", "н/я", " н/п", "-", "н/з"})
        EXPECT_GT(idOf(QStringLiteral("estimation"), QStringLiteral("p31"), QStringLiteral("id_estimation"), QString::fromUtf8(name)), 0)
            << name;
    EXPECT_EQ(idOf(QStringLiteral("estimation"), QStringLiteral("p31"), QStringLiteral("id_estimation"), QStringLiteral(" н/п")), 25);
    EXPECT_EQ(idOf(QStringLiteral("estimation"), QStringLiteral("p31"), QStringLiteral("id_estimation"), QStringLiteral("н/у")), 11);
    const auto grades = s->execute(QStringLiteral("SELECT COUNT(*) FROM estimation WHERE id_estimation IN (8, 9, 10, 11, 16)"));
    EXPECT_EQ(grades.resultSets.first().rows.first().first(), QVariant(5));
    const auto forms = s->execute(QStringLiteral("SELECT id_f_e, QEL13 FROM f_est WHERE id_f_e IN (1, 4, 7) ORDER BY id_f_e"));
    EXPECT_EQ(forms.resultSets.first().rows.size(), 3);
    const auto settings = s->execute(QStringLiteral("SELECT id_vuz_defaults FROM VuzDefaults WHERE id_vuz_defaults IN (28, 29, 30, 46)"));
    EXPECT_EQ(settings.resultSets.first().rows.size(), 4);
    const auto extramural = s->execute(QStringLiteral("SELECT COUNT(*) FROM g_s WHERE o_z_d = 1"));
    EXPECT_EQ(extramural.resultSets.first().rows.first().first(), QVariant(1));
    const auto twoCredits = s->execute(QStringLiteral(
        "SELECT id_group, id_semester, id_discipline FROM gr_sem_disc_exam GROUP BY id_group, id_semester, id_discipline "
        "HAVING COUNT(DISTINCT Kredits) > 1"));
    EXPECT_FALSE(twoCredits.resultSets.first().rows.isEmpty());
    const auto photos = s->execute(QStringLiteral("SELECT photo FROM StudentPhoto"));
    ASSERT_GE(photos.resultSets.first().rows.size(), 3);
    for (const wire::Row& r : photos.resultSets.first().rows)
        EXPECT_TRUE(r[0].toByteArray().startsWith("\xFF\xD8\xFF"));
    const auto special = s->execute(QStringLiteral("SELECT COUNT(DISTINCT id_ebe_var) FROM EstimationOther"));
    EXPECT_EQ(special.resultSets.first().rows.first().first(), QVariant(1));
}

TEST_F(Demo, FormulasHaveNoBlanksAndVariantsHaveIntervals)
{
    auto s = login(QStringLiteral("demo"), QStringLiteral("demo2026"));
    const auto formulas = s->execute(QStringLiteral("SELECT formula, pole_mark_mag FROM est_config WHERE formula IS NOT NULL"));
    ASSERT_FALSE(formulas.resultSets.first().rows.isEmpty());
    bool extraColumn = false;
    for (const wire::Row& r : formulas.resultSets.first().rows) {
        EXPECT_FALSE(r[0].toString().contains(QLatin1Char(' '))) << r[0].toString().toStdString();
        extraColumn = extraColumn || r[1].toString().isEmpty();
    }
    EXPECT_TRUE(extraColumn);
    for (int variant : {1, 2, 3, 4}) {
        const auto scale = s->execute(QStringLiteral("SELECT COUNT(*) FROM ebe WHERE id_ebe_var = ? AND beg_bal < end_bal"), {variant});
        EXPECT_GE(scale.resultSets.first().rows.first().first().toInt(), 2) << variant;
    }
    EXPECT_EQ(s->execute(QStringLiteral("SELECT * FROM TF_GetEstConfig(3,1)")).resultSets.first().rows.size(), 3);
    EXPECT_EQ(s->execute(QStringLiteral("SELECT * FROM TF_GetEstConfig(1,7)")).resultSets.first().rows.size(), 6);
}

TEST_F(Demo, UsersLogInAsDocumented)
{
    server::Session start(*path_, QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    const wire::Row demo = getUser(start, QStringLiteral("demo"), QStringLiteral("demo2026"));
    EXPECT_GE(demo[3].toInt(), 20);
    EXPECT_EQ(demo[5], QVariant(27));
    const wire::Row novice = getUser(start, QStringLiteral("novice"), QStringLiteral("novice2026"));
    EXPECT_LT(novice[3].toInt(), 0);
    EXPECT_EQ(novice[0], QVariant(QString()));
    const wire::Row soon = getUser(start, QStringLiteral("soon"), QStringLiteral("soon2026"));
    EXPECT_GE(soon[3].toInt(), 0);
    EXPECT_LT(soon[3].toInt(), 20);
    const wire::Row viewer = getUser(start, QStringLiteral("viewer"), QStringLiteral("viewer2026"));
    EXPECT_GE(viewer[3].toInt(), 20);

    auto v = login(QStringLiteral("viewer"), QStringLiteral("viewer2026"));
    EXPECT_TRUE(v->execute(QStringLiteral("SELECT * FROM User_f_est WHERE id_login = ?"), {viewer[2]}).resultSets.first().rows.isEmpty());
    auto d = login(QStringLiteral("demo"), QStringLiteral("demo2026"));
    const auto rights = d->execute(QStringLiteral("SELECT id_f_est FROM User_f_est WHERE id_login = ? ORDER BY id_f_est"), {demo[2]});
    EXPECT_EQ(rights.resultSets.first().rows, (QList<wire::Row>{{1}, {4}, {7}}));
    EXPECT_EQ(d->execute(QStringLiteral("SELECT [canChangeDopusk] FROM [QEL].[dbo].[QEL_User] where QEL_login='demo'"))
                  .resultSets.first().rows.first().first(),
              QVariant(true));
}

TEST_F(Demo, EverySheetOfTheCurriculumHasSeveralStudents)
{
    auto s = login(QStringLiteral("demo"), QStringLiteral("demo2026"));
    const auto sheets = s->execute(QStringLiteral(
        "SELECT id_group, id_semester, id_discipline, Kredits, id_examination FROM gr_sem_disc_exam "
        "GROUP BY id_group, id_semester, id_discipline, Kredits, id_examination"));
    ASSERT_GE(sheets.resultSets.first().rows.size(), 20);
    for (const wire::Row& sheet : sheets.resultSets.first().rows) {
        const QString where = QStringLiteral("group %1 semester %2 discipline %3 credits %4 exam %5")
                                  .arg(sheet[0].toInt()).arg(sheet[1].toInt()).arg(sheet[2].toInt()).arg(sheet[3].toInt())
                                  .arg(sheet[4].toInt());
        SCOPED_TRACE(where.toStdString());
        // as the main window opens a sheet: variants, preparation, then the sheet itself
        const auto variants = s->execute(QStringLiteral("EXEC SP_RRNK_ebe_var  @id_discipline = %1,@id_examination = %2,@id_group = %3,@id_semester = %4")
                                             .arg(sheet[2].toInt()).arg(sheet[4].toInt()).arg(sheet[0].toInt()).arg(sheet[1].toInt()));
        ASSERT_FALSE(variants.resultSets.first().rows.isEmpty());
        const int variant = variants.resultSets.first().rows.first().first().toInt();
        s->execute(QStringLiteral("EXEC InsertInto_SORT_MARK_MAG %1,%2,%3,%4,1,1,0,0,0,1,%5,%6")
                       .arg(sheet[0].toInt()).arg(sheet[1].toInt()).arg(sheet[2].toInt()).arg(sheet[4].toInt()).arg(variant)
                       .arg(sheet[3].toInt()));
        const auto rows = s->execute(QStringLiteral("EXEC SORT_MARK_MAG %1,%2,%3,%4,1,'1=1',0,0,0,%5,-1,1,%6")
                                         .arg(sheet[0].toInt()).arg(sheet[1].toInt()).arg(sheet[2].toInt()).arg(sheet[4].toInt())
                                         .arg(variant).arg(sheet[3].toInt()));
        EXPECT_GE(rows.resultSets.first().rows.size(), 5);
        const auto config = s->execute(QStringLiteral("SELECT * FROM TF_GetEstConfig(%1,1)").arg(variant));
        EXPECT_FALSE(config.resultSets.first().rows.isEmpty());
    }
}
