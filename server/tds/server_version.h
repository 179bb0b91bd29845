// The version the server reports to clients in PRELOGIN and LOGINACK: the program's own
// (QEL 13, client version 27), and the product name in LOGINACK.
#pragma once

#include <cstdint>

namespace qel::server::tds {

inline constexpr uint8_t kServerMajorVersion = 13;
inline constexpr uint8_t kServerMinorVersion = 27;
inline constexpr uint16_t kServerBuild = 1;
inline constexpr const char16_t* kServerProductName = u"QEL 13 embedded server";

} // namespace qel::server::tds
