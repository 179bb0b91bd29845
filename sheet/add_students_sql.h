// The statements that put a student of a sheet onto another statement form: which point
// fields the form copies from the main statement (form 1), the student's row there, a row
// the student already has on the target form, and the INSERT of the new row.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace qel::sheet {

// The sheet the students are added to, every identifier as decimal text: the main
// window's selection.
struct TargetSheet {
    QString group;
    QString semester;
    QString discipline;   // id_discipline of the selected discipline row
    QString kredits;      // its Kredits
    QString examination;  // form of control
    QString variant;      // grading-scale variant
};

// The point fields a row may copy: m1 … m12, dop, dop2 (the columns of the copy
// configuration, in this order).
const QStringList& copyableFields();

// The fields with Copy=1 in the copy configuration of the form and variant, one row each
// (column `fields`), in the configuration's order.
QString copyFieldsSql(const QString& form, const QString& variant);

// The student's row on statement form 1 of the sheet: id_estimation and the fields.
QString sourceRowSql(const TargetSheet& sheet, const QString& student, const QStringList& fields);

// The student's row on the target form of the sheet, if he already has one.
QString existingRowSql(const TargetSheet& sheet, const QString& form, const QString& student);

// The statement number of the new rows: form-group-semester-discipline-form of control.
QString statementNumber(const TargetSheet& sheet, const QString& form);

// The INSERT of the new row. values: one SQL value text per field, then the grade's.
QString insertRowSql(const TargetSheet& sheet, const QString& form, const QString& student,
                     const QStringList& fields, const QStringList& values, const QString& login);

// A copied value as SQL text: NULL for an empty value; a number with a decimal point,
// whatever the user's decimal separator. A value that is not a number raises an error
// naming the field.
QString copiedValueSql(const QVariant& value, const QString& fieldName);

} // namespace qel::sheet
