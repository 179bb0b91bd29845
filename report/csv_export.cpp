#include "report/csv_export.h"

namespace qel::report {

namespace {

QString quoted(const QString& cell)
{
    if (!cell.contains(QLatin1Char(';')) && !cell.contains(QLatin1Char('"')) && !cell.contains(QLatin1Char('\n'))
        && !cell.contains(QLatin1Char('\r')))
        return cell;
    QString q = cell;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString cellText(const StatementRow& row, int i, CellType type)
{
    const QVariant& v = row.values.at(i);
    if (v.isNull())
        return {};
    switch (type) {
    case CellType::Number:
        return numberText(v.toDouble());
    case CellType::Date:
        return v.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    case CellType::Text:
        break;
    }
    // A text that a spreadsheet would run as a formula ("=…", "+…", "@…", "-…") gets a
    // leading apostrophe, so a name cannot smuggle a formula in; a lone "-" (the dash
    // grade) is harmless and stays as it is.
    const QString& text = row.texts.at(i);
    if (!text.isEmpty() && (text[0] == QLatin1Char('=') || text[0] == QLatin1Char('+') || text[0] == QLatin1Char('@')
                            || (text[0] == QLatin1Char('-') && text.size() > 1)))
        return QLatin1Char('\'') + text;
    return text;
}

} // namespace

QByteArray statementCsv(const Statement& st)
{
    QString text;
    text.reserve(int(st.rows.size() + 1) * 96);
    const QString eol = QStringLiteral("\r\n");
    QStringList cells;
    for (const StatementColumn& c : st.columns)
        cells << quoted(c.flatTitle());
    text += cells.join(QLatin1Char(';')) + eol;
    for (const StatementRow& row : st.rows) {
        cells.clear();
        for (int i = 0; i < st.columns.size(); ++i)
            cells << quoted(cellText(row, i, st.columns[i].type));
        text += cells.join(QLatin1Char(';')) + eol;
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace qel::report
