#include "platform/ui/error_report.h"

#include "platform/os/errors.h"
#include "platform/ui/dialogs.h"

namespace qel::ui {

void reportError(const std::exception& error)
{
    QString text;
    if (auto* e = dynamic_cast<const qel::Error*>(&error))
        text = e->message();
    else
        text = QString::fromUtf8(error.what());
    dialogs().message({nullptr, applicationTitle(), text, MsgIcon::Error, MsgButtons::Ok});
}

bool runGuarded(const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const SilentAbort&) {
    } catch (const std::exception& e) {
        reportError(e);
    }
    return false;
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event)
{
    bool result = false;
    runGuarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

} // namespace qel::ui
