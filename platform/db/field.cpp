#include "platform/db/field.h"

#include "platform/db/dataset.h"
#include "platform/db/value_convert.h"

namespace qel::db {

const char* fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::String: return "String";
    case FieldType::WideString: return "WideString";
    case FieldType::Integer: return "Integer";
    case FieldType::SmallInt: return "SmallInt";
    case FieldType::LargeInt: return "LargeInt";
    case FieldType::AutoInc: return "AutoInc";
    case FieldType::Boolean: return "Boolean";
    case FieldType::Float: return "Float";
    case FieldType::DateTime: return "DateTime";
    case FieldType::Date: return "Date";
    case FieldType::Time: return "Time";
    case FieldType::Blob: return "Blob";
    case FieldType::Unknown: break;
    }
    return "Unknown";
}

FieldSpec FieldSpec::data(const QString& name, FieldType type, int size)
{
    FieldSpec s;
    s.name = name;
    s.type = type;
    s.size = size;
    return s;
}

FieldSpec FieldSpec::autoInc(const QString& name)
{
    FieldSpec s = data(name, FieldType::AutoInc);
    s.readOnly = true;
    return s;
}

FieldSpec FieldSpec::lookup(const QString& name, FieldType type, int size, const QString& keyFields,
                            DataSet* lookupDataSet, const QString& lookupKeyFields,
                            const QString& lookupResultField)
{
    FieldSpec s = data(name, type, size);
    s.kind = FieldKind::Lookup;
    s.keyFields = keyFields;
    s.lookupDataSet = lookupDataSet;
    s.lookupKeyFields = lookupKeyFields;
    s.lookupResultField = lookupResultField;
    return s;
}

FieldSpec FieldSpec::calculated(const QString& name, FieldType type, int size)
{
    FieldSpec s = data(name, type, size);
    s.kind = FieldKind::Calculated;
    return s;
}

Field::Field(DataSet& dataSet, const FieldSpec& spec, bool persistent)
    : dataSet_(&dataSet), spec_(spec), persistent_(persistent)
{
}

QVariant Field::value() const { return dataSet_->fieldValue(*this); }
bool Field::isNull() const { return value().isNull(); }
QString Field::asString() const { return convert::toText(value()); }
int Field::asInteger() const { return int(convert::toInteger(value())); }
qint64 Field::asLargeInt() const { return convert::toInteger(value()); }
double Field::asFloat() const { return convert::toFloat(value()); }
bool Field::asBoolean() const { return convert::toBoolean(value()); }
QDateTime Field::asDateTime() const { return convert::toDateTime(value()); }
QByteArray Field::asBytes() const
{
    const QVariant v = value();
    if (v.typeId() == QMetaType::QString)
        return v.toString().toUtf8();
    return v.toByteArray();
}

QString Field::displayText() const
{
    return displayTextFor(value());
}

QString Field::displayTextFor(const QVariant& v) const
{
    if (v.isNull() || spec_.displayFormat.isEmpty())
        return convert::toText(v);
    if (convert::isTemporalType(spec_.type) || v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate)
        return convert::toDateTime(v).toString(spec_.displayFormat);
    if (convert::isNumericType(spec_.type) && spec_.displayFormat.startsWith(QLatin1Char('%')))
        return QString::asprintf(spec_.displayFormat.toLatin1().constData(), convert::toFloat(v));
    return convert::toText(v);
}

QVariant Field::oldValue() const { return dataSet_->fieldOldValue(*this); }

void Field::setValue(const QVariant& v) { dataSet_->setFieldValue(*this, v); }
void Field::setAsString(const QString& v) { setValue(v); }
void Field::setAsInteger(qint64 v) { setValue(v); }
void Field::setAsFloat(double v) { setValue(v); }
void Field::setAsBoolean(bool v) { setValue(v); }
void Field::setAsDateTime(const QDateTime& v) { setValue(v.isValid() ? QVariant(v) : QVariant()); }

} // namespace qel::db
