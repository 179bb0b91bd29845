// Fields of a dataset: one column of its rows with typed access to the value of the
// active record. Data fields map a result column; lookup fields take a value from
// another dataset by key; calculated fields are set by the dataset's calculate handler.
#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

namespace qel::db {

class DataSet;

enum class FieldType {
    Unknown,
    String,      // single-byte text of at most size characters
    WideString,  // UTF-16 text of at most size characters (fixed: blank-padded to size)
    Integer,     // 32-bit signed
    SmallInt,
    LargeInt,    // 64-bit signed
    AutoInc,     // 32-bit identity assigned by the server, read-only
    Boolean,
    Float,       // 64-bit IEEE
    DateTime,
    Date,
    Time,
    Blob,        // raw bytes
};

enum class FieldKind { Data, Lookup, Calculated };

const char* fieldTypeName(FieldType type);

// The declaration of a persistent field (or the shape of a dynamic one). Built with the
// helpers below, e.g. FieldSpec::string("p35", 50), FieldSpec::integer("kredits").max(20).
struct FieldSpec {
    QString name;
    FieldType type = FieldType::String;
    int size = 0;                 // texts: characters kept; 0 = unbounded
    FieldKind kind = FieldKind::Data;
    bool readOnly = false;
    bool fixedChar = false;       // WideString(n), fixed
    bool visible = true;
    int displayWidth = 0;
    QString displayLabel;         // empty: the name
    QString displayFormat;        // dates: e.g. "dd.MM.yyyy"; numbers: a printf-like "%.2f"
    QString editMask;             // kept for editors; the field does not apply it
    std::optional<double> minValue;
    std::optional<double> maxValue;

    // Lookup fields: keyFields of this dataset → lookupDataSet where lookupKeyFields
    // equals it ⇒ lookupResultField.
    QString keyFields;
    DataSet* lookupDataSet = nullptr;
    QString lookupKeyFields;
    QString lookupResultField;

    static FieldSpec data(const QString& name, FieldType type, int size = 0);
    static FieldSpec integer(const QString& name) { return data(name, FieldType::Integer); }
    static FieldSpec autoInc(const QString& name);
    static FieldSpec floating(const QString& name) { return data(name, FieldType::Float); }
    static FieldSpec boolean(const QString& name) { return data(name, FieldType::Boolean); }
    static FieldSpec dateTime(const QString& name) { return data(name, FieldType::DateTime); }
    static FieldSpec date(const QString& name) { return data(name, FieldType::Date); }
    static FieldSpec blob(const QString& name) { return data(name, FieldType::Blob); }
    static FieldSpec string(const QString& name, int size = 20) { return data(name, FieldType::String, size); }
    static FieldSpec lookup(const QString& name, FieldType type, int size, const QString& keyFields,
                            DataSet* lookupDataSet, const QString& lookupKeyFields,
                            const QString& lookupResultField);
    static FieldSpec calculated(const QString& name, FieldType type, int size = 0);

    FieldSpec& min(double v) { minValue = v; return *this; }
    FieldSpec& max(double v) { maxValue = v; return *this; }
    FieldSpec& setReadOnly(bool on = true) { readOnly = on; return *this; }
    FieldSpec& width(int chars) { displayWidth = chars; return *this; }
    FieldSpec& label(const QString& text) { displayLabel = text; return *this; }
    FieldSpec& format(const QString& text) { displayFormat = text; return *this; }
    FieldSpec& mask(const QString& text) { editMask = text; return *this; }
};

class Field {
public:
    Field(DataSet& dataSet, const FieldSpec& spec, bool persistent);
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    DataSet& dataSet() const { return *dataSet_; }
    const QString& name() const { return spec_.name; }
    FieldType dataType() const { return spec_.type; }
    FieldKind kind() const { return spec_.kind; }
    bool isData() const { return spec_.kind == FieldKind::Data; }
    bool isLookup() const { return spec_.kind == FieldKind::Lookup; }
    bool isCalculated() const { return spec_.kind == FieldKind::Calculated; }
    bool isPersistent() const { return persistent_; }
    int size() const { return spec_.size; }
    int index() const { return index_; }          // position in DataSet::fields()
    const FieldSpec& spec() const { return spec_; }

    bool readOnly() const { return spec_.readOnly; }
    void setReadOnly(bool on) { spec_.readOnly = on; }
    bool visible() const { return spec_.visible; }
    void setVisible(bool on) { spec_.visible = on; }
    QString displayLabel() const { return spec_.displayLabel.isEmpty() ? spec_.name : spec_.displayLabel; }
    void setDisplayLabel(const QString& text) { spec_.displayLabel = text; }
    int displayWidth() const { return spec_.displayWidth; }
    const QString& displayFormat() const { return spec_.displayFormat; }
    const QString& editMask() const { return spec_.editMask; }
    std::optional<double> minValue() const { return spec_.minValue; }
    std::optional<double> maxValue() const { return spec_.maxValue; }

    const QString& keyFields() const { return spec_.keyFields; }
    DataSet* lookupDataSet() const { return spec_.lookupDataSet; }
    const QString& lookupKeyFields() const { return spec_.lookupKeyFields; }
    const QString& lookupResultField() const { return spec_.lookupResultField; }

    // Where a data field's value is written back: from the server's column description,
    // empty when the server did not say (the dataset's declared update table applies).
    const QString& baseTable() const { return baseTable_; }
    const QString& baseColumn() const { return baseColumn_; }
    bool isIdentity() const { return identity_; }

    // Value of the active record (the current row, the edit buffer while editing, or the
    // row being calculated).
    QVariant value() const;
    bool isNull() const;
    QString asString() const;           // empty for null
    int asInteger() const;              // floats round half to even; null and "" give 0
    qint64 asLargeInt() const;
    double asFloat() const;             // null and "" give 0
    bool asBoolean() const;             // null gives false
    QDateTime asDateTime() const;       // null gives an invalid QDateTime
    QByteArray asBytes() const;
    QString displayText() const;        // asString formatted by displayFormat
    QString displayTextFor(const QVariant& v) const;   // any value in this field's format

    // The stored value of the active record before the current edit (the value read from
    // the server or last posted); equals value() outside editing.
    QVariant oldValue() const;

    // Assignment; needs the dataset in edit or insert state (calculated fields also while
    // calculating). Texts longer than size keep the first size characters; numbers outside
    // min/max are refused with a DbError; "" assigned to a non-text field clears it.
    void setValue(const QVariant& v);
    void setAsString(const QString& v);
    void setAsInteger(qint64 v);
    void setAsFloat(double v);
    void setAsBoolean(bool v);
    void setAsDateTime(const QDateTime& v);
    void clear() { setValue(QVariant()); }

    // Runs after the field's value changed through an assignment.
    std::function<void(Field&)> onChange;

private:
    friend class DataSet;
    DataSet* dataSet_;
    FieldSpec spec_;
    bool persistent_;
    int index_ = -1;
    int column_ = -1;     // data fields: index of the result column while open
    int slot_ = -1;       // lookup and calculated fields: index in the record's extra values
    QString baseTable_;
    QString baseColumn_;
    bool identity_ = false;
    // Lookup fields: the fields named by the definition, resolved once per field list.
    const Field* lookupKey_ = nullptr;
    const Field* lookupSourceKey_ = nullptr;
    const Field* lookupSourceResult_ = nullptr;
    quint64 lookupResolvedFor_ = 0;   // own fieldsVersion_ * source fieldsVersion_ mix
};

} // namespace qel::db
