#include "server/tds/error_numbers.h"

namespace qel::server::tds {

namespace {

struct Rule {
    const char* fragment;   // the text starts with it (^) or contains it
    bool atStart;
    int number;
    uint8_t severity;
};

const Rule kRules[] = {
    {"Login failed for user", true, 18456, 14},
    {"Invalid object name", true, 208, 16},
    {"Invalid column name", true, 207, 16},
    {"The multi-part identifier", true, 4104, 16},
    {"is not a recognized built-in function name", false, 195, 15},
    {"Incorrect syntax near", true, 102, 15},
    {"Ambiguous column name", true, 209, 16},
    {"Violation of UNIQUE KEY constraint", true, 2627, 14},
    {"Violation of PRIMARY KEY constraint", true, 2627, 14},
    {"Cannot insert the value NULL into column", true, 515, 16},
    {"Lock request time out period exceeded", true, 1222, 16},
    {"Could not find stored procedure", true, 2812, 16},
    {"is not a parameter for procedure", false, 8145, 16},
    {"expects parameter", false, 201, 16},
    {"Conversion failed when converting date and/or time", true, 241, 16},
    {"Conversion failed when converting", true, 245, 16},
    {"Error converting data type", true, 8114, 16},
    {"String or binary data would be truncated", true, 8152, 16},
    {"Arithmetic overflow", true, 8115, 16},
    {"Divide by zero error encountered", true, 8134, 16},
    {"permission was denied", false, 229, 14},
    {"The statement was refused", true, 229, 14},
    {"is not a valid date format", false, 2741, 16},
    {"is not an official language name", false, 2732, 16},
    {"All queries combined using a UNION", true, 205, 16},
    {"Column name or number of supplied values does not match", true, 213, 16},
    {"There are fewer columns in the INSERT statement", true, 109, 15},
    {"is not updatable because the modification affects multiple base tables", false, 4405, 16},
    {"The maximum recursion", true, 530, 16},
    {"The parameterized query", true, 8178, 16},
    {"Cannot open database", true, 4060, 11},
};

} // namespace

ServerMessage messageForError(const QString& text, int code)
{
    ServerMessage m;
    m.text = text;
    m.number = 50000;
    m.severity = 16;
    if (code > 0) {
        m.number = code;
        return m;
    }
    for (const Rule& r : kRules) {
        const QLatin1String fragment(r.fragment);
        if (r.atStart ? text.startsWith(fragment) : text.contains(fragment)) {
            m.number = r.number;
            m.severity = r.severity;
            break;
        }
    }
    return m;
}

ServerMessage loginFailed(const QString& user)
{
    return messageForError(QStringLiteral("Login failed for user '%1'.").arg(user));
}

} // namespace qel::server::tds
