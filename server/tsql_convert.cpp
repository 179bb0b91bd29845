// CONVERT(type, x [, style]) and CAST(x AS type) as the storage's conversion functions,
// with T-SQL's lengths, styles and errors.
#include "server/tsql_pass_set.h"

namespace qel::server::tsql {

Seq Passes::convertTo(const Seq& typeSpec, Seq expr, const Seq* style, ValueKind exprKind) const
{
    if (typeSpec.empty() || !typeSpec[0].is(Tok::Word))
        failTranslation(QStringLiteral("Incorrect syntax near '%1'.").arg(typeSpec.empty() ? QString() : emitSql(typeSpec).trimmed()));
    const QString type = typeSpec[0].tok.value;
    // length / precision arguments
    QStringList lengths;
    if (typeSpec.size() > 1 && typeSpec[1].group)
        for (const Node& k : typeSpec[1].kids)
            if (!k.is(Tok::Comma))
                lengths << k.tok.text.toUpper();
    int styleNumber = 0;
    if (style) {
        if (style->size() != 1 || !(*style)[0].is(Tok::Number))
            failTranslation(notSupported(QStringLiteral("A CONVERT style that is not a number")));
        styleNumber = (*style)[0].tok.text.toInt();
    }
    const ValueKind target = kindOfTypeName(type);
    if (target == ValueKind::Text) {
        Seq text;
        if (isDateKind(exprKind))
            text = call(QStringLiteral("tsql_date_text"), {expr, Seq{makeNumber(QString::number(styleNumber))}});
        else
            text = call(QStringLiteral("tsql_text"), {expr});
        QString length = lengths.isEmpty() ? QStringLiteral("30") : lengths.first();
        if (length != QLatin1String("MAX"))
            text = call(QStringLiteral("substr"), {text, Seq{makeNumber(QStringLiteral("1"))}, Seq{makeNumber(length)}});
        text.push_back(makeWord(QStringLiteral("COLLATE")));
        text.push_back(makeWord(collationName()));
        return Seq{makeGroup(std::move(text))};
    }
    if (type == QLatin1String("BIT"))
        return call(QStringLiteral("tsql_bit"), {expr});
    if (target == ValueKind::Number) {
        if (type == QLatin1String("INT") || type == QLatin1String("INTEGER") || type == QLatin1String("BIGINT")
            || type == QLatin1String("SMALLINT") || type == QLatin1String("TINYINT"))
            return call(QStringLiteral("tsql_int"), {expr});
        Seq value = call(QStringLiteral("tsql_float"), {expr});
        QString scale;
        if (type == QLatin1String("DECIMAL") || type == QLatin1String("NUMERIC"))
            scale = lengths.size() >= 2 ? lengths[1] : QStringLiteral("0");
        else if (type == QLatin1String("MONEY") || type == QLatin1String("SMALLMONEY"))
            scale = QStringLiteral("4");
        if (!scale.isEmpty())
            return call(QStringLiteral("round"), {value, Seq{makeNumber(scale)}});
        return value;
    }
    if (isDateKind(target)) {
        const DateOrder order = styleOrder(styleNumber, options_.dateOrder);
        if (expr.size() == 1 && expr[0].is(Tok::String)) {
            QString stored;
            if (!parseDateLiteral(expr[0].tok.value, order, target, &stored))
                failTranslation(QStringLiteral("Conversion failed when converting date and/or time from character string."));
            Node lit = makeString(stored, true);
            return Seq{lit};
        }
        const QString fn = target == ValueKind::Date ? QStringLiteral("tsql_date") : QStringLiteral("tsql_datetime");
        return call(fn, {expr, Seq{makeString(orderName(order), true)}});
    }
    if (target == ValueKind::Blob)
        failTranslation(notSupported(QStringLiteral("Conversion to %1").arg(type.toLower())));
    failTranslation(QStringLiteral("Type %1 is not a defined system type.").arg(typeSpec[0].tok.text));
}

void Passes::convertPass(Seq& s)
{
    for (int i = 0; i < static_cast<int>(s.size()); ++i) {
        if (s[i].group) {
            convertPass(s[i].kids);
            continue;
        }
        const bool isConvert = s[i].isWord("CONVERT");
        const bool isCast = s[i].isWord("CAST");
        if (!(isConvert || isCast) || i + 1 >= static_cast<int>(s.size()) || !s[i + 1].group)
            continue;
        Seq& kids = s[i + 1].kids;
        Seq typeSpec, expr;
        const Seq* style = nullptr;
        Seq styleSeq;
        if (isConvert) {
            const auto parts = splitCommas(kids, 0, static_cast<int>(kids.size()));
            if (parts.size() < 2 || parts.size() > 3)
                failTranslation(QStringLiteral("Incorrect syntax near 'CONVERT'."));
            typeSpec.assign(kids.begin() + parts[0].first, kids.begin() + parts[0].second);
            expr.assign(kids.begin() + parts[1].first, kids.begin() + parts[1].second);
            if (parts.size() == 3) {
                styleSeq.assign(kids.begin() + parts[2].first, kids.begin() + parts[2].second);
                style = &styleSeq;
            }
        } else {
            int as = -1;
            for (int k = static_cast<int>(kids.size()) - 1; k >= 0; --k)
                if (kids[k].isWord("AS")) {
                    as = k;
                    break;
                }
            if (as < 0)
                failTranslation(QStringLiteral("Incorrect syntax near 'CAST'."));
            expr.assign(kids.begin(), kids.begin() + as);
            typeSpec.assign(kids.begin() + as + 1, kids.end());
        }
        const ValueKind exprKind = rangeKind(expr, 0, static_cast<int>(expr.size()));
        convertPass(expr);
        Seq replacement = convertTo(typeSpec, std::move(expr), style, exprKind);
        if (!replacement.empty())
            replacement.front().tok.spaceBefore = s[i].tok.spaceBefore;
        s.erase(s.begin() + i, s.begin() + i + 2);
        s.insert(s.begin() + i, replacement.begin(), replacement.end());
        i += static_cast<int>(replacement.size()) - 1;
    }
}

} // namespace qel::server::tsql
