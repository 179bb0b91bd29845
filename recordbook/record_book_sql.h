// The statements of the record book and its two dialogs, composed from their fixed
// fragments: the book of one student classified against the curriculum, the curriculum
// lines a student's book lacks, and the records the dialogs create. Identifiers go in as
// decimal digits, texts as SQL literals.
#pragma once

#include <QString>
#include <QVariant>

namespace qel::recordbook {

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
