#include "report/standalone_sheet.h"

#include "data/dm_cde_3.h"
#include "data/sheet_statements.h"
#include "data/reference_ids.h"
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
    dm_.ADOQ_g_s.reopen(data::groupAttributesSql(group));
    if (dm_.ADOQ_g_s.isEmpty())
        throw Error(QStringLiteral("Группы %1 нет в базе данных.").arg(group));
    dm_.ADOQ_s_fio.reopen(data::groupStudentsSql(group));
    dm_.ADOQ_s_fio.setSort(QStringLiteral("s_fio"));

    db::Query& disciplines = dm_.ADOQ_Discipline;
    disciplines.reopen(data::groupDisciplinesSql(group, semester));
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

    dm_.ADOQ_t_fio.reopen(data::disciplineTeachersSql(discipline));

    dm_.ADOQ_Vremennyi.reopen(data::formsOfControlSql(discipline, semester, group, kredits));
    const QList<qint32> forms = columnValues(dm_.ADOQ_Vremennyi, QStringLiteral("id_examination"));
    if (!forms.contains(s.examination))
        throw Error(QStringLiteral("Форма контроля %1 не предусмотрена для дисциплины %2 группы %3 в семестре %4; есть: %5.")
                        .arg(form, discipline, group, semester, listText(forms)));

    // The scale variants offered; one is taken as the window takes it.
    dm_.ADOQ_ebe.reopen(data::scaleVariantsSql(discipline, form, group, semester));
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

    dm_.ADOQ_estimation.reopen(data::gradesOfFormSql(form));

    dm_.ADOQ_est_config.reopen(data::sheetConfigurationSql(variant, statementForm));
    dm_.ADOQ_est_config.setSort(QStringLiteral("order_pole"));

    rules::LoadGradeScale(dm_, *this);

    db::StoredProc& sheet = dm_.ADO_SP_Sort;
    sheet.close();
    data::MarkSheetSelection selection;
    selection.group = s.group;
    selection.semester = s.semester;
    selection.discipline = s.discipline;
    selection.examination = s.examination;
    selection.teacher = 1;   // the window's teacher once a discipline is chosen
    selection.variant = *s.variant;
    selection.statementForm = s.statementForm;
    selection.kredits = *s.credits;
    data::setMarkSheetParameters(sheet, selection);
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
