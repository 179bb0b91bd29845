// The statement texts of the grade sheet's selection cascade and the thirteen parameters of
// the mark sheet procedure, in one place for the main window and for everything that opens
// a sheet the way it does (the printed statement, the benchmarks). Identifiers come in as
// decimal texts.
#pragma once

#include <QString>
#include <QVariant>

namespace qel::db {
class StoredProc;
}

namespace qel::data {

QString groupAttributesSql(const QString& group);                 // ADOQ_g_s
QString groupStudentsSql(const QString& group);                   // ADOQ_s_fio
QString groupDisciplinesSql(const QString& group, const QString& semester);   // ADOQ_Discipline
// The teachers of a discipline, headed by the head of the department (identifier 1).
QString disciplineTeachersSql(const QString& discipline);         // ADOQ_t_fio
QString formsOfControlSql(const QString& discipline, const QString& semester, const QString& group,
                          const QString& kredits);                // ADOQ_Vremennyi
QString scaleVariantsSql(const QString& discipline, const QString& form, const QString& group,
                         const QString& semester);                // ADOQ_ebe
QString gradesOfFormSql(const QString& form);                     // ADOQ_estimation
QString sheetConfigurationSql(const QString& variant, const QString& statementForm);   // ADOQ_est_config
// The statement forms the sheet has rows on, with "Ведомость" always among them.
QString statementFormsSql(const QString& group, const QString& semester, const QString& discipline,
                          const QString& form);                   // ADOQ_exist_FEst

// What the mark sheet procedure is opened with.
struct MarkSheetSelection {
    QVariant group, semester, discipline, examination;
    qint32 teacher = 1;
    QString condition = QStringLiteral("1=1");   // @DoNotShowEst
    QVariant variant, statementForm, kredits;
};

// Sets the thirteen parameters of ADO_SP_Sort (subgroups and the academic year are never
// chosen: "0").
void setMarkSheetParameters(db::StoredProc& sheet, const MarkSheetSelection& selection);

} // namespace qel::data
