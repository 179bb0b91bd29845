#include "platform/ui/label.h"

#include "platform/ui/colors_fonts.h"

namespace qel::ui {

Label::Label(const QString& text, QWidget* parent) : QLabel(text, parent) {}

Label::Label(const QString& text, const QFont& font, const QColor& color, QWidget* parent) : QLabel(text, parent)
{
    setFont(font);
    setFontColor(color);
}

QColor Label::fontColor() const { return palette().color(QPalette::WindowText); }

void Label::setFontColor(const QColor& color) { setTextColor(this, color); }

void Label::setColor(const QColor& color) { setBackgroundColor(this, color); }

} // namespace qel::ui
