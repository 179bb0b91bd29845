#include "platform/db/filter_expression.h"

#include "platform/db/driver.h"
#include "platform/db/value_convert.h"

#include <QRegularExpression>

namespace qel::db {

struct FilterExpression::Node {
    enum Kind { And, Or, Not, Compare, IsNull, IsNotNull, Like, NotLike } kind = Compare;
    QString field;
    QString op;                 // "=", "<>", "<", "<=", ">", ">="
    QVariant literal;           // null for NULL
    std::unique_ptr<QRegularExpression> pattern;
    std::unique_ptr<Node> left, right;
};

namespace {

using Node = FilterExpression::Node;

class Parser {
public:
    explicit Parser(const QString& text) : s_(text) {}

    std::unique_ptr<Node> parseAll()
    {
        auto n = parseOr();
        skipBlanks();
        if (pos_ < s_.size())
            fail(QStringLiteral("лишний текст"));
        return n;
    }

private:
    [[noreturn]] void fail(const QString& what) const
    {
        throw DbError(QStringLiteral("Ошибка в условии фильтра \"%1\" (позиция %2): %3")
                          .arg(s_).arg(pos_ + 1).arg(what));
    }

    void skipBlanks()
    {
        while (pos_ < s_.size() && s_.at(pos_).isSpace())
            ++pos_;
    }

    bool keyword(const char* word)
    {
        skipBlanks();
        const QString w = QString::fromLatin1(word);
        if (s_.mid(pos_, w.size()).compare(w, Qt::CaseInsensitive) != 0)
            return false;
        const int end = pos_ + w.size();
        if (end < s_.size() && (s_.at(end).isLetterOrNumber() || s_.at(end) == QLatin1Char('_')))
            return false;
        pos_ = end;
        return true;
    }

    std::unique_ptr<Node> parseOr()
    {
        auto left = parseAnd();
        while (keyword("or")) {
            auto n = std::make_unique<Node>();
            n->kind = Node::Or;
            n->left = std::move(left);
            n->right = parseAnd();
            left = std::move(n);
        }
        return left;
    }

    std::unique_ptr<Node> parseAnd()
    {
        auto left = parseUnary();
        while (keyword("and")) {
            auto n = std::make_unique<Node>();
            n->kind = Node::And;
            n->left = std::move(left);
            n->right = parseUnary();
            left = std::move(n);
        }
        return left;
    }

    std::unique_ptr<Node> parseUnary()
    {
        if (keyword("not")) {
            auto n = std::make_unique<Node>();
            n->kind = Node::Not;
            n->left = parseUnary();
            return n;
        }
        skipBlanks();
        if (pos_ < s_.size() && s_.at(pos_) == QLatin1Char('(')) {
            ++pos_;
            auto n = parseOr();
            skipBlanks();
            if (pos_ >= s_.size() || s_.at(pos_) != QLatin1Char(')'))
                fail(QStringLiteral("ожидалась \")\""));
            ++pos_;
            return n;
        }
        return parseComparison();
    }

    QString parseName()
    {
        skipBlanks();
        if (pos_ < s_.size() && s_.at(pos_) == QLatin1Char('[')) {
            const int close = s_.indexOf(QLatin1Char(']'), pos_ + 1);
            if (close < 0)
                fail(QStringLiteral("не закрыта \"[\""));
            QString name = s_.mid(pos_ + 1, close - pos_ - 1);
            pos_ = close + 1;
            return name;
        }
        const int start = pos_;
        while (pos_ < s_.size() && (s_.at(pos_).isLetterOrNumber() || s_.at(pos_) == QLatin1Char('_')))
            ++pos_;
        if (pos_ == start)
            fail(QStringLiteral("ожидалось имя поля"));
        return s_.mid(start, pos_ - start);
    }

