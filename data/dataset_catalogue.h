// The catalogue of the data module's datasets: kind, initial command, options and
// persistent fields of each, and the data sources the windows bind to. TDM_CDE_3 builds
// itself from these tables.
#pragma once

#include "platform/db/field.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qel::data {

enum class DataSetKind { Query, Table, StoredProc };

// A persistent field; a lookup names its source dataset, resolved when the module is built.
struct FieldDecl {
    db::FieldSpec spec;
    QString lookupDataSet;
};

struct DataSetDecl {
    QString name;
    DataSetKind kind = DataSetKind::Query;
    QStringList command;         // query lines (joined with "\n"), table name, or procedure
    bool staticCursor = false;   // rows held client-side with a known count (all datasets are)
    bool prepared = false;
    bool batch = false;          // posts cached until sent as a batch
    bool filtered = false;       // filter switched on at creation
    int commandTimeout = 30;     // seconds
    QList<FieldDecl> fields;     // persistent fields, in order; none: fields follow the result
};

struct DataSourceDecl {
    QString name;
    QString dataSet;
};

// Every dataset of the module, in declaration order.
const QList<DataSetDecl>& dataSetCatalogue();
const DataSetDecl* findDataSetDecl(const QString& name);

// Every named data source of the module.
const QList<DataSourceDecl>& dataSourceCatalogue();

} // namespace qel::data
