// A dataset defined by SQL text. The text is sent unchanged except that ":name"
// parameters (outside literals, bracketed names and comments) are bound by name.
#pragma once

#include "platform/db/dataset.h"
#include "platform/db/parameters.h"

namespace qel::db {

class Query : public DataSet {
public:
    Query(Connection* connection, QString name);

    // Replaces the whole text; an open query is closed first. The parameters are
    // re-read from the text (values of names that stay are kept).
    void setSql(const QString& text);
    // A new text and the query opened on it (closed first when open).
    void reopen(const QString& text);
    // Lines of a multi-line command, joined with "\n".
    void setSqlLines(const QStringList& lines);
    const QString& sql() const { return sql_; }

    Parameters& parameters() { return params_; }

    // Runs the text as a statement without rows on the same connection; returns the rows
    // affected (-1 when the statement reports none). The query stays closed.
    qint64 execSql();

protected:
    wire::ResultSet fetchRows() override;
    QString commandDescription() const override { return sql_; }

private:
    QString boundText(QList<QVariant>* values) const;

    QString sql_;
    Parameters params_;
};

} // namespace qel::db
