// The LOGIN7 record: who logs in, with which password, into which database, with which
// packet size.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace qel::server::tds {

struct Login7 {
    uint32_t tdsVersion = 0;
    uint32_t packetSize = 0;
    bool integratedSecurity = false;   // Windows authentication, which this server does not offer
    QString hostName;
    QString userName;
    QString password;
    QString appName;
    QString serverName;
    QString clientLibrary;
    QString language;
    QString database;
    bool changesPassword = false;       // a new password in the login record (refused)
};

// Throws ProtocolError for a record that is short or whose fields point outside it.
Login7 parseLogin7(const QByteArray& payload);

// The password field's scrambling, undone (each byte XORed with 0xA5, then its halves swapped).
QString unscramblePassword(const char* data, qsizetype chars);

} // namespace qel::server::tds
