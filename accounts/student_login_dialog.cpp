#include "accounts/student_login_dialog.h"

#include "accounts/student_account.h"
#include "data/dm_cde_3.h"
#include "platform/os/cp1251.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/window_placement.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qel {

bool RequirePasswordChange = false;
TForm11* Form11 = nullptr;

namespace {

QLabel* boldLabel(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

// Letters become lower case as they are typed; the cursor stays where it was.
void lowerCaseAsTyped(QLineEdit* edit)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        const QString lower = text.toLower();
        if (lower != text) {
            const int pos = edit->cursorPosition();
            edit->setText(lower);
            edit->setCursorPosition(pos);
        }
    });
}

QPushButton* flatButton(const QString& text, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setFlat(true);
    QFont f = b->font();
    f.setBold(true);
    b->setFont(f);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TForm11::TForm11(QWidget* owner, data::TDM_CDE_3& dm) : QDialog(owner), dm_(dm)
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("А у т е н т и ф и к а ц и я"));

    LabeledEdit1 = new QLineEdit(this);
    LabeledEdit1->setObjectName(QStringLiteral("LabeledEdit1"));
    LabeledEdit1->setMaxLength(40);
    LabeledEdit2 = new QLineEdit(this);
    LabeledEdit2->setObjectName(QStringLiteral("LabeledEdit2"));
    LabeledEdit2->setMaxLength(40);
    LabeledEdit2->setEchoMode(QLineEdit::Password);
    LabeledEdit2->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // "*" for each character
    lowerCaseAsTyped(LabeledEdit1);
    lowerCaseAsTyped(LabeledEdit2);

    SpeedButton2 = flatButton(QStringLiteral("Сохранить"), "SpeedButton2", this);
    SpeedButton2->setEnabled(false);
    SpeedButton1 = flatButton(QStringLiteral("Отмена"), "SpeedButton1", this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(boldLabel(QStringLiteral("Логин"), this));
    layout->addWidget(LabeledEdit1);
    layout->addWidget(boldLabel(QStringLiteral("Пароль"), this));
    layout->addWidget(LabeledEdit2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SpeedButton2);
    buttons->addWidget(SpeedButton1);
    layout->addLayout(buttons);
    setFixedWidth(300);

    connect(LabeledEdit1, &QLineEdit::textChanged, this, ui::guarded([this] { LabeledEdit1Change(); }));
    connect(LabeledEdit2, &QLineEdit::textChanged, this, ui::guarded([this] { LabeledEdit1Change(); }));
    connect(SpeedButton2, &QPushButton::clicked, this, ui::guarded([this] { SpeedButton2Click(); }));
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { reject(); });

    adjustSize();
    ui::centerOnScreen(*this);
}

void TForm11::LabeledEdit1Change() { SpeedButton2->setEnabled(true); }

void TForm11::SpeedButton2Click()
{
    const QString login = LabeledEdit1->text();
    auto refuse = [this](const QString& text) {
        ui::messageBox(text, QStringLiteral("Ошибка"), ui::MsgIcon::Error, ui::MsgButtons::Ok, this);
    };
    if (login.trimmed().isEmpty()) {
        refuse(QStringLiteral("Введите логин студента."));
        LabeledEdit1->setFocus();
        return;
    }
    for (QLineEdit* box : {LabeledEdit1, LabeledEdit2}) {
        const QString message = os::charactersRefusal(
            box->text(), box == LabeledEdit1 ? QStringLiteral("Логин") : QStringLiteral("Пароль"));
        if (!message.isEmpty()) {
            refuse(message);
            box->setFocus();
            return;
        }
    }

    const qint32 student = dm_.ADOQ_Students.fieldByName(QStringLiteral("id_student")).asInteger();
    dm_.ADOQ_Exec.reopen(accounts::loginTakenSql(login, student));
    const bool taken = !dm_.ADOQ_Exec.isEmpty();
    dm_.ADOQ_Exec.close();
    if (taken) {
        refuse(QStringLiteral("Пользователь с таким логином уже существует."));
        return;
    }
    const ui::MsgResult answer = ui::messageBox(
        QStringLiteral("Изменить пароль при первом входе. Если [Да], то изменить . Если [НЕТ], то неменять."),
        QStringLiteral("Уведомление!!!"), ui::MsgIcon::None, ui::MsgButtons::YesNo, this);
    RequirePasswordChange = answer == ui::MsgResult::Yes;
    done(QDialog::Accepted);
}

void TForm11::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace qel
