// The main window as it stands.
#include "app/screenshots/shots.h"

#include <QMainWindow>

namespace {
const qel::shots::Shot mainWindowShot("main_window", [](qel::shots::ShotContext& ctx) {
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("QEL 13 "));
    window.resize(1100, 700);
    window.show();
    ctx.save(&window, QStringLiteral("main_window"));
});
} // namespace
