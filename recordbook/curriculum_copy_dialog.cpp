#include "recordbook/curriculum_copy_dialog.h"

#include "data/dm_cde_3.h"
#include "platform/db/value_convert.h"
#include "platform/ui/check_list_box.h"
#include "platform/ui/error_report.h"
#include "platform/ui/panel.h"
#include "recordbook/dialog_buttons.h"
#include "recordbook/record_book_sql.h"
#include "recordbook/record_book_window.h"
#include "rules/sheet_window.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qel {

using rules::idText;

namespace {

const QString kSelectAll = QStringLiteral("Выбрать все");
const QString kUnselect = QStringLiteral("Убрать выделение");

} // namespace

TForm15::TForm15(TForm14& book) : QDialog(&book), book_(book)
{
    setObjectName(QStringLiteral("Form15"));
    setWindowTitle(QString());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(560, 440);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    Panel1 = new ui::Panel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* top = new QHBoxLayout(Panel1);
    top->setContentsMargins(6, 4, 6, 4);
    Button3 = new QPushButton(kSelectAll, Panel1);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setAutoDefault(false);
    top->addWidget(Button3);
    top->addStretch(1);
    root->addWidget(Panel1);

    CheckListBox1 = new ui::CheckListBox(this);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    root->addWidget(CheckListBox1, 1);

    const recordbook::DialogButtons buttons = recordbook::makeDialogButtons(this, "Panel3", QStringLiteral("ОК"));
    Panel3 = buttons.panel;
    Button1 = buttons.accept;
    Button2 = buttons.cancel;
    Panel3->installEventFilter(this);
    root->addWidget(Panel3);

    connect(Button3, &QPushButton::clicked, this, ui::guarded([this] { Button3Click(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guarded([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, [this] { reject(); });

    ui::runGuarded([this] { FormCreate(); });
}

void TForm15::FormCreate()
{
    data::TDM_CDE_3& dm = book_.dm();
    const qint32 student = idText(book_.shownStudent()).toInt();
    CurrentSemester = int(db::convert::toInteger(recordbook::firstValue(
        dm.ADOQ_Exec, recordbook::currentSemesterSql(book_.groupId(), student), QStringLiteral("id_semester"))));

    db::Query& lines = dm.ADOQ_DisciplineFromEducSH;
    lines.close();
    lines.setSql(recordbook::curriculumCandidatesSql(book_.groupId(), student, CurrentSemester));
    lines.open();
    // The first letter of the item text is a Latin C, as the list has always shown it.
    for (lines.first(); !lines.eof(); lines.next())
        CheckListBox1->addItem(QLatin1Char('C') + QStringLiteral("еместр")
                               + idText(lines.fieldByName(QStringLiteral("id_semester")).value()) + QStringLiteral(" - ")
                               + lines.fieldByName(QStringLiteral("p34")).asString() + QStringLiteral(" Кредитов-")
                               + idText(lines.fieldByName(QStringLiteral("krdt")).value()));
}

void TForm15::Button3Click()
{
    if (CheckListBox1->count() < 1)
        return;
    const bool selectAll = Button3->text() == kSelectAll;
    CheckListBox1->setAllChecked(selectAll);
    Button3->setText(selectAll ? kUnselect : kSelectAll);
}

void TForm15::Button1Click()
{
    data::TDM_CDE_3& dm = book_.dm();
    db::Query& lines = dm.ADOQ_DisciplineFromEducSH;
    const recordbook::StudentPlacement who{book_.groupId(), idText(book_.shownStudent()).toInt(),
                                           book_.shownStudentField(QStringLiteral("id_faculty")),
                                           book_.shownStudentField(QStringLiteral("id_bk"))};
    if (lines.active()) {
        lines.first();
        for (int i = 0; i < CheckListBox1->count() && !lines.eof(); ++i) {
            if (CheckListBox1->checked(i)) {
                const auto value = [&](const char* name) { return lines.fieldByName(QLatin1String(name)).value(); };
                const recordbook::CopiedLine line{value("id_examination"), value("id_discipline"), value("id_semester"),
                                                  value("krdt"),           value("id_ebe_var"),    value("id_a_year")};
                dm.ADOQ_Exec.close();
                dm.ADOQ_Exec.setSql(recordbook::insertCopiedLineSql(who, line, book_.session().login));
                dm.ADOQ_Exec.execSql();
                CheckListBox1->setChecked(i, false);
            }
            lines.next();
        }
    }
    accept();
}

void TForm15::FormClose() { book_.DBLookupComboBox1Click(); }

void TForm15::done(int result)
{
    QDialog::done(result);
    ui::runGuarded([this] { FormClose(); });
}

bool TForm15::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel3 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace qel
