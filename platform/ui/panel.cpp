#include "platform/ui/panel.h"

#include <QPainter>

namespace qel::ui {

Panel::Panel(QWidget* parent) : Panel(QString(), parent) {}

Panel::Panel(const QString& caption, QWidget* parent) : QFrame(parent), caption_(caption)
{
    captionFont_ = font();
    setBevel(Bevel::Raised);
}

void Panel::setCaption(const QString& caption)
{
    caption_ = caption;
    updateGeometry();
    update();
}

void Panel::setColor(const QColor& color)
{
    color_ = color;
    update();
}

void Panel::setCaptionFont(const QFont& font, const QColor& color)
{
    captionFont_ = font;
    fontColor_ = color;
    updateGeometry();
    update();
}

void Panel::setAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    update();
}

void Panel::setBevel(Bevel bevel)
{
    switch (bevel) {
    case Bevel::None: setFrameStyle(QFrame::NoFrame); break;
    case Bevel::Raised: setFrameStyle(QFrame::Panel | QFrame::Raised); break;
    case Bevel::Lowered: setFrameStyle(QFrame::Panel | QFrame::Sunken); break;
    }
    setLineWidth(1);
}

QSize Panel::sizeHint() const
{
    const QFontMetrics fm(captionFont_);
    const QSize text(fm.horizontalAdvance(caption_) + 16, fm.height() + 10);
    return text.expandedTo(QFrame::sizeHint());
}

void Panel::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(this);
        p.fillRect(rect(), color_.isValid() ? color_ : palette().color(QPalette::Window));
        if (!caption_.isEmpty()) {
            p.setFont(captionFont_);
            p.setPen(fontColor_);
            p.drawText(contentsRect().adjusted(4, 1, -4, -1), int(alignment_) | Qt::TextWordWrap, caption_);
        }
    }
    QFrame::paintEvent(event);
}

} // namespace qel::ui
