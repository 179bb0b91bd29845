// Making a database file: the schema, the server logins and settings, the demo data.
#pragma once

#include "server/storage.h"

#include <QString>

namespace qel::server {

// The text of server/schema.sql, built into the library.
extern const char* const kSchemaSql;

// Applies the schema and the server's own rows (logins, settings) to an empty database.
void initialiseDatabase(Storage& storage);

// The demo faculty: reference data, groups, students, curriculum, scales, users, marks.
void addDemoData(Storage& storage);

} // namespace qel::server
