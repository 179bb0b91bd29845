// What crosses the wire between the client and a database server: column descriptions,
// rows of values, batch results, procedure parameters and the server's error.
// The embedded server produces these directly; the ODBC driver fills them from SQL Server.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <exception>
#include <string>

namespace qel::wire {

// Declared types of result columns and parameters, as SQL Server names them.
enum class ColumnType : unsigned char {
    Unknown,
    Int,        // int: qint32
    BigInt,     // bigint: qint64
    SmallInt,   // smallint, tinyint: qint32
    Bit,        // bit: bool
    Float,      // float, real, numeric, decimal, money: double
    VarChar,    // char, varchar, text: single-byte text (QString in memory)
    NVarChar,   // nchar, nvarchar, ntext: UTF-16 text
    DateTime,   // datetime, smalldatetime, datetime2: QDateTime (local, no zone)
    Date,       // date: QDate
    Time,       // time: QTime
    VarBinary,  // binary, varbinary, image: QByteArray
};

const char* columnTypeName(ColumnType t);

struct Column {
    QString name;
    ColumnType type = ColumnType::Unknown;
    int size = 0;            // declared length of texts and binaries; 0 when unbounded or not a text
    bool identity = false;   // assigned by the server, read-only
    bool nullable = true;
    QString baseTable;       // the table the column is read from, when the server knows it
    QString baseColumn;      // its name in that table
};

// One row: a null QVariant is SQL NULL; other values have the C++ type noted above.
using Row = QList<QVariant>;

struct ResultSet {
    QList<Column> columns;
    QList<Row> rows;

    int columnIndex(const QString& name) const; // case-insensitive; -1 when absent
};

// The outcome of one batch of statements or one procedure call.
struct BatchResult {
    QList<ResultSet> resultSets; // every result set, in the order the statements produced them
    qint64 rowsAffected = -1;    // rows changed by the last INSERT/UPDATE/DELETE; -1 when none ran
    QVariant returnValue;        // a procedure's return value (null when none)
    QStringList messages;        // informational messages (PRINT and the like)
};

struct Param {
    QString name;            // "@group"
    ColumnType type = ColumnType::Int;
    int size = 0;
    QVariant value;          // null QVariant = NULL
    bool isReturnValue = false;
};

// An error reported by the server, with its text exactly as the user should see it.
class ServerError : public std::exception {
public:
    explicit ServerError(QString message, int code = 0)
        : message_(std::move(message)), code_(code), utf8_(message_.toStdString()) {}
    const QString& message() const noexcept { return message_; }
    int code() const noexcept { return code_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    int code_;
    std::string utf8_;
};

} // namespace qel::wire
