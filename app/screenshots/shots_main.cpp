// Entry of qel13-screenshots: runs every registered shot offscreen and writes PNG files.
#include "app/screenshots/shots.h"

#include "platform/os/errors.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"

#include <QDir>
#include <QPixmap>
#include <QTextStream>
#include <QWidget>
#include <map>

namespace qel::shots {
namespace {
std::map<QString, std::function<void(ShotContext&)>>& registry()
{
    static std::map<QString, std::function<void(ShotContext&)>> r;
    return r;
}

// Message boxes would block an unattended run: they are answered and logged instead.
class LoggingDialogs : public ui::Dialogs {
public:
    ui::MsgResult message(const ui::MessageRequest& r) override
    {
        QTextStream(stderr) << "message box: " << r.title << ": " << r.text << "\n";
        return r.buttons == ui::MsgButtons::YesNo ? ui::MsgResult::Yes : ui::MsgResult::Ok;
    }
};
} // namespace

Shot::Shot(const char* name, std::function<void(ShotContext&)> render)
{
    registry()[QString::fromUtf8(name)] = std::move(render);
}

} // namespace qel::shots

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qel::ui::Application app(argc, argv);
    qel::ui::setApplicationTitle(QStringLiteral("QEL 13 Учет успеваемости"));
    qel::shots::LoggingDialogs dialogs;
    qel::ui::setDialogs(&dialogs);

    const QString out = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots")).absolutePath();
    QDir().mkpath(out);
    QTextStream log(stdout);
    int failures = 0;
    for (auto& entry : qel::shots::registry()) {
        const QString& name = entry.first;
        auto& render = entry.second;
        const QString dataDir = QDir::temp().filePath(QStringLiteral("qel-shots/") + name);
        QDir(dataDir).removeRecursively();
        QDir().mkpath(dataDir);
        qputenv("QEL_DATA_DIR", dataDir.toLocal8Bit());
        qel::shots::ShotContext ctx{dataDir, [&](QWidget* w, const QString& file) {
                                        w->repaint();
                                        QApplication::processEvents();
                                        const QString path = out + QLatin1Char('/') + file + QStringLiteral(".png");
                                        w->grab().save(path);
                                        log << "wrote " << path << "\n";
                                    }};
        if (!qel::ui::runGuarded([&] { render(ctx); }))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
