#include "report/standalone_sheet.h"

#include "data/dm_cde_3.h"
#include "data/mark_record.h"
#include "data/reference_ids.h"
#include "platform/db/sql_literal.h"
#include "platform/db/value_convert.h"
#include "platform/os/errors.h"
#include "rules/grade_scale.h"

namespace qel::report {

namespace {

QString num(qint32 v) { return QString::number(v); }

// The integers of one column of an open dataset, in its order.
QList<qint32> columnValues(db::DataSet& ds, const QString& field)
{
    QList<qint32> out;
    const db::Field& f = ds.fieldByName(field);
    for (int r = 0, n = ds.recordCount(); r < n; ++r)
        out << qint32(db::convert::toInteger(ds.rowValue(r, f)));
    return out;
}

QString listText(const QList<qint32>& values)
{
    QStringList out;
    for (qint32 v : values)
        out << QString::number(v);
    return out.join(QStringLiteral(", "));
}

} // namespace

StandaloneSheet::StandaloneSheet(data::TDM_CDE_3& dm) : dm_(dm)
{
    loadReferenceIdentifiers(dm_, session_, nullptr);
}

StandaloneSheet::~StandaloneSheet() { rules::unregisterSheetWindow(this); }

void StandaloneSheet::open(const SheetSelection& wanted)
{
    selection_ = wanted;
    open_ = false;
    rules::registerSheetWindow(this);
    SheetSelection& s = selection_;
    const QString group = num(s.group), semester = num(s.semester), discipline = num(s.discipline),
                  form = num(s.examination);

    // The group, its students and teachers, as the cascade's first three steps load them.
    dm_.ADOQ_g_s.close();
    dm_.ADOQ_g_s.setSql(QStringLiteral("Select * from g_s where id_group=") + group);
    dm_.ADOQ_g_s.open();
    if (dm_.ADOQ_g_s.isEmpty())
        throw Error(QStringLiteral("Группы %1 нет в базе данных.").arg(group));
    dm_.ADOQ_s_fio.close();
    dm_.ADOQ_s_fio.setSql(QStringLiteral("Select id_student, s_fio, idid from s_g where id_group=") + group
                          + QStringLiteral(" GROUP BY dbo.s_g.id_student, dbo.s_g.s_fio, idid"));
    dm_.ADOQ_s_fio.open();
    dm_.ADOQ_s_fio.setSort(QStringLiteral("s_fio"));

    db::Query& disciplines = dm_.ADOQ_Discipline;
    disciplines.close();
    disciplines.setSql(QStringLiteral(" SELECT id_group,  id_semester, p34, id_discipline, Kredits, (id_discipline*10+Kredits) "
                                      "as id  FROM gr_sem_disc_exam WHERE  id_semester=")
                       + semester + QStringLiteral(" and id_group=") + group
                       + QStringLiteral(" GROUP BY id_group, id_semester, p34, id_discipline, Kredits "));
    disciplines.open();
    disciplines.setSort(QStringLiteral("p34"));
    QList<qint32> credits;
    const QList<qint32> ids = columnValues(disciplines, QStringLiteral("id_discipline"));
    const QList<qint32> allCredits = columnValues(disciplines, QStringLiteral("Kredits"));
    for (int i = 0; i < ids.size(); ++i)
        if (ids[i] == s.discipline)
            credits << allCredits[i];
    if (credits.isEmpty())
        throw Error(QStringLiteral("У группы %1 в семестре %2 нет дисциплины %3 (по учебному плану).")
                        .arg(group, semester, discipline));
    if (!s.credits) {
        if (credits.size() > 1)
            throw Error(QStringLiteral("Дисциплина %1 читается группе %2 в семестре %3 с разным числом кредитов (%4): "
                                       "укажите число кредитов.")
                            .arg(discipline, group, semester, listText(credits)));
        s.credits = credits.first();
    } else if (!credits.contains(*s.credits)) {
        throw Error(QStringLiteral("Дисциплина %1 не читается группе %2 в семестре %3 с числом кредитов %4; есть: %5.")
                        .arg(discipline, group, semester, num(*s.credits), listText(credits)));
    }
    disciplines.locate(QStringLiteral("id"), qint64(s.discipline) * 10 + *s.credits);
    const QString kredits = num(*s.credits);

    dm_.ADOQ_t_fio.close();
    dm_.ADOQ_t_fio.setSql(
        QStringLiteral(" SELECT 1 as id_teacher,") + db::sqlLiteral(QStringLiteral("  Зав. кафедрой  ")) + QStringLiteral(" as t_fio,")
        + db::sqlLiteral(QStringLiteral("  Зав. кафедрой ..")) + QStringLiteral(" as s_t_fio") + QStringLiteral(" UNION ")
        + QStringLiteral(" SELECT DISTINCT  dbo.t_fio.* ")
        + QStringLiteral(" FROM         dbo.t_fio INNER JOIN dbo.RRNKkrdt ON dbo.t_fio.id_teacher = dbo.RRNKkrdt.id_teacher ")
        + QStringLiteral(" WHERE     (dbo.RRNKkrdt.id_discipline =") + discipline + QStringLiteral(")") + QStringLiteral(" UNION ")
        + QStringLiteral(" SELECT DISTINCT dbo.t_fio.* ")
        + QStringLiteral(" FROM         dbo.t_fio INNER JOIN   dbo.RRNK ON dbo.t_fio.id_teacher = dbo.RRNK.id_teacher INNER JOIN ")
        + QStringLiteral(" dbo.educ_sh ON dbo.RRNK.id_educ_sh = dbo.educ_sh.id_educ_sh ")
        + QStringLiteral(" WHERE     (dbo.educ_sh.id_discipline = ") + discipline + QStringLiteral(") order by t_fio "));
    dm_.ADOQ_t_fio.open();

    dm_.ADOQ_Vremennyi.close();
    dm_.ADOQ_Vremennyi.setSql(QStringLiteral("select id_examination, p30 from gr_sem_disc_exam  where id_discipline=") + discipline
                              + QStringLiteral(" and id_semester=") + semester + QStringLiteral(" and id_group=") + group
                              + QStringLiteral(" and Kredits=") + kredits + QStringLiteral(" GROUP BY id_examination, p30"));
    dm_.ADOQ_Vremennyi.open();
    const QList<qint32> forms = columnValues(dm_.ADOQ_Vremennyi, QStringLiteral("id_examination"));
    if (!forms.contains(s.examination))
        throw Error(QStringLiteral("Форма контроля %1 не предусмотрена для дисциплины %2 группы %3 в семестре %4; есть: %5.")
                        .arg(form, discipline, group, semester, listText(forms)));

    // The scale variants offered; one is taken as the window takes it.
    dm_.ADOQ_ebe.close();
    dm_.ADOQ_ebe.setSql(QStringLiteral("EXEC SP_RRNK_ebe_var  @id_discipline = ") + discipline
                        + QStringLiteral(",@id_examination = ") + form + QStringLiteral(",@id_group =       ") + group
                        + QStringLiteral(",@id_semester =    ") + semester);
    dm_.ADOQ_ebe.open();
    const QList<qint32> variants = columnValues(dm_.ADOQ_ebe, QStringLiteral("id_ebe_var"));
    if (!s.variant) {
        if (variants.isEmpty())
            throw Error(QStringLiteral("Для этой ведомости не задана шкала оценок."));
        if (variants.size() > 1)
            throw Error(QStringLiteral("Для этой ведомости есть несколько шкал оценок (%1): укажите шкалу.")
                            .arg(listText(variants)));
        s.variant = variants.first();
    } else if (!variants.contains(*s.variant)) {
        throw Error(QStringLiteral("Шкала оценок %1 не предусмотрена для этой ведомости; есть: %2.")
                        .arg(num(*s.variant), variants.isEmpty() ? QStringLiteral("нет") : listText(variants)));
    }
    const QString variant = num(*s.variant), statementForm = num(s.statementForm);

    dm_.ADOQ_estimation.close();
    dm_.ADOQ_estimation.setSql(QStringLiteral("Select * from est2 where id_examination=") + form);
    dm_.ADOQ_estimation.open();

    dm_.ADOQ_est_config.close();
    dm_.ADOQ_est_config.setSql(QStringLiteral("SELECT * FROM TF_GetEstConfig(") + variant + QStringLiteral(",")
                               + statementForm + QStringLiteral(")"));
    dm_.ADOQ_est_config.open();
    dm_.ADOQ_est_config.setSort(QStringLiteral("order_pole"));

    rules::LoadGradeScale(dm_, *this);

    using namespace data;
    db::StoredProc& sheet = dm_.ADO_SP_Sort;
    sheet.close();
    db::Parameters& p = sheet.parameters();
    p[MarkSheetGroup].setValue(s.group);
    p[MarkSheetSemester].setValue(s.semester);
    p[MarkSheetDiscipline].setValue(s.discipline);
    p[MarkSheetExamination].setValue(s.examination);
    p[MarkSheetTeacher].setValue(1);   // the window's teacher once a discipline is chosen
    p[MarkSheetDoNotShowEst].setValue(QStringLiteral("1=1"));
    p[MarkSheetSubgroup].setValue(QStringLiteral("0"));
    p[MarkSheetIsGetFromSubGroup].setValue(QStringLiteral("0"));
    p[MarkSheetAcademicYear].setValue(QStringLiteral("0"));
    p[MarkSheetEbeVar].setValue(*s.variant);
    p[MarkSheetFormOfStatement].setValue(s.statementForm);
    p[MarkSheetKredits].setValue(*s.credits);
    open_ = true;
    sheet.open();
}

QVariant StandaloneSheet::groupKey() const { return selection_.group; }
QVariant StandaloneSheet::semesterKey() const { return selection_.semester; }
QVariant StandaloneSheet::disciplineKey() const
{
    return selection_.credits ? QVariant(qint64(selection_.discipline) * 10 + *selection_.credits) : QVariant();
}
QVariant StandaloneSheet::examinationKey() const { return selection_.examination; }
QVariant StandaloneSheet::scaleVariantKey() const
{
    return selection_.variant ? QVariant(*selection_.variant) : QVariant();
}
QVariant StandaloneSheet::statementFormKey() const { return selection_.statementForm; }

db::DataSet* StandaloneSheet::sheetGridDataSet() const { return open_ ? &dm_.ADO_SP_Sort : nullptr; }

} // namespace qel::report
