#include "tests/support/keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace qel::test {

void typeText(QWidget* widget, const QString& text)
{
    for (QChar ch : text) {
        const int key = ch.isLetterOrNumber() && ch.unicode() < 128 ? ch.toUpper().unicode() : Qt::Key_unknown;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace qel::test
