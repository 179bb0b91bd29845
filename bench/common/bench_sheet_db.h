// A database file for the sheet benchmarks: a small faculty (one group, one semester, one
// discipline, an examination scale, a teacher and the user "teacher") and as many students
// as asked, each with one mark row; and the login of the data module as that user.
#pragma once

#include "server/server.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

namespace qel::data {
class TDM_CDE_3;
}

namespace qel::bench {

// Creates the file and fills it; markRow inserts the mark row of student `id` (1-based),
// inside one transaction with the students.
void buildSheetDatabase(const QString& path, int students,
                        const std::function<void(server::Session&, int id)>& markRow);

// Runs the user check as the login window does and reconnects the data module's
// connection under the working account it hands out; dataSource as in the settings file
// ("embedded", or "host,port" of a server on the network).
void loginAsTeacher(data::TDM_CDE_3& dm, const QString& dataSource = QStringLiteral("embedded"));

// Opens ADO_SP_Sort on the database's one sheet, parameters set by position as the main
// window sets them.
void openSheet(data::TDM_CDE_3& dm);

// Runs SQL straight on the file (past the server's rules: copying and putting back rows
// between benchmark iterations). Reports a failure on stderr.
void execRaw(const QString& path, const char* sql);

// One statement read straight from the file, the way any client must: every column into
// a Qt value (the yardstick the sheet openings are measured against).
std::vector<std::vector<QVariant>> readPlainRows(const QString& path, const char* sql);

} // namespace qel::bench
