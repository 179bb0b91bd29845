// What a lookup combo box and a lookup list box share: the list of a data source's rows
// (one item per row, the list field shown, the key field as the item's key) and the chosen
// key value, which is null when nothing is chosen. Choosing a key positions the list's
// dataset on that row.
#pragma once

#include "platform/db/data_source.h"

#include <QAbstractListModel>
#include <QPointer>
#include <vector>

namespace qel::ui {

// Keys compare as numbers when both read as numbers ("5" equals 5), otherwise as texts;
// null equals only null.
bool sameKey(const QVariant& a, const QVariant& b);

class LookupBinding : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole + 1;

    explicit LookupBinding(QObject* parent = nullptr);
    ~LookupBinding() override;

    db::DataSource* listSource() const { return source_; }
    void setListSource(db::DataSource* source);
    const QString& keyField() const { return keyField_; }
    void setKeyField(const QString& name);
    const QString& listField() const { return listField_; }
    void setListField(const QString& name);

    QVariant keyValue() const { return key_; }
    // Sets the key and positions the list's dataset on its row when the row is listed.
    void setKeyValue(const QVariant& key);
    // The row showing the key, -1 when none.
    int keyRow() const;
    QString text() const;
    QVariant keyAt(int row) const;
    QString textAt(int row) const;
    // A user's choice of a listed row.
    void pick(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

signals:
    // The key or the list changed; the control shows keyRow() again.
    void changed();

private:
    db::DataSet* dataSet() const;
    db::Field* field(const QString& name) const;
    void connectSource();
    void listReset();
    void position();

    QPointer<db::DataSource> source_;
    std::vector<QMetaObject::Connection> connections_;
    QString keyField_;
    QString listField_;
    QVariant key_;
    int rows_ = 0;
};

} // namespace qel::ui
