// Chooses the driver for a connection string: Data Source "embedded" selects the embedded
// server on <data folder>/<Initial Catalog>.sqlite; anything else is a SQL Server host
// reached through ODBC.
#pragma once

#include "platform/db/connection_string.h"
#include "platform/db/driver.h"

#include <memory>

namespace qel::db {

std::unique_ptr<Driver> makeDriver(const ConnectionString& cs);

} // namespace qel::db
