// Program entry of the client.
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"

#include <QMainWindow>

int main(int argc, char** argv)
{
    qel::ui::Application app(argc, argv);
    qel::ui::setApplicationTitle(QStringLiteral("QEL 13 Учет успеваемости"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("QEL 13 "));
    window.showMaximized();
    return app.exec();
}
