#include "data/reference_ids.h"

#include "data/dm_cde_3.h"
#include "data/session_state.h"
#include "platform/ui/repaint.h"

#include <QProgressBar>

namespace qel {
namespace {

void stepBar(QProgressBar* bar)
{
    if (bar)
        bar->setValue(qMax(bar->value(), bar->minimum()) + 1);
    ui::repaintNow();
}

// VuzDefaults' id_field: 1 switches a setting on, 0 off, anything else leaves it.
void applySetting(db::DataSet& settings, int row, bool& setting)
{
    if (!settings.locate(QStringLiteral("id_vuz_defaults"), row))
        return;
    const int value = settings.fieldByName(QStringLiteral("id_field")).asInteger();
    if (value == 1)
        setting = true;
    else if (value == 0)
        setting = false;
}

struct NamedId {
    const char* name;
    qint32 TExamIds::*exam;
    qint32 TGradeIds::*grade;
};

} // namespace

qint32 missingGradeId(int gradeIndex) { return -1 - gradeIndex; }

void loadReferenceIdentifiers(data::TDM_CDE_3& dm, SessionState& s, QProgressBar* bar)
{
    if (bar)
        bar->setVisible(true);
    if (!dm.ADO_CDE.connected())
        dm.ADO_CDE.open();
    stepBar(bar);

    dm.ADOQ_estimation.open();
    stepBar(bar);
    dm.ADOTSemestr.open();
    stepBar(bar);

    dm.ADOT_f_est.open();
    dm.ADOQ_f_est1.setSql(
        QStringLiteral("SELECT     dbo.f_est.id_f_e, dbo.f_est.p109 FROM         dbo.User_f_est INNER JOIN dbo.f_est ON "
                       "dbo.User_f_est.id_f_est = dbo.f_est.id_f_e WHERE     (dbo.User_f_est.id_login = ")
        + QString::number(s.SessionLoginId) + QStringLiteral(")"));
    dm.ADOQ_f_est1.open();
    stepBar(bar);

    dm.ADOQ_Examination.open();
    stepBar(bar);

    dm.ADOQ_group.setSql(
        QStringLiteral("SELECT id_group, p20, qel.dbo.group_form.id_f_educ, dbo.group_form.o_z FROM qel.dbo.group_form "
                       "Inner Join qel.dbo.User_f_educ on qel.dbo.group_form.id_login=qel.dbo.User_f_educ.id_login and "
                       "qel.dbo.User_f_educ.id_f_educ=qel.dbo.group_form.id_f_educ where qel.dbo.group_form.id_login =")
        + QString::number(s.SessionLoginId)
        + QStringLiteral(" GROUP BY id_group, p20,  qel.dbo.group_form.id_f_educ, dbo.group_form.o_z"));
    dm.ADOQ_group.open();

    dm.ADOQ_VuzDefaults.setSql(QStringLiteral(
        " SELECT [id_vuz_defaults],[id_field] FROM [QEL].[dbo].[VuzDefaults] WHERE id_vuz_defaults IN (28,29,30)"));
    dm.ADOQ_VuzDefaults.open();
    applySetting(dm.ADOQ_VuzDefaults, 28, dm.MinimumCheckpointRule);
    applySetting(dm.ADOQ_VuzDefaults, 30, s.FlaggedFormsOnly);
    dm.ADOQ_VuzDefaults.close();
    stepBar(bar);

    dm.ADOQ_g_sem.open();
    stepBar(bar);
    if (bar) {
        bar->setStyleSheet(QStringLiteral("QProgressBar::chunk { background-color: rgb(255, 0, 0); }"));
        ui::repaintNow();
    }

    dm.ADOQEduc_sh.open();
    stepBar(bar);
    dm.ADOQuery1.open();
    stepBar(bar);

    static const NamedId exams[] = {
        {"Экзамен", &TExamIds::Exam, nullptr},           {"Итог/оценка", &TExamIds::FinalGrade, nullptr},
        {"Контр/раб", &TExamIds::ControlWork, nullptr},  {"Зачет", &TExamIds::Credit, nullptr},
        {"Курc/пр", &TExamIds::CourseProject, nullptr},  {"Курс/раб", &TExamIds::CourseWork, nullptr},
        {"Диф/зачет", &TExamIds::DiffCredit, nullptr},   {"Аттестация", &TExamIds::Attestation, nullptr},
    };
    const db::LocateOptions anyCase{true, false};
    dm.ADOQ_Exam->open();
    for (const auto& e : exams)
        if (dm.ADOQ_Exam->locate(QStringLiteral("p30"), QString::fromUtf8(e.name), anyCase))
            s.ExamIds.*e.exam = dm.ADOQ_Exam->fieldByName(QStringLiteral("id_examination")).asInteger();
    dm.ADOQ_Exam->close();

    // A grade the table lacks gets an identifier that matches nothing stored, never the
    // identifier of the row the lookup happened to stand on.
    static const NamedId grades[] = {
        {"н/у", nullptr, &TGradeIds::Unsatisfactory}, {"зачет", nullptr, &TGradeIds::Credited},
        {"удов", nullptr, &TGradeIds::Satisfactory},  {"хор", nullptr, &TGradeIds::Good},
        {"отл", nullptr, &TGradeIds::Excellent},      {"н/ат", nullptr, &TGradeIds::NotAttested},
        {"ат", nullptr, &TGradeIds::Attested},        {"н/я", nullptr, &TGradeIds::Absent},
        {" н/п", nullptr, &TGradeIds::NP},            {"-", nullptr, &TGradeIds::Dash},
        {"н/з", nullptr, &TGradeIds::NotCredited},
    };
    s.MissingGradeNames.clear();
    dm.ADOQ_Estim->open();
    int index = 0;
    for (const auto& g : grades) {
        const QString name = QString::fromUtf8(g.name);
        if (dm.ADOQ_Estim->locate(QStringLiteral("p31"), name, anyCase)) {
            s.GradeIds.*g.grade = dm.ADOQ_Estim->fieldByName(QStringLiteral("id_estimation")).asInteger();
        } else {
            s.GradeIds.*g.grade = missingGradeId(index);
            s.MissingGradeNames << name;
        }
        ++index;
    }

    dm.ADOQ_Exec.close();
    dm.ADOQ_Estim->close();
}

} // namespace qel