    QVariant parseLiteral()
    {
        skipBlanks();
        if (pos_ >= s_.size())
            fail(QStringLiteral("ожидалось значение"));
        const QChar c = s_.at(pos_);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            QString out;
            ++pos_;
            while (true) {
                if (pos_ >= s_.size())
                    fail(QStringLiteral("не закрыта кавычка"));
                if (s_.at(pos_) == c) {
                    if (pos_ + 1 < s_.size() && s_.at(pos_ + 1) == c) {
                        out += c;
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                out += s_.at(pos_++);
            }
            return out;
        }
        if (keyword("null"))
            return QVariant();
        if (keyword("true"))
            return true;
        if (keyword("false"))
            return false;
        const int start = pos_;
        if (pos_ < s_.size() && (s_.at(pos_) == QLatin1Char('-') || s_.at(pos_) == QLatin1Char('+')))
            ++pos_;
        while (pos_ < s_.size() && (s_.at(pos_).isDigit() || s_.at(pos_) == QLatin1Char('.')))
            ++pos_;
        const QString num = s_.mid(start, pos_ - start);
        bool ok = false;
        if (!num.contains(QLatin1Char('.'))) {
            const qint64 n = num.toLongLong(&ok);
            if (ok)
                return n;
        }
        const double d = num.toDouble(&ok);
        if (!ok)
            fail(QStringLiteral("ожидалось значение"));
        return d;
    }

    std::unique_ptr<Node> parseComparison()
    {
        auto n = std::make_unique<Node>();
        n->field = parseName();
        if (keyword("is")) {
            const bool negated = keyword("not");
            if (!keyword("null"))
                fail(QStringLiteral("ожидалось NULL"));
            n->kind = negated ? Node::IsNotNull : Node::IsNull;
            return n;
        }
        const int save = pos_;
        const bool negatedLike = keyword("not");
        if (keyword("like")) {
            const QVariant lit = parseLiteral();
            QString rx;
            for (const QChar ch : lit.toString()) {
                if (ch == QLatin1Char('%') || ch == QLatin1Char('*'))
                    rx += QLatin1String(".*");
                else if (ch == QLatin1Char('_') || ch == QLatin1Char('?'))
                    rx += QLatin1Char('.');
                else
                    rx += QRegularExpression::escape(QString(ch));
            }
            n->kind = negatedLike ? Node::NotLike : Node::Like;
            n->pattern = std::make_unique<QRegularExpression>(
                QRegularExpression::anchoredPattern(rx),
                QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
            return n;
        }
        pos_ = save;
        skipBlanks();
        static const char* ops[] = {"<>", "<=", ">=", "!=", "=", "<", ">"};
        for (const char* op : ops) {
            const QString o = QString::fromLatin1(op);
            if (s_.mid(pos_, o.size()) == o) {
                pos_ += o.size();
                n->op = o == QLatin1String("!=") ? QStringLiteral("<>") : o;
                break;
            }
        }
        if (n->op.isEmpty())
            fail(QStringLiteral("ожидался знак сравнения"));
        n->literal = parseLiteral();
        if (n->literal.isNull()) {
            if (n->op == QLatin1String("="))
                n->kind = Node::IsNull;
            else if (n->op == QLatin1String("<>"))
                n->kind = Node::IsNotNull;
            else
                fail(QStringLiteral("NULL сравнивается только знаками = и <>"));
        }
        return n;
    }

    const QString& s_;
    int pos_ = 0;
};

QString serverText(const QVariant& v)
{
    QString t = convert::toText(v);
    while (!t.isEmpty() && t.back() == QLatin1Char(' '))
        t.chop(1);
    return t;
}

bool evalCompare(const Node& n, const QVariant& value)
{
    if (value.isNull())
        return false;
    int c = 0;
    if (value.typeId() == QMetaType::QString || n.literal.typeId() == QMetaType::QString) {
        const bool numeric = value.typeId() != QMetaType::QString;
        if (numeric) {
            c = convert::compare(value, n.literal);
        } else if (n.op == QLatin1String("=") || n.op == QLatin1String("<>")) {
            c = serverText(value).compare(serverText(n.literal), Qt::CaseInsensitive) == 0 ? 0 : 1;
        } else {
            c = convert::compare(serverText(value), serverText(n.literal));
        }
    } else {
        c = convert::compare(value, n.literal);
    }
    if (n.op == QLatin1String("="))
        return c == 0;
    if (n.op == QLatin1String("<>"))
        return c != 0;
    if (n.op == QLatin1String("<"))
        return c < 0;
    if (n.op == QLatin1String("<="))
        return c <= 0;
    if (n.op == QLatin1String(">"))
        return c > 0;
    return c >= 0;
}

bool eval(const Node& n, const std::function<QVariant(const QString&)>& valueOf)
{
    switch (n.kind) {
    case Node::And: return eval(*n.left, valueOf) && eval(*n.right, valueOf);
    case Node::Or: return eval(*n.left, valueOf) || eval(*n.right, valueOf);
    case Node::Not: return !eval(*n.left, valueOf);
    case Node::IsNull: return valueOf(n.field).isNull();
    case Node::IsNotNull: return !valueOf(n.field).isNull();
    case Node::Like: case Node::NotLike: {
        const QVariant v = valueOf(n.field);
        if (v.isNull())
            return false;
        const bool m = n.pattern->match(serverText(v)).hasMatch();
        return n.kind == Node::Like ? m : !m;
    }
    case Node::Compare: return evalCompare(n, valueOf(n.field));
    }
    return false;
}

void collect(const Node& n, QStringList& out)
{
    if (n.left)
        collect(*n.left, out);
    if (n.right)
        collect(*n.right, out);
    if (!n.field.isEmpty() && !out.contains(n.field, Qt::CaseInsensitive))
        out << n.field;
}

} // namespace

FilterExpression::~FilterExpression() = default;

std::shared_ptr<const FilterExpression> FilterExpression::parse(const QString& text)
{
    std::shared_ptr<FilterExpression> e(new FilterExpression);
    if (!text.trimmed().isEmpty())
        e->root_ = Parser(text).parseAll();
    return e;
}

QStringList FilterExpression::fieldNames() const
{
    QStringList out;
    if (root_)
        collect(*root_, out);
    return out;
}

bool FilterExpression::matches(const std::function<QVariant(const QString&)>& valueOf) const
{
    return !root_ || eval(*root_, valueOf);
}

} // namespace qel::db
