#include "report/statement.h"

namespace qel::report {

namespace {

// A statement form's name followed by the statement number, when there is one.
QString withNumber(const QString& name, const StatementHeader& h)
{
    return h.number.trimmed().isEmpty() ? name : name + QStringLiteral(" № ") + h.number.trimmed();
}

} // namespace

QString StatementHeader::title() const
{
    const QString form = statementForm.trimmed();
    return withNumber(form.isEmpty() ? QStringLiteral("Ведомость") : form, *this);
}

QString StatementHeader::teacherRole() const
{
    return teachers.size() > 1 ? QStringLiteral("Преподаватели") : QStringLiteral("Преподаватель");
}

QStringList StatementColumn::titleLevels() const
{
    const qsizetype bar = title.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return {title};
    return {title.left(bar), title.mid(bar + 1)};
}

QString StatementColumn::flatTitle() const { return titleLevels().join(QStringLiteral(" / ")); }

int Statement::columnIndex(const QString& field) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].field.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

double Statement::columnSum(int column) const
{
    double sum = 0;
    for (const StatementRow& row : rows) {
        const QVariant& v = row.values.at(column);
        if (!v.isNull() && v.typeId() == QMetaType::Double)
            sum += v.toDouble();
    }
    return sum;
}

QStringList Statement::headerLines() const
{
    const StatementHeader& h = header;
    QStringList out;
    const auto add = [&](const QString& label, const QString& value) {
        if (!value.trimmed().isEmpty())
            out << label + QStringLiteral(": ") + value.trimmed();
    };
    add(QStringLiteral("Факультет"), h.faculty);
    add(QStringLiteral("Специальность"), h.speciality);
    add(QStringLiteral("Группа"), h.group);
    QString period = h.academicYear.trimmed();
    if (!h.semester.trimmed().isEmpty())
        period += (period.isEmpty() ? QString() : QStringLiteral(", ")) + h.semester.trimmed();
    add(QStringLiteral("Учебный год, семестр"), period);
    add(QStringLiteral("Дисциплина"), h.discipline);
    add(QStringLiteral("Форма контроля"), h.formOfControl);
    add(QStringLiteral("Форма ведомости"), withNumber(h.statementForm.trimmed(), h));
    add(h.teacherRole(), h.teachers.join(QStringLiteral(", ")));
    if (h.date.isValid())
        add(QStringLiteral("Дата"), h.date.toString(QStringLiteral("dd.MM.yyyy")));
    return out;
}

QString numberText(double value)
{
    // The digits the grid shows (fifteen significant ones), so no value is rounded into
    // one the database does not hold.
    QString text = QString::number(value, 'g', 15);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace qel::report
