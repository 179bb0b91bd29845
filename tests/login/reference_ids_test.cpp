// The identifiers and institution settings read right after login.
#include "data/reference_ids.h"
#include "data/session_state.h"
#include "data/settings_file.h"
#include "tests/fixtures/demo_fixture.h"

#include <QProgressBar>
#include <gtest/gtest.h>

using namespace qel;

namespace {

struct References {
    explicit References(const QString& name) : fx(name)
    {
        session.SessionLoginId = fx.connectAs(QStringLiteral("demo"), QStringLiteral("demo2026"));
    }
    void load()
    {
        bar.setRange(0, 14);
        loadReferenceIdentifiers(*fx.dm, session, &bar);
    }
    qint32 examId(const QString& name)
    {
        return fx.adminScalar(QStringLiteral("SELECT id_examination FROM examination WHERE p30 = ?"), {name}).toInt();
    }
    qint32 gradeId(const QString& name)
    {
        return fx.adminScalar(QStringLiteral("SELECT id_estimation FROM estimation WHERE p31 = ?"), {name}).toInt();
    }
    void setting(int row, const QVariant& value)
    {
        fx.admin(QStringLiteral("DELETE FROM VuzDefaults WHERE id_vuz_defaults = ?"), {row});
        if (!value.isNull())
            fx.admin(QStringLiteral("INSERT INTO VuzDefaults (id_vuz_defaults, id_field) VALUES (?, ?)"), {row, value});
    }

    test::DemoFixture fx;
    SessionState session;
    QProgressBar bar;
};

} // namespace

TEST(ReferenceIds, NamesAreMatchedWholeAndWithoutRegardToCase)
{
    References r(QStringLiteral("names"));
    // Upper-case grade names still match; the course project needs the Latin c.
    r.fx.admin(QStringLiteral("UPDATE estimation SET p31 = 'ХОР' WHERE p31 = 'хор'"));
    r.fx.admin(QStringLiteral("UPDATE examination SET p30 = 'Курс/пр' WHERE p30 = 'Курc/пр'")); // now Cyrillic с
    r.load();
    EXPECT_EQ(r.bar.value(), 9);
    EXPECT_EQ(r.session.GradeIds.Good, r.gradeId(QStringLiteral("ХОР")));
    EXPECT_EQ(r.session.GradeIds.NP, r.gradeId(QStringLiteral(" н/п")));
    EXPECT_EQ(r.session.GradeIds.Unsatisfactory, 11);
    EXPECT_EQ(r.session.GradeIds.NP, 25);
    EXPECT_EQ(r.session.ExamIds.CourseProject, 0);
    EXPECT_EQ(r.session.ExamIds.CourseWork, r.examId(QStringLiteral("Курс/раб")));
    EXPECT_EQ(r.session.ExamIds.Exam, r.examId(QStringLiteral("Экзамен")));
    EXPECT_NE(r.session.ExamIds.Credit, 0);
    EXPECT_TRUE(r.session.MissingGradeNames.isEmpty());
    // What stays open for the rest of the run, and what is closed.
    for (const char* name : {"ADOQ_estimation", "ADOTSemestr", "ADOT_f_est", "ADOQ_f_est1", "ADOQ_Examination",
                             "ADOQ_group", "ADOQ_g_sem", "ADOQEduc_sh", "ADOQuery1"})
        EXPECT_TRUE(r.fx.dm->dataSet(QString::fromLatin1(name)).active()) << name;
    EXPECT_FALSE(r.fx.dm->ADOQ_VuzDefaults.active());
    EXPECT_FALSE(r.fx.dm->ADOQ_Exec.active());
}

TEST(ReferenceIds, AMissingGradeGetsAnIdentifierThatMatchesNothing)
{
    References r(QStringLiteral("missing"));
    r.fx.admin(QStringLiteral("UPDATE estimation SET p31 = 'н/ат (старое)' WHERE p31 = 'н/ат'"));
    r.fx.admin(QStringLiteral("UPDATE estimation SET p31 = 'н/п' WHERE p31 = ' н/п'")); // the blank matters
    r.load();
    EXPECT_EQ(r.session.MissingGradeNames, (QStringList{QStringLiteral("н/ат"), QStringLiteral(" н/п")}));
    EXPECT_LT(r.session.GradeIds.NotAttested, 0);
    EXPECT_LT(r.session.GradeIds.NP, 0);
    EXPECT_NE(r.session.GradeIds.NotAttested, r.session.GradeIds.NP);
    EXPECT_EQ(r.fx.adminScalar(QStringLiteral("SELECT COUNT(*) FROM estimation WHERE id_estimation < 1")).toInt(), 0);
    EXPECT_GT(r.session.GradeIds.Attested, 0);
}

TEST(ReferenceIds, InstitutionSettings)
{
    struct Case { QVariant row28, row30; bool before; bool rule, flagged; };
    const Case cases[] = {
        {1, 1, false, true, true},
        {0, 0, true, false, false},
        {1, QVariant(), false, true, false},   // row 30 absent: unchanged
        {QVariant(), 1, true, true, true},     // row 28 absent: unchanged
        {2, 2, true, true, true},              // other values leave both as they were
        {2, 2, false, false, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        References r(QStringLiteral("settings%1").arg(n++));
        r.setting(28, c.row28);
        r.setting(30, c.row30);
        r.fx.dm->MinimumCheckpointRule = c.before;
        r.session.FlaggedFormsOnly = c.before;
        r.load();
        EXPECT_EQ(r.fx.dm->MinimumCheckpointRule, c.rule) << n;
        EXPECT_EQ(r.session.FlaggedFormsOnly, c.flagged) << n;
    }
}
