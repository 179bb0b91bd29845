// Dates: a text literal or a text parameter written to or compared with a date column is
// read as a date in the session's order and stored in the storage's form; DATEPART's first
// argument becomes the text the storage's functions take; the date orders of CONVERT styles.
#include "server/tsql_pass_set.h"

namespace qel::server::tsql {

void Passes::datepartArguments(Seq& s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i].group) {
            datepartArguments(s[i].kids);
            continue;
        }
        if ((s[i].isWord("DATEADD") || s[i].isWord("DATEDIFF") || s[i].isWord("DATEPART") || s[i].isWord("DATENAME"))
            && i + 1 < s.size() && s[i + 1].group && !s[i + 1].kids.empty() && s[i + 1].kids[0].is(Tok::Word)) {
            Node& first = s[i + 1].kids[0];
            const bool space = first.tok.spaceBefore;
            first = makeString(first.tok.value.toLower());
            first.tok.spaceBefore = space;
        }
    }
}

// ---------------------------------------------------------------------- date literals

void Passes::markDate(Node& n, ValueKind kind, DateOrder order)
{
    if (n.is(Tok::Param)) {
        if (paramDates_)
            paramDates_->insert(n.tok.param, kind);
        return;
    }
    if (!n.is(Tok::String) || n.tok.plain)
        return;
    QString stored;
    if (!parseDateLiteral(n.tok.value, order, kind, &stored))
        failTranslation(QStringLiteral("Conversion failed when converting date and/or time from character string."));
    n.tok.value = stored;
    n.tok.plain = true;
}

void Passes::datePass(Seq& s)
{
    for (Node& x : s)
        if (x.group)
            datePass(x.kids);
    const int n = static_cast<int>(s.size());
    // the kind of the column reference that ends right before index e, or Unknown
    auto refBefore = [&](int e) {
        int b = e - 1;
        if (b < 0 || !(s[b].is(Tok::Word) || s[b].is(Tok::QuotedId)))
            return ValueKind::Unknown;
        while (b - 2 >= 0 && s[b - 1].is(Tok::Dot) && (s[b - 2].is(Tok::Word) || s[b - 2].is(Tok::QuotedId)))
            b -= 2;
        if (s[b].is(Tok::Word) && isKeyword(s[b].tok.value))
            return ValueKind::Unknown;
        if (b > 0 && (s[b - 1].is(Tok::Dot) || isArith(s[b - 1])))
            return ValueKind::Unknown;
        return refKind(pathParts(s, b, e));
    };
    auto refAfter = [&](int b) {
        const int e = primaryEnd(s, b);
        if (e < 0 || s[b].group || !(s[b].is(Tok::Word) || s[b].is(Tok::QuotedId)) || (e < n && isArith(s[e])))
            return ValueKind::Unknown;
        if (e > b + 1 && s[b + 1].group)
            return ValueKind::Unknown; // a function call
        return refKind(pathParts(s, b, e));
    };
    auto isValue = [&](int k) { return k >= 0 && k < n && (s[k].is(Tok::String) || s[k].is(Tok::Param)); };
    auto standsAlone = [&](int k) { return k + 1 >= n || !isArith(s[k + 1]); };
    for (int i = 0; i < n; ++i) {
        if (isCompare(s[i])) {
            if (isValue(i + 1) && standsAlone(i + 1) && !(i > 0 && isArith(s[i - 1]))) {
                const ValueKind k = refBefore(i);
                if (isDateKind(k))
                    markDate(s[i + 1], k, options_.dateOrder);
            }
            if (isValue(i - 1) && !(i >= 2 && isArith(s[i - 2]))) {
                const ValueKind k = refAfter(i + 1);
                if (isDateKind(k))
                    markDate(s[i - 1], k, options_.dateOrder);
            }
        } else if (s[i].isWord("BETWEEN")) {
            const int left = i > 0 && s[i - 1].isWord("NOT") ? i - 1 : i;
            const ValueKind k = refBefore(left);
            if (isDateKind(k) && i + 3 < n && s[i + 2].isWord("AND")) {
                if (isValue(i + 1))
                    markDate(s[i + 1], k, options_.dateOrder);
                if (isValue(i + 3))
                    markDate(s[i + 3], k, options_.dateOrder);
            }
        } else if (s[i].isWord("IN") && i + 1 < n && s[i + 1].group) {
            const int left = i > 0 && s[i - 1].isWord("NOT") ? i - 1 : i;
            const ValueKind k = refBefore(left);
            if (!isDateKind(k))
                continue;
            Seq& list = s[i + 1].kids;
            for (const auto& [b, e] : splitCommas(list, 0, static_cast<int>(list.size())))
                if (e == b + 1 && (list[b].is(Tok::String) || list[b].is(Tok::Param)))
                    markDate(list[b], k, options_.dateOrder);
        }
    }
}

void Passes::insertValueDates(Seq& s)
{
    // INSERT [INTO] table [(columns)] VALUES (...), (...)
    if (s.empty() || !s[0].isWord("INSERT"))
        return;
    int j = 1;
    if (j < static_cast<int>(s.size()) && s[j].isWord("INTO"))
        ++j;
    if (j >= static_cast<int>(s.size()) || !s[j].isName())
        return;
    const QString table = s[j].tok.kind == Tok::Word ? s[j].tok.text : s[j].tok.value;
    ++j;
    QStringList columns;
    if (j < static_cast<int>(s.size()) && s[j].group) {
        for (const Node& c : s[j].kids)
            if (c.is(Tok::Word) || c.is(Tok::QuotedId))
                columns << c.tok.value;
        ++j;
    } else {
        for (const QString& c : catalog_.columns(table))
            if (!catalog_.isIdentity(table, c))
                columns << c;
    }
    if (j >= static_cast<int>(s.size()) || !s[j].isWord("VALUES"))
        return;
    for (int k = j + 1; k < static_cast<int>(s.size()); ++k) {
        if (!s[k].group)
            continue;
        Seq& vals = s[k].kids;
        const auto parts = splitCommas(vals, 0, static_cast<int>(vals.size()));
        for (size_t c = 0; c < parts.size() && c < static_cast<size_t>(columns.size()); ++c) {
            const auto [b, e] = parts[c];
            if (e != b + 1 || !(vals[b].is(Tok::String) || vals[b].is(Tok::Param)))
                continue;
            const ValueKind kind = kindOfDeclaredType(catalog_.declaredType(table, columns[c]));
            if (isDateKind(kind))
                markDate(vals[b], kind, options_.dateOrder);
        }
    }
}

DateOrder styleOrder(int style, DateOrder session)
{
    switch (style) {
    case 1: case 101: case 10: case 110: return DateOrder::MDY;
    case 3: case 103: case 4: case 104: case 5: case 105: return DateOrder::DMY;
    case 11: case 111: case 12: case 112: case 20: case 120: case 21: case 121: case 23: case 126: return DateOrder::YMD;
    default: return session;
    }
}

QString orderName(DateOrder o)
{
    switch (o) {
    case DateOrder::MDY: return QStringLiteral("mdy");
    case DateOrder::DMY: return QStringLiteral("dmy");
    case DateOrder::YMD: return QStringLiteral("ymd");
    case DateOrder::YDM: return QStringLiteral("ydm");
    case DateOrder::MYD: return QStringLiteral("myd");
    case DateOrder::DYM: return QStringLiteral("dym");
    }
    return QStringLiteral("mdy");
}

} // namespace qel::server::tsql
