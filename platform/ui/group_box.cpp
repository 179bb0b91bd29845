#include "platform/ui/group_box.h"

#include <QPainter>

namespace qel::ui {

GroupBox::GroupBox(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption)
{
    captionFont_ = font();
    updateMargins();
}

void GroupBox::setCaption(const QString& caption)
{
    caption_ = caption;
    updateMargins();
    update();
}

void GroupBox::setCaptionFont(const QFont& font, const QColor& color)
{
    captionFont_ = font;
    captionColor_ = color;
    updateMargins();
    update();
}

void GroupBox::setColor(const QColor& color)
{
    color_ = color;
    update();
}

void GroupBox::updateMargins()
{
    // Room for the caption above the frame's contents.
    const int top = QFontMetrics(captionFont_).height() + 4;
    setContentsMargins(6, top, 6, 6);
}

void GroupBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (color_.isValid())
        p.fillRect(rect(), color_);
    const QFontMetrics fm(captionFont_);
    const int half = fm.height() / 2;
    const QRect frame = rect().adjusted(1, half + 1, -2, -2);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(frame);
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(frame.translated(1, 1));
    if (caption_.isEmpty())
        return;
    const QRect text(8, 0, fm.horizontalAdvance(caption_) + 6, fm.height());
    p.fillRect(text, color_.isValid() ? color_ : palette().color(QPalette::Window));
    p.setFont(captionFont_);
    p.setPen(captionColor_);
    p.drawText(text, Qt::AlignCenter, caption_);
}

} // namespace qel::ui
