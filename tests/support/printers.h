// Readable GoogleTest output for Qt values (force-included into every test source).
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << "bytes(" << b.toHex(' ').toStdString() << ')'; }
inline void PrintTo(const QVariant& v, std::ostream* os)
{
    if (v.isNull())
        *os << "NULL";
    else
        *os << v.typeName() << '(' << v.toString().toStdString() << ')';
}
