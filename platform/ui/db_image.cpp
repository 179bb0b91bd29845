#include "platform/ui/db_image.h"

#include "platform/ui/jpeg_image.h"

#include <QPainter>

namespace qel::ui {

DBImage::DBImage(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setMinimumSize(16, 16);
}

void DBImage::setDataSource(db::DataSource* source)
{
    for (auto& c : connections_)
        disconnect(c);
    connections_.clear();
    source_ = source;
    if (source_) {
        using db::DataSource;
        auto reread = [this] { reload(); };
        connections_.push_back(connect(source_, &DataSource::activeChanged, this, reread));
        connections_.push_back(connect(source_, &DataSource::layoutReset, this, reread));
        connections_.push_back(connect(source_, &DataSource::currentChanged, this, reread));
        connections_.push_back(connect(source_, &DataSource::dataSetChanged, this, reread));
        connections_.push_back(connect(source_, &DataSource::rowsRemoved, this, reread));
        connections_.push_back(connect(source_, &DataSource::destroyed, this, reread));
        connections_.push_back(connect(source_, &DataSource::rowsChanged, this, [this](int first, int last) {
            db::DataSet* ds = source_ ? source_->dataSet() : nullptr;
            if (ds && ds->currentRow() >= first && ds->currentRow() <= last)
                reload();
        }));
    }
    reload();
}

void DBImage::setDataField(const QString& name)
{
    field_ = name;
    reload();
}

void DBImage::reload()
{
    QByteArray bytes;
    db::DataSet* ds = source_ && source_->enabled() ? source_->dataSet() : nullptr;
    if (ds && ds->active() && ds->currentRow() >= 0)
        if (db::Field* f = ds->findField(field_))
            bytes = ds->rowValue(ds->currentRow(), *f).toByteArray();
    if (bytes == shownBytes_)
        return;
    shownBytes_ = bytes;
    // A picture that cannot be decoded shows as none.
    picture_ = bytes.isEmpty() ? QImage() : decodePicture(bytes);
    update();
}

void DBImage::setStretch(bool on)
{
    stretch_ = on;
    update();
}

void DBImage::setProportional(bool on)
{
    proportional_ = on;
    update();
}

void DBImage::setCenter(bool on)
{
    center_ = on;
    update();
}

void DBImage::setColor(const QColor& color)
{
    color_ = color;
    update();
}

void DBImage::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(this);
        const QRect area = contentsRect();
        p.fillRect(area, color_);
        if (!picture_.isNull()) {
            QSize size = picture_.size();
            if (stretch_ || size.width() > area.width() || size.height() > area.height())
                size.scale(area.size(), proportional_ || !stretch_ ? Qt::KeepAspectRatio : Qt::IgnoreAspectRatio);
            QRect target(area.topLeft(), size);
            if (center_)
                target.moveCenter(area.center());
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(target, picture_);
        }
    }
    QFrame::paintEvent(event);
}

} // namespace qel::ui
