#include "app/screenshots/shot_helpers.h"

#include "data/login_window.h"
#include "data/settings_file.h"
#include "platform/os/errors.h"
#include "platform/ui/db_lookup_combo_box.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace qel::shots {

void writeDemoSettings(const QString& dataDir)
{
    writeSettingsFile(dataDir + QStringLiteral("/QEL"), {QStringLiteral("qel_start"), QStringLiteral("qel13start"),
                                                         QStringLiteral("QEL"), QStringLiteral("embedded")});
}

void whenModalShown(const char* className, std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, className, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->inherits(className))
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

void answerLogin(const QString& login, const QString& password)
{
    whenModalShown("qel::TForm8", [login, password](QWidget* w) {
        auto* form = static_cast<TForm8*>(w);
        form->Login_Edit->setText(login);
        form->Password_Edit->setText(password);
        form->SpeedButton2->click();
    });
}

void pick(ui::DBLookupComboBox* control, const QString& text)
{
    for (int row = 0; row < control->count(); ++row)
        if (control->itemText(row) == text) {
            control->pickRow(row);
            return;
        }
    throw Error(QStringLiteral("%1: no row \"%2\"").arg(control->objectName(), text));
}

} // namespace qel::shots
