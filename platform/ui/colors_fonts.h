// The named colours the windows are drawn in (the classic desktop palette) and fonts by
// pixel size, so window code can say "bold navy 11 px" directly.
#pragma once

#include <QColor>
#include <QFont>

namespace qel::ui {

namespace colors {
inline QColor black() { return QColor(0, 0, 0); }
inline QColor white() { return QColor(255, 255, 255); }
inline QColor silver() { return QColor(192, 192, 192); }
inline QColor grey() { return QColor(128, 128, 128); }
inline QColor navy() { return QColor(0, 0, 128); }
inline QColor maroon() { return QColor(128, 0, 0); }
inline QColor red() { return QColor(255, 0, 0); }
inline QColor green() { return QColor(0, 128, 0); }
inline QColor moneyGreen() { return QColor(192, 220, 192); }
inline QColor buttonFace() { return QColor(212, 208, 200); }
inline QColor window() { return QColor(255, 255, 255); }
inline QColor windowText() { return QColor(0, 0, 0); }
inline QColor activeCaption() { return QColor(10, 36, 106); }
inline QColor infoBackground() { return QColor(255, 255, 225); }
} // namespace colors

// The application's font at a pixel size, optionally bold and underlined.
QFont pixelFont(int pixels, bool bold = false, bool underline = false);

// Gives a widget a text colour (and a background when valid) through its palette.
void setTextColor(QWidget* widget, const QColor& color);
void setBackgroundColor(QWidget* widget, const QColor& color);

} // namespace qel::ui
