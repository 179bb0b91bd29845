// Typing any text, Cyrillic included, into a widget as key presses (QTest's key helpers
// know only ASCII).
#pragma once

#include <QString>

class QWidget;

namespace qel::test {

void typeText(QWidget* widget, const QString& text);

} // namespace qel::test
