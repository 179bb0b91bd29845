// Parameters of a query (":name" in its text) or of a stored procedure (by position,
// the return value first). Values are variants converted to the declared type when sent.
#pragma once

#include "server/wire.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace qel::db {

enum class ParamDirection { Input, Output, InputOutput, ReturnValue };

class Parameter {
public:
    Parameter(QString name, wire::ColumnType type = wire::ColumnType::Unknown, int size = 0,
              ParamDirection direction = ParamDirection::Input, QVariant value = {});

    const QString& name() const { return name_; }
    wire::ColumnType type() const { return type_; }      // Unknown: sent as given
    int size() const { return size_; }
    ParamDirection direction() const { return direction_; }
    bool isReturnValue() const { return direction_ == ParamDirection::ReturnValue; }

    const QVariant& value() const { return value_; }
    // A text longer than the declared size enlarges the parameter to the text's length,
    // so the whole text reaches the server.
    void setValue(const QVariant& v);
    void clear() { value_ = QVariant(); }
    bool isNull() const { return value_.isNull(); }

    void setType(wire::ColumnType t) { type_ = t; }
    void setSize(int n) { size_ = n; }

    // The value converted to the declared type for sending; throws DbError when a text
    // does not convert (an integer parameter set to "abc").
    QVariant boundValue() const;
    wire::Param toWire() const;

private:
    QString name_;
    wire::ColumnType type_;
    int size_;
    ParamDirection direction_;
    QVariant value_;
};

class Parameters {
public:
    int count() const { return int(items_.size()); }
    bool isEmpty() const { return items_.empty(); }
    Parameter& operator[](int index);              // throws DbError when out of range
    const Parameter& operator[](int index) const;
    // By name, case-insensitive, with or without the leading "@"; throws DbError when absent.
    Parameter& byName(const QString& name);
    Parameter* find(const QString& name);
    Parameter& add(const Parameter& p);
    void clear() { items_.clear(); }
    // Keeps the parameters named in names (with their values), in that order, and adds
    // the missing ones as untyped.
    void reshape(const QStringList& names);
    QStringList names() const;

private:
    std::vector<std::unique_ptr<Parameter>> items_;
};

} // namespace qel::db
