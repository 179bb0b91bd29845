// The tables, views and columns of an open database, as the dialect layer asks for them.
#pragma once

#include "server/storage.h"
#include "server/tsql_translator.h"

#include <QHash>
#include <QSet>

namespace qel::server {

class StorageCatalog : public tsql::Catalog {
public:
    explicit StorageCatalog(Storage& storage);

    bool hasTable(const QString& name) const override;
    QStringList columns(const QString& table) const override;
    QString declaredType(const QString& table, const QString& column) const override;
    bool isIdentity(const QString& table, const QString& column) const override;
    QStringList tablesWithColumn(const QString& column) const override;
    QStringList queryColumns(const QString& sql) const override;

private:
    struct Table {
        QString name;
        QStringList columns;
        QHash<QString, QString> types; // upper column -> declared type
        QSet<QString> identity;        // upper column names
    };
    const Table* find(const QString& name) const;

    Storage& storage_;
    QHash<QString, Table> tables_;           // upper name -> table
    QHash<QString, QStringList> byColumn_;   // upper column -> table names
};

} // namespace qel::server
