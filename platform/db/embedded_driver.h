// The driver of the embedded server: a session on <data folder>/<Initial Catalog>.sqlite
// (created with the schema and the demo data when missing), logged in with User ID and
// Password. Server errors become DbError with the server's text.
#pragma once

#include "platform/db/connection_string.h"
#include "platform/db/driver.h"

#include <memory>

namespace qel::db {

// The database file a connection string names.
QString embeddedDatabasePath(const ConnectionString& cs);

std::unique_ptr<Driver> makeEmbeddedDriver(const ConnectionString& cs);

// The server's administrator on an existing database file, wherever it lies (the admin
// tool's reports): no login, every table readable. A missing file is an error, never
// created.
std::unique_ptr<Driver> makeEmbeddedAdministratorDriver(const QString& path);

} // namespace qel::db
