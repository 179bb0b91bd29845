// Where the program's windows and dialogs open: in the middle of the screen's free area.
#pragma once

class QWidget;

namespace qel::ui {

// Moves the window (at its current size) to the centre of the available area of its screen.
void centerOnScreen(QWidget& window);

} // namespace qel::ui
