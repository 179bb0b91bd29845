// A data-aware picture: shows the picture stored in a blob field of the data source's
// current record (JPEG through libjpeg-turbo, other formats through Qt). Null, damaged or
// foreign bytes show an empty picture.
#pragma once

#include "platform/db/data_source.h"

#include <QFrame>
#include <QImage>
#include <QPointer>

namespace qel::ui {

class DBImage : public QFrame {
    Q_OBJECT
public:
    explicit DBImage(QWidget* parent = nullptr);

    db::DataSource* dataSource() const { return source_; }
    void setDataSource(db::DataSource* source);
    const QString& dataField() const { return field_; }
    void setDataField(const QString& name);

    const QImage& picture() const { return picture_; }
    bool hasPicture() const { return !picture_.isNull(); }

    // Stretch: fill the control (keeping proportions when proportional is on); otherwise
    // shown at its own size, shrunk to fit when larger. Centre places it in the middle.
    bool stretch() const { return stretch_; }
    void setStretch(bool on);
    bool proportional() const { return proportional_; }
    void setProportional(bool on);
    bool center() const { return center_; }
    void setCenter(bool on);
    QColor color() const { return color_; }
    void setColor(const QColor& color);

    // Re-reads the picture of the current record.
    void reload();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<db::DataSource> source_;
    std::vector<QMetaObject::Connection> connections_;
    QString field_;
    QImage picture_;
    QByteArray shownBytes_;
    bool stretch_ = true;
    bool proportional_ = true;
    bool center_ = true;
    QColor color_ = Qt::white;
};

} // namespace qel::ui
