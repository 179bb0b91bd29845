#include "platform/db/parameters.h"

#include "platform/db/driver.h"
#include "platform/db/value_convert.h"

namespace qel::db {

namespace {

QString bareName(const QString& name)
{
    return name.startsWith(QLatin1Char('@')) ? name.mid(1) : name;
}

} // namespace

Parameter::Parameter(QString name, wire::ColumnType type, int size, ParamDirection direction, QVariant value)
    : name_(std::move(name)), type_(type), size_(size), direction_(direction), value_(std::move(value))
{
}

void Parameter::setValue(const QVariant& v)
{
    value_ = v;
    if (v.typeId() == QMetaType::QString && v.toString().size() > size_ && size_ > 0)
        size_ = v.toString().size();
}

QVariant Parameter::boundValue() const
{
    if (value_.isNull())
        return QVariant();
    using wire::ColumnType;
    const auto fail = [&] {
        throw DbError(QStringLiteral("Значение \"%1\" не подходит параметру %2 (%3)")
                          .arg(convert::toText(value_), name_, QString::fromLatin1(wire::columnTypeName(type_))));
    };
    try {
        switch (type_) {
        case ColumnType::Int: case ColumnType::SmallInt: {
            const QVariant v = convert::forAssignment(FieldType::Integer, 0, false, value_, name_);
            return v.isNull() ? QVariant() : v;
        }
        case ColumnType::BigInt:
            return convert::forAssignment(FieldType::LargeInt, 0, false, value_, name_);
        case ColumnType::Bit:
            return convert::forAssignment(FieldType::Boolean, 0, false, value_, name_);
        case ColumnType::Float:
            return convert::forAssignment(FieldType::Float, 0, false, value_, name_);
        case ColumnType::VarChar: case ColumnType::NVarChar:
            return value_.typeId() == QMetaType::QString ? value_ : QVariant(convert::toText(value_));
        case ColumnType::DateTime:
            return convert::forAssignment(FieldType::DateTime, 0, false, value_, name_);
        case ColumnType::Date:
            return convert::forAssignment(FieldType::Date, 0, false, value_, name_);
        case ColumnType::Time:
            return convert::forAssignment(FieldType::Time, 0, false, value_, name_);
        case ColumnType::VarBinary:
            return value_.toByteArray();
        case ColumnType::Unknown:
            return value_;
        }
    } catch (const DbError&) {
        fail();
    }
    return value_;
}

wire::Param Parameter::toWire() const
{
    wire::Param p;
    p.name = name_;
    p.type = type_;
    p.size = size_;
    p.isReturnValue = isReturnValue();
    if (!isReturnValue())
        p.value = boundValue();
    return p;
}

Parameter& Parameters::operator[](int index)
{
    if (index < 0 || index >= count())
        throw DbError(QStringLiteral("Нет параметра с номером %1").arg(index));
    return *items_[size_t(index)];
}

const Parameter& Parameters::operator[](int index) const
{
    return const_cast<Parameters&>(*this)[index];
}

Parameter* Parameters::find(const QString& name)
{
    const QString bare = bareName(name);
    for (auto& p : items_)
        if (bareName(p->name()).compare(bare, Qt::CaseInsensitive) == 0)
            return p.get();
    return nullptr;
}

Parameter& Parameters::byName(const QString& name)
{
    if (Parameter* p = find(name))
        return *p;
    throw DbError(QStringLiteral("Параметр \"%1\" не найден").arg(name));
}

Parameter& Parameters::add(const Parameter& p)
{
    items_.push_back(std::make_unique<Parameter>(p));
    return *items_.back();
}

void Parameters::reshape(const QStringList& names)
{
    std::vector<std::unique_ptr<Parameter>> next;
    for (const QString& name : names) {
        std::unique_ptr<Parameter> kept;
        for (auto& p : items_)
            if (p && p->name().compare(name, Qt::CaseInsensitive) == 0) {
                kept = std::move(p);
                break;
            }
        next.push_back(kept ? std::move(kept) : std::make_unique<Parameter>(name));
    }
    items_ = std::move(next);
}

QStringList Parameters::names() const
{
    QStringList out;
    for (const auto& p : items_)
        out << p->name();
    return out;
}

} // namespace qel::db
