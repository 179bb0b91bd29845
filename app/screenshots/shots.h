// qel13-screenshots renders the client's windows to PNG files (make screenshots). Each
// shot lives in its own file and registers itself with a static Shot object.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace qel::shots {

// The environment a shot runs in: a fresh data folder (QEL_DATA_DIR points there, with
// the settings file of the embedded demo database where the program provides one).
struct ShotContext {
    QString dataDir;
    // Saves a grab of the widget as <name>.png in the output folder.
    std::function<void(QWidget*, const QString& name)> save;
};

struct Shot {
    Shot(const char* name, std::function<void(ShotContext&)> render);
};

} // namespace qel::shots
