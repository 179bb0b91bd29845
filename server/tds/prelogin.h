// The PRELOGIN exchange: what the client offers (its encryption wish above all) and the
// server's answer.
#pragma once

#include <QByteArray>
#include <cstdint>

namespace qel::server::tds {

// What the server acts on: the client's encryption wish.
struct PreLoginRequest {
    uint8_t encryption = 2;   // Encryption; a client that sends none cannot encrypt
};

// Throws ProtocolError for options that point outside the message.
PreLoginRequest parsePreLogin(const QByteArray& payload);

// The answer: the server's version, its encryption decision, no instance, no MARS.
QByteArray buildPreLoginResponse(uint8_t encryption);

} // namespace qel::server::tds
