// Filter texts of a dataset: comparisons of a field with a literal ("id_exmination=5",
// "p109 = 'Ведомость'", "a<>'x'", "b is null", "s_fio like 'Ив%'") joined with and/or/not
// and parentheses. Texts compare as the server does: without regard to letter case or
// trailing blanks.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

namespace qel::db {

class FilterExpression {
public:
    // Throws DbError for a malformed text, naming the position.
    static std::shared_ptr<const FilterExpression> parse(const QString& text);

    // Field names the expression uses, in order of appearance (for checking them).
    QStringList fieldNames() const;

    // valueOf gives the value of a field by its name (as written in the text).
    bool matches(const std::function<QVariant(const QString&)>& valueOf) const;

    struct Node;
    ~FilterExpression();

private:
    FilterExpression() = default;
    std::unique_ptr<Node> root_;
};

} // namespace qel::db
