// A dataset holding every row of one table, written back to that table.
#pragma once

#include "platform/db/dataset.h"

namespace qel::db {

class Table : public DataSet {
public:
    Table(Connection* connection, QString name);

    void setTableName(const QString& table);   // while closed
    const QString& tableName() const { return table_; }

protected:
    wire::ResultSet fetchRows() override;
    QString commandDescription() const override { return table_; }
    QString defaultUpdateTable() const override { return table_; }

private:
    QString table_;
};

} // namespace qel::db
