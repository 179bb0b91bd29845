// The settings file Data/QEL: the account, password, server and catalogue of the first
// connection, 84 bytes of per-byte shifted texts, and the connection string made from them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qel {

// The decoded connection parameters of one login attempt.
struct TFirstConnectInfo {
    QString account;
    QString password;
    QString catalog;
    QString server;
};

constexpr int kSettingsFileSize = 84;
constexpr int kSettingsSlotSize = 20;

// Stored bytes are one less than the real ones: decoding adds 1 (255 wraps to 0).
QString decodeShifted(const QByteArray& stored);
QByteArray encodeShifted(const QString& text); // Windows-1251 bytes, each minus 1

// The text GET_USER returns for the database account and password, decoded the same way.
QString decodeShiftedText(const QString& storedText);

// Where the settings file QEL is looked for, in order: the folder of $QEL_DATA_DIR alone
// when it is set; otherwise the Data folder beside the executable, the user's data folder
// and the folder the package installs for the whole machine (/etc/qel13).
QStringList settingsFileCandidates();

// The settings file of this installation: the first candidate that exists, or the first
// candidate when none does (reading it then says it is missing).
QString settingsFilePath();

// Reads and decodes the first 84 bytes of the file; throws IoError naming the file when it
// is missing, not a regular file (a named pipe, a device, a folder), unreadable or shorter
// than 84 bytes.
TFirstConnectInfo readSettingsFile(const QString& path);
TFirstConnectInfo decodeSettings(const QByteArray& bytes84);

// Encodes the four texts into the 84-byte layout; throws qel::Error when a text is longer
// than 20 bytes or holds a character that Windows-1251 lacks.
QByteArray encodeSettings(const TFirstConnectInfo& info);
void writeSettingsFile(const QString& path, const TFirstConnectInfo& info);

// The OLE DB connection string used for both connections of a login.
QString connectionString(const TFirstConnectInfo& info);

} // namespace qel
