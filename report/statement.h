// The statement of one grade sheet as it leaves the program (on paper, as PDF, XLSX or
// CSV): the header naming the sheet, the table of rows as the sheet grid shows them, and
// the count of each grade. Every writer renders this one snapshot, so the formats cannot
// disagree; the snapshot is read from an open sheet by readStatement (statement_reader.h).
#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace qel::report {

enum class CellType { Text, Number, Date };

struct StatementColumn {
    QString field;                  // the mark record's field
    QString title;                  // the grid's title; "Top|Bottom" for a two-level heading
    CellType type = CellType::Text;
    bool summed = false;            // the footer shows the column's sum, as the grid's does
    bool namedInHeading = false;    // every row holds the heading's value (the teacher, the
                                    // statement number): the printed table leaves it out

    // The heading levels: one, or the two parts of "Top|Bottom".
    QStringList titleLevels() const;
    // The title on one line ("Top / Bottom").
    QString flatTitle() const;
};

struct StatementRow {
    QList<QVariant> values;   // per column: double, QDate or QString; null where the cell is empty
    QStringList texts;        // per column: the text the sheet grid shows
};

// One line of the grade summary: a grade (or another count) and how many rows have it.
struct SummaryLine {
    QString label;
    int count = 0;
};

struct StatementHeader {
    QString faculty;
    QString speciality;
    QString group;
    QString academicYear;
    QString semester;
    QString discipline;
    QString formOfControl;
    QString statementForm;
    QString number;          // the statement number when every row carries the same one
    QStringList teachers;    // the rows' teachers, in order of first appearance
    QDate date;              // the date every dated row shares, otherwise the day of the export

    // The statement's name as printed over it: the statement form ("Ведомость" without one)
    // and the number, "Ведомость № 12".
    QString title() const;
    // The signature's and the heading's label: "Преподаватель", or "Преподаватели".
    QString teacherRole() const;
};

struct Statement {
    StatementHeader header;
    QList<StatementColumn> columns;
    QList<StatementRow> rows;
    QList<SummaryLine> summary;
    // The text the footer shows under the student column, as the grid's footer does.
    QString footerCaption;

    int columnIndex(const QString& field) const;   // -1 when the statement has no such column
    // The sum of a column's numbers (empty cells count as nothing).
    double columnSum(int column) const;
    // The heading lines of the statement, "Label: value", empty values left out.
    QStringList headerLines() const;
};

// Numbers as the statement writes them where it writes text: the grid's digits with the
// decimal comma of Russian spreadsheets and no thousands separator.
QString numberText(double value);

} // namespace qel::report
