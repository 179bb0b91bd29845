// The student codes window: the list of a group's students, the code column typed into
// in place, and the double click that gives a student a portal login and password.
#include "accounts/student_codes_window.h"

#include "accounts/student_account.h"
#include "accounts/student_login_dialog.h"
#include "data/dm_cde_3.h"
#include "data/password_digest.h"
#include "history/recorder_move.h"
#include "platform/os/cp1251.h"
#include "platform/ui/colors_fonts.h"
#include "platform/ui/db_navigator.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/panel.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qel {

TForm7::TForm7(QWidget* owner, data::TDM_CDE_3& dm, StudentCodesSession session)
    : QDialog(owner), dm_(dm), session_(std::move(session))
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Шифры студентов"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(640, 520);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Panel1 = new ui::Panel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* top = new QHBoxLayout(Panel1);
    top->setContentsMargins(4, 3, 4, 3);
    DBNavigator1 = new ui::DBNavigator(Panel1);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setVisibleButtons({ui::NavigateButton::Post, ui::NavigateButton::Cancel});
    DBNavigator1->setHint(ui::NavigateButton::Post, QStringLiteral("Сохранить"));
    DBNavigator1->setHint(ui::NavigateButton::Cancel, QStringLiteral("Отмена"));
    DBNavigator1->setDataSource(&dm_.DS_Students);
    DBNavigator1->setFixedSize(60, 25);
    top->addWidget(DBNavigator1);
    top->addStretch();
    layout->addWidget(Panel1);

    QXDBGridEh2 = new ui::TQXDBGridEh(this);
    QXDBGridEh2->setObjectName(QStringLiteral("QXDBGridEh2"));
    layout->addWidget(QXDBGridEh2, 1);
    buildGrid();

    QXDBGridEh2->onDblClick = [this](ui::TQXDBGridEh&) { QXDBGridEh2DblClick(); };
    QXDBGridEh2->onColEnter = [this](ui::TQXDBGridEh&) { QXDBGridEh2ColEnter(); };
    QXDBGridEh2->onColExit = [this](ui::TQXDBGridEh&) { QXDBGridEh2ColExit(); };
    // Enter on a student opens the login dialog as a double click does; in the code column
    // the open editor keeps Enter for itself.
    QXDBGridEh2->onKeyDown = [this](ui::TQXDBGridEh& grid, int& key, Qt::KeyboardModifiers) {
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !grid.editorMode()) {
            key = 0;
            QXDBGridEh2DblClick();
        }
    };

    // A changed code is audited like every other change: the run's recorder follows this
    // list while the window is open.
    recorder_ = std::make_unique<RecorderMove>(dm_.ADOQ_Students, QStringLiteral("s_fio"),
                                               QStringLiteral("id_student"), true, false);

    ui::runGuarded([this] { FormCreate(); });
}

TForm7::~TForm7()
{
    QXDBGridEh2->setDataSource(nullptr);
    DBNavigator1->setDataSource(nullptr);
    dm_.ADOQ_Students.close();
    recorder_.reset();
}

void TForm7::buildGrid()
{
    ui::TQXDBGridEh& g = *QXDBGridEh2;
    g.setOptions(ui::dgTitles | ui::dgIndicator | ui::dgColumnResize | ui::dgColLines | ui::dgRowLines | ui::dgTabs
                 | ui::dgAlwaysShowSelection | ui::dgCancelOnExit | ui::dgRowHighlight | ui::dgFindDialog);
    g.setAllowedOperations(ui::GridOperation::Update);
    g.setTitleFont(ui::pixelFont(12, true));
    g.setTitleHeight(22);
    g.setDataFont(ui::pixelFont(13));

    auto& no = g.addColumn(QStringLiteral("no"), QStringLiteral("П/П"));
    no.setWidth(40);
    no.setReadOnly(true);
    auto& code = g.addColumn(QStringLiteral("idid"), QStringLiteral("Шифр студента"));
    code.setWidth(120);
    code.onUpdateData = [this](ui::GridColumn&, QString& text, QVariant&, bool&, bool& handled) {
        const QString message = os::charactersRefusal(text, QStringLiteral("Шифр студента"));
        if (!message.isEmpty()) {
            ui::messageBox(message, QStringLiteral("Ошибка"), ui::MsgIcon::Error, ui::MsgButtons::Ok, this);
            handled = true;
        }
    };
    auto& name = g.addColumn(QStringLiteral("s_fio"), QStringLiteral("ФИО студента"));
    name.setWidth(280);
    name.setReadOnly(true);
    name.addEditButton(ui::EditButtonStyle::Ellipsis);
    auto& login = g.addColumn(QStringLiteral("login"), QStringLiteral(" Логин"));
    login.setWidth(150);
    login.setReadOnly(true);
    login.addEditButton(ui::EditButtonStyle::Glyph);
    g.setAutoFitColWidths(true);
    g.setDataSource(&dm_.DS_Students);
}

