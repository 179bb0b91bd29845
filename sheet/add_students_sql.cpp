// Statement texts of the add-students window. Identifiers arrive as decimal text; the one
// text of a user, the login, goes in as a safe literal.
#include "sheet/add_students_sql.h"

#include "history/sql_text.h"
#include "platform/db/sql_literal.h"
#include "platform/os/errors.h"

#include <QLocale>

namespace qel::sheet {

const QStringList& copyableFields()
{
    static const QStringList fields = {
        QStringLiteral("m1"), QStringLiteral("m2"), QStringLiteral("m3"),  QStringLiteral("m4"),
        QStringLiteral("m5"), QStringLiteral("m6"), QStringLiteral("m7"),  QStringLiteral("m8"),
        QStringLiteral("m9"), QStringLiteral("m10"), QStringLiteral("m11"), QStringLiteral("m12"),
        QStringLiteral("dop"), QStringLiteral("dop2")};
    return fields;
}

QString copyFieldsSql(const QString& form, const QString& variant)
{
    return QStringLiteral(" SELECT * FROM ( SELECT fields,Copy FROM(select * from TF_GetMarkMagModulCopyAccess(") + form
         + QStringLiteral(",") + variant + QStringLiteral(")) AS t ")
         + QStringLiteral(" UNPIVOT (Copy FOR fields in (m1,m2,m3,m4,m5,m6,m7,m8,m9,m10,m11,m12,dop,dop2)) AS unpvt) AS table1")
         + QStringLiteral(" WHERE Copy=1");
}

namespace {

QString fieldList(const QStringList& fields)
{
    QString out;
    for (const QString& f : fields)
        out += QLatin1Char(',') + f;
    return out;
}

} // namespace

QString sourceRowSql(const TargetSheet& s, const QString& student, const QStringList& fields)
{
    return QStringLiteral(" SELECT id_estimation") + fieldList(fields) + QStringLiteral(" FROM mark_mag WHERE id_group=")
         + s.group + QStringLiteral(" and id_student=") + student + QStringLiteral(" and id_examination=") + s.examination
         + QStringLiteral(" and id_discipline=") + s.discipline + QStringLiteral(" and id_semester=") + s.semester
         + QStringLiteral(" and id_ebe_var=") + s.variant + QStringLiteral(" and kredits=") + s.kredits
         + QStringLiteral(" and id_f_est=1");
}

QString existingRowSql(const TargetSheet& s, const QString& form, const QString& student)
{
    return QStringLiteral(" SELECT TOP 1 id_mark_mag FROM mark_mag WHERE id_group=") + s.group
         + QStringLiteral(" and id_student=") + student + QStringLiteral(" and id_examination=") + s.examination
         + QStringLiteral(" and id_discipline=") + s.discipline + QStringLiteral(" and id_semester=") + s.semester
         + QStringLiteral(" and id_ebe_var=") + s.variant + QStringLiteral(" and kredits=") + s.kredits
         + QStringLiteral(" and id_f_est=") + form;
}

QString statementNumber(const TargetSheet& s, const QString& form)
{
    return form + QLatin1Char('-') + s.group + QLatin1Char('-') + s.semester + QLatin1Char('-') + s.discipline
         + QLatin1Char('-') + s.examination;
}

QString insertRowSql(const TargetSheet& s, const QString& form, const QString& student, const QStringList& fields,
                     const QStringList& values, const QString& login)
{
    QString valueList;
    for (const QString& v : values)
        valueList += QLatin1Char(',') + v;
    // The statement number holds digits and dashes only and the date is fixed: both are
    // quoted as they stand. The teacher is the head of the department (1).
    return QStringLiteral("INSERT INTO mark_mag([id_group],[id_student],[id_examination], [id_discipline],[id_semester],"
                          "[id_teacher],[p35],[p36],[id_f_est],[kredits],[id_ebe_var]")
         + fieldList(fields) + QStringLiteral(",[id_estimation],[QEL_user]) ") + QStringLiteral("VALUES (") + s.group
         + QLatin1Char(',') + student + QLatin1Char(',') + s.examination + QLatin1Char(',') + s.discipline
         + QLatin1Char(',') + s.semester + QStringLiteral(",1,") + QuoteSql(statementNumber(s, form)) + QLatin1Char(',')
         + QuoteSql(QStringLiteral("01.01.01")) + QLatin1Char(',') + form + QLatin1Char(',') + s.kredits
         + QLatin1Char(',') + s.variant + valueList + QLatin1Char(',') + db::sqlLiteral(login) + QLatin1Char(')');
}

QString copiedValueSql(const QVariant& value, const QString& fieldName)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort:
        return QString::number(value.toLongLong());
    case QMetaType::Double: case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    default:
        break;
    }
    // A number the server sent as text: a decimal comma becomes a point; anything else
    // never goes into the statement.
    QString text = value.toString().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double number = QLocale::c().toDouble(text, &ok);
    if (!ok)
        throw Error(QStringLiteral("Значение \"%1\" поля %2 не является числом").arg(value.toString(), fieldName));
    return QString::number(number, 'g', 15);
}

} // namespace qel::sheet
