#include "platform/ui/repaint.h"

#include <QApplication>

namespace qel::ui {

void repaintNow()
{
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace qel::ui
