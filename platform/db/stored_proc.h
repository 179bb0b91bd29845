// A dataset filled by a stored procedure called with positional parameters; the
// return-value parameter (first by convention) receives the procedure's return value.
#pragma once

#include "platform/db/dataset.h"
#include "platform/db/parameters.h"

namespace qel::db {

class StoredProc : public DataSet {
public:
    StoredProc(Connection* connection, QString name);

    void setProcedureName(const QString& name);   // while closed
    const QString& procedureName() const { return procedure_; }

    Parameters& parameters() { return params_; }

    // Calls the procedure without opening the dataset (for procedures without rows).
    void execProc();

protected:
    wire::ResultSet fetchRows() override;
    QString commandDescription() const override { return procedure_; }

private:
    wire::BatchResult call();

    QString procedure_;
    Parameters params_;
};

} // namespace qel::db
