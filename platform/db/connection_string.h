// OLE DB style connection strings: "Key=Value;Key=Value;...". Keys compare without regard
// to letter case; the last occurrence of a key wins.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace qel::db {

class ConnectionString {
public:
    ConnectionString() = default;
    static ConnectionString parse(const QString& text);

    QString value(const QString& key) const;   // empty when absent
    bool contains(const QString& key) const;
    void set(const QString& key, const QString& value);
    QString toString() const;                  // keys in first-seen order

    QString dataSource() const { return value(QStringLiteral("Data Source")); }
    QString catalog() const { return value(QStringLiteral("Initial Catalog")); }
    QString userId() const { return value(QStringLiteral("User ID")); }
    QString password() const { return value(QStringLiteral("Password")); }

    // The embedded server is chosen by the word "embedded" as the data source.
    bool isEmbedded() const;

private:
    QList<QPair<QString, QString>> items_;
};

} // namespace qel::db
