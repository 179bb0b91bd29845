#include "platform/db/connection_string.h"

namespace qel::db {

ConnectionString ConnectionString::parse(const QString& text)
{
    ConnectionString cs;
    const auto parts = text.split(QLatin1Char(';'));
    for (const QString& part : parts) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        cs.set(part.left(eq).trimmed(), part.mid(eq + 1));
    }
    return cs;
}

QString ConnectionString::value(const QString& key) const
{
    for (const auto& [k, v] : items_)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    return {};
}

bool ConnectionString::contains(const QString& key) const
{
    for (const auto& item : items_)
        if (item.first.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void ConnectionString::set(const QString& key, const QString& value)
{
    for (auto& item : items_)
        if (item.first.compare(key, Qt::CaseInsensitive) == 0) {
            item.second = value;
            return;
        }
    items_.append({key, value});
}

QString ConnectionString::toString() const
{
    QString out;
    for (const auto& [k, v] : items_)
        out += k + QLatin1Char('=') + v + QLatin1Char(';');
    return out;
}

bool ConnectionString::isEmbedded() const
{
    return dataSource().trimmed().compare(QLatin1String("embedded"), Qt::CaseInsensitive) == 0;
}

} // namespace qel::db