void TForm7::FormCreate()
{
    if (!session_.groupId)
        return;
    db::Query& temp = dm_.ADOQ_temp;
    temp.reopen(QStringLiteral("SELECT [id_student] FROM [QEL].[dbo].[s_g] WHERE id_group=")
                + QString::number(*session_.groupId));
    if (temp.isEmpty()) {
        temp.close();
        return;
    }
    QString ids;
    db::Field& id = temp.fieldByName(QStringLiteral("id_student"));
    for (temp.first(); !temp.eof(); temp.next())
        ids += QStringLiteral(", ") + QString::number(id.asInteger());
    temp.close();
    ids.remove(0, 1);

    // The password column is not read: the stored digests stay on the server.
    db::Query& list = dm_.ADOQ_Students;
    list.reopen(QStringLiteral("SELECT  ROW_NUMBER() OVER(ORDER BY s_fio.s_fio) as [no], s_fio.id_student, s_fio.idid, "
                               "s_fio.s_fio, student.[login], student.[needChangePsw], "
                               "student.[startDateForChangePsw] FROM s_fio Inner Join qel.dbo.Student on "
                               "qel.dbo.s_fio.id_student=qel.dbo.Student.id_student WHERE s_fio.id_student in(")
                + ids + QStringLiteral(") ") + QStringLiteral("ORDER BY s_fio.s_fio"));
}

void TForm7::QXDBGridEh2ColEnter()
{
    if (QXDBGridEh2->col() == 2) {
        QXDBGridEh2->setOption(ui::dgEditing, true);
        QXDBGridEh2->setOption(ui::dgAlwaysShowEditor, true);
    }
}

void TForm7::QXDBGridEh2ColExit()
{
    QXDBGridEh2->setOption(ui::dgEditing, false);
    QXDBGridEh2->setOption(ui::dgAlwaysShowEditor, false);
}

void TForm7::QXDBGridEh2DblClick()
{
    db::Query& list = dm_.ADOQ_Students;
    if (!list.active() || list.isEmpty())
        return;
    // A code typed into the row is stored before the account is touched.
    list.checkBrowseMode();
    const qint32 idStudent = list.fieldByName(QStringLiteral("id_student")).asInteger();
    const QString oldLogin = list.fieldByName(QStringLiteral("login")).asString();
    const bool newAccount = oldLogin.isEmpty();

    TForm11 dialog(this, dm_);
    if (!newAccount) {
        dialog.LabeledEdit1->setText(oldLogin);
        dialog.LabeledEdit2->setFocus();
        dialog.SpeedButton2->setEnabled(false);
    } else {
        const QStringList parts = accounts::splitFullName(list.fieldByName(QStringLiteral("s_fio")).asString());
        dm_.ADOQ_Exec.reopen(accounts::createLoginSql(parts.value(0), parts.value(1)));
        const QString proposed = dm_.ADOQ_Exec.isEmpty() ? QString() : dm_.ADOQ_Exec.field(0).asString();
        dm_.ADOQ_Exec.close();
        dialog.LabeledEdit1->setText(proposed);
    }
    if (dialog.exec() != QDialog::Accepted)
        return;

    // An empty password box keeps the stored password: the digest of an empty text is never
    // stored by accident when only the login was meant to change.
    const QString password = dialog.LabeledEdit2->text();
    accounts::StudentAccountChange change;
    change.idStudent = idStudent;
    change.oldLogin = oldLogin;
    change.newLogin = dialog.LabeledEdit1->text();
    if (!password.isEmpty())
        change.newDigest = passwordDigest(password);
    // A new login always demands a password change at the first portal login.
    change.needChangePsw = newAccount || RequirePasswordChange;
    change.changeDate = QDate::currentDate();
    if (accounts::storeStudentAccount(dm_, change) == accounts::StoreResult::LoginTaken) {
        ui::messageBox(QStringLiteral("Пользователь с таким логином уже существует."), QStringLiteral("Ошибка"),
                       ui::MsgIcon::Error, ui::MsgButtons::Ok, this);
        return;
    }
    dm_.StudentsChanged = true;
    dm_.ADOQ_Exec.close();

    // The stored digests are not readable by the client, so the old one is left empty, and
    // so is the new one when the password was kept.
    const QString description =
        accounts::accountChangeDescription(oldLogin, QString(), change.newLogin, change.newDigest.value_or(QString()));
    try {
        dm_.ADOQ_Exec.setSql(accounts::studentAuditSql(QStringLiteral("student"), idStudent, description,
                                                       session_.sessionLogin,
                                                       session_.auditComputerText ? session_.auditComputerText()
                                                                                  : QString()));
        dm_.ADOQ_Exec.execSql();
    } catch (...) {
        // The account is stored either way: the list shows it before the error is reported.
        ui::runGuarded([&list] { list.refresh(); });
        throw;
    }
    list.refresh();
}

void TForm7::FormClose()
{
    db::Query& list = dm_.ADOQ_Students;
    if (list.active())
        list.checkBrowseMode();
    list.close();
}

void TForm7::done(int result)
{
    if (!ui::runGuarded([this] { FormClose(); }))
        return;
    QDialog::done(result);
}

} // namespace qel
