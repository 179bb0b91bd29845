// The statements of the record book and its two dialogs, composed from their fixed
// fragments: the book of one student classified against the curriculum, the curriculum
// lines a student's book lacks, and the records the dialogs create. Identifiers go in as
// decimal digits, texts as SQL literals. Also the one-row look-ups they run on the data
// module's work query.
#pragma once

#include <QString>
#include <QVariant>

namespace qel::db {
class Query;
}

namespace qel::recordbook {

// Runs a look-up on the work query (ADOQ_Exec) and leaves it closed: the named column of
// the first row, null when there is no row.
QVariant firstValue(db::Query& exec, const QString& sql, const QString& fieldName);
// Runs a look-up on the work query and leaves it closed: whether it returned a row.
bool anyRow(db::Query& exec, const QString& sql);

// The user's row of the statement form (User_f_est): the user holds the form.
QString userFormSql(qint32 loginId, const QVariant& form);

// Decimal text of an identifier, or NULL for a missing one (a value in a VALUES list).
QString sqlNumberOrNull(const QVariant& value);

// Every mark_mag record of the student in the group, with byEducSh (the record matches a
// curriculum line of the group), byDFS (a DisciplineForStudent row assigns it) and N (their
// sum with isStaticDiscipline), ordered by semester, discipline and form of control.
QString recordBookSql(qint32 group, qint32 student);

// The student's first semester in the group, by the movement records.
QString minSemesterSql(qint32 group, qint32 student);

// The student's photo.
QString photoSql(qint32 student);

// The student's current semester in the group.
QString currentSemesterSql(qint32 group, qint32 student);

// The curriculum lines of the group (one per grading-scale variant of its speciality) below
// the current semester that none of the student's records in the group matches. Records
// whose key is incomplete (a null credit, say) cannot match a line and are left out of the
// comparison, so they hide nothing.
QString curriculumCandidatesSql(qint32 group, qint32 student, qint32 currentSemester);

// A record copied from a curriculum line: no points, grade 8 on statement form 4.
struct CopiedLine {
    QVariant examination, discipline, semester, credits, scaleVariant, academicYear;
};
struct StudentPlacement {
    qint32 group = 0;
    qint32 student = 0;
    QVariant faculty, budget;   // id_faculty, id_bk of the student's row; may be null
};
QString insertCopiedLineSql(const StudentPlacement& who, const CopiedLine& line, const QString& login);

// A record added by hand.
struct AddedRecord {
    qint32 examination = 0, points = 0, grade = 0, discipline = 0, semester = 0, statementForm = 0, credits = 0;
    QVariant scaleVariant, academicYear;
};
QString academicYearSql(qint32 group, qint32 semester);
QString scaleVariantSql(qint32 group);
QString insertAddedRecordSql(const StudentPlacement& who, const AddedRecord& record, const QString& login);

} // namespace qel::recordbook
