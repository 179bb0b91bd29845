// Letting the interface repaint in the middle of synchronous work (progress steps, the
// loading window): pending paint and layout events run, user input waits.
#pragma once

namespace qel::ui {

void repaintNow();

} // namespace qel::ui
