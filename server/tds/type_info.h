// Data types on the wire: reading a TYPE_INFO and a value of it (the parameters a client
// sends), and choosing the type a result column travels in and writing its values.
#pragma once

#include "server/tds/bytes.h"
#include "server/wire.h"

#include <QVariant>
#include <QList>

namespace qel::server::tds {

struct TypeInfo {
    uint8_t type = 0;
    uint32_t maxLength = 0;   // bytes; 0xFFFF on a variable type: (max), sent in chunks
    uint8_t precision = 0;
    uint8_t scale = 0;
    char collation[5] = {0, 0, 0, 0, 0};
    bool hasCollation = false;

    bool isPlp() const;
};

// Reads a parameter's TYPE_INFO. Throws ProtocolError for a type the server cannot read.
TypeInfo readTypeInfo(ByteReader& in);

// Reads a value of that type: SQL NULL is a null QVariant; integers come as qint32 or
// qint64, bit as bool, float/real/decimal/numeric/money as double, texts as QString,
// binaries as QByteArray, datetime as QDateTime, date as QDate, time as QTime.
QVariant readValue(ByteReader& in, const TypeInfo& t);

// The column type (wire) that a parameter of this TYPE_INFO declares.
wire::ColumnType columnTypeOf(const TypeInfo& t);

// How a result column travels: its TYPE_INFO, chosen from the declared type and widened
// where a value would not fit (a fraction in an int column, a text longer than declared).
struct OutType {
    uint8_t type = 0;
    uint32_t maxLength = 0;
    uint8_t scale = 0;
    bool plp = false;

    bool isText() const;
};

OutType chooseOutType(const wire::Column& column, const QList<wire::Row>& rows, int index);
OutType outTypeForValue(wire::ColumnType type, const QVariant& value);

void writeTypeInfo(ByteWriter& out, const OutType& t);
void writeValue(ByteWriter& out, const OutType& t, const QVariant& value);

} // namespace qel::server::tds
