// Which files the server takes for its databases: regular files that carry its application
// id, written when the file is made (or, for a file made before the id existed, that hold
// the server's own sys_logins table). Anything else — an empty file, another application's
// SQLite file, a named pipe, a device, a folder — is refused before the storage writes a
// byte or switches the journal mode, so it stays exactly as it was.
#pragma once

#include <QString>

struct sqlite3;

namespace qel::server {

// "QEL1", at offset 68 of the SQLite header (PRAGMA application_id).
inline constexpr unsigned kApplicationId = 0x51454C31;

// True for a regular file (a symbolic link is followed); false for a pipe, a device, a
// folder or nothing at all. Never opens the file.
bool isRegularFile(const QString& path);

// Throws wire::ServerError unless the file is one of the server's databases.
void checkDatabaseFile(const QString& path);
// Throws the refusal of a file that is not one of them.
[[noreturn]] void notServerDatabase(const QString& path);

// Writes the application id into an open database of the server (a new file, or an older
// one that checkDatabaseFile accepted by its sys_logins table).
void stampDatabaseFile(sqlite3* db);

} // namespace qel::server
