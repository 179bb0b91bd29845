// The data module's own audit row for a deleted mark record: every data field of the row
// as name[value], written to QEL_LOG under the user's login. The change history recorder
// writes a longer row of its own for the same deletion.
#pragma once

#include <QString>

namespace qel::db {
class DataSet;
}

namespace qel::rules {

// "Запись с уникальным номером - ''<key>'' была удалена - (name[value], …)." for the
// current record; the key field is left out of the list and empty fields read NULL. Values
// have their quotes doubled, so the text stands as it is inside a quoted SQL literal.
QString deletedRecordDescription(const db::DataSet& dataSet, const QString& keyField);

// The INSERT of that description into QEL_LOG for table 'mark_mag'.
QString deleteAuditStatement(const db::DataSet& dataSet, const QString& keyField, const QString& login);

} // namespace qel::rules
