#include "recordbook/add_discipline_dialog.h"

#include "data/dm_cde_3.h"
#include "platform/ui/colors_fonts.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/label.h"
#include "platform/ui/numeric_edit.h"
#include "platform/ui/panel.h"
#include "platform/ui/up_down_edit.h"
#include "recordbook/dialog_buttons.h"
#include "recordbook/record_book_sql.h"
#include "recordbook/record_book_window.h"
#include "rules/sheet_window.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <optional>

namespace qel {

using rules::idText;

namespace {

constexpr int kMaxCredits = 20;
constexpr int kMaxPoints = 100;

// A whole number within the bounds, or nothing.
std::optional<int> wholeNumber(const QString& text, int low, int high)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < low || v > high)
        return std::nullopt;
    return v;
}

} // namespace

TForm16::TForm16(TForm14& book) : QDialog(&book), book_(book)
{
    setObjectName(QStringLiteral("Form16"));
    setWindowTitle(QString());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(520, 270);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    data::TDM_CDE_3& dm = book_.dm();

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    auto* form = new QFormLayout;
    form->setContentsMargins(10, 10, 10, 6);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const auto label = [this](const QString& text, const char* name) {
        auto* l = new ui::Label(text, ui::pixelFont(12, true), ui::colors::black(), this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    const auto combo = [this](db::DataSource* source, const char* key, const char* shown, const char* name) {
        auto* c = new ui::DBLookupComboBox(this);
        c->setObjectName(QLatin1String(name));
        c->setListSource(source);
        c->setKeyField(QLatin1String(key));
        c->setListField(QLatin1String(shown));
        return c;
    };
    Label1 = label(QStringLiteral("Дисциплина:"), "Label1");
    DBLookupComboBox1 = combo(&dm.DS_Tdiscipline, "id_discipline", "p34", "DBLookupComboBox1");
    Label2 = label(QStringLiteral("Семестр:"), "Label2");
    DBLookupComboBox3 = combo(&dm.DS_Semestr, "id_semester", "p43", "DBLookupComboBox3");
    Label3 = label(QStringLiteral("Форма контроля:"), "Label3");
    DBLookupComboBox4 = combo(&dm.DS_Texamination, "id_examination", "p30", "DBLookupComboBox4");
    Label4 = label(QStringLiteral("Оценка:"), "Label4");
    DBLookupComboBox2 = combo(&dm.DS_estimationMMByStud, "id_estimation", "p31", "DBLookupComboBox2");
    Label5 = label(QStringLiteral("Форма ведомости:"), "Label5");
    DBLookupComboBox5 = combo(&dm.DS_f_est2, "id_f_e", "p109", "DBLookupComboBox5");
    Label6 = label(QStringLiteral("Кредит:"), "Label6");
    UpDown1 = new ui::UpDownEdit(this, Qt::Horizontal);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setRange(0, 10);
    UpDown1->setPosition(0);
    UpDown1->setMaximumWidth(110);
    Edit1 = UpDown1->lineEdit();
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label7 = label(QStringLiteral("Балл:"), "Label7");
    RzNumericEdit1 = new ui::NumericEdit(this);
    RzNumericEdit1->setObjectName(QStringLiteral("RzNumericEdit1"));
    RzNumericEdit1->setIntegersOnly(true);
    RzNumericEdit1->setMaximum(kMaxPoints);
    RzNumericEdit1->setGrouping(true);
    RzNumericEdit1->setNegativeInParentheses(true);
    RzNumericEdit1->setAlignment(Qt::AlignCenter);
    RzNumericEdit1->setMaximumWidth(110);
    form->addRow(Label1, DBLookupComboBox1);
    form->addRow(Label2, DBLookupComboBox3);
    form->addRow(Label3, DBLookupComboBox4);
    form->addRow(Label4, DBLookupComboBox2);
    form->addRow(Label5, DBLookupComboBox5);
    form->addRow(Label6, UpDown1);
    form->addRow(Label7, RzNumericEdit1);
    root->addLayout(form, 1);

    const recordbook::DialogButtons buttons = recordbook::makeDialogButtons(this, "Panel1", QStringLiteral("Добавить"));
    Panel1 = buttons.panel;
    Button1 = buttons.accept;
    Button2 = buttons.cancel;
    root->addWidget(Panel1);

    disableFrom(DBLookupComboBox3);

    DBLookupComboBox1->onClick = [this](ui::DBLookupComboBox&) { DBLookupComboBox1Click(); };
    DBLookupComboBox3->onClick = [this](ui::DBLookupComboBox&) { DBLookupComboBox3Click(); };
    DBLookupComboBox4->onClick = [this](ui::DBLookupComboBox&) { DBLookupComboBox4Click(); };
    DBLookupComboBox2->onClick = [this](ui::DBLookupComboBox&) { DBLookupComboBox2Click(); };
    DBLookupComboBox5->onClick = [this](ui::DBLookupComboBox&) { DBLookupComboBox5Click(); };
    RzNumericEdit1->onChange = [this](ui::NumericEdit&) { RzNumericEdit1Change(); };
    connect(Button1, &QPushButton::clicked, this, ui::guarded([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, [this] { reject(); });

    ui::runGuarded([this] { FormCreate(); });
}

void TForm16::FormCreate()
{
    data::TDM_CDE_3& dm = book_.dm();
    dm.ADOT_discipline.open();
    dm.ADOT_discipline.setSort(QStringLiteral("p34"));
    dm.ADOT_estimation.open();
    dm.ADOQ_estimation2.open();
}

void TForm16::disableFrom(QWidget* first)
{
    // The chain of choices, top to bottom; the credit box is never disabled.
    QWidget* const chain[] = {DBLookupComboBox3, DBLookupComboBox4, DBLookupComboBox2, DBLookupComboBox5,
                              RzNumericEdit1, Button1};
    bool on = false;
    for (QWidget* w : chain) {
        on = on || w == first;
        if (on)
            w->setEnabled(false);
    }
}

void TForm16::DBLookupComboBox1Click()
{
    disableFrom(DBLookupComboBox3);
    if (DBLookupComboBox1->hasSelection())
        DBLookupComboBox3->setEnabled(true);
}

void TForm16::DBLookupComboBox3Click()
{
    disableFrom(DBLookupComboBox4);
    if (DBLookupComboBox3->hasSelection())
        DBLookupComboBox4->setEnabled(true);
}

void TForm16::DBLookupComboBox4Click()
{
    disableFrom(DBLookupComboBox2);
    if (!DBLookupComboBox4->hasSelection())
        return;
    db::Query& grades = book_.dm().ADOQ_estimationMMByStud;
    grades.close();
    grades.setSql(QStringLiteral(" SELECT dbo.estimation.*,dbo.ee.id_exmination  FROM dbo.ee INNER JOIN  dbo.estimation "
                                 "ON dbo.ee.id_estimation = dbo.estimation.id_estimation WHERE dbo.ee.id_exmination=")
                  + idText(DBLookupComboBox4->keyValue()));
    grades.open();
    // A grade chosen for another form of control is not one of this list.
    DBLookupComboBox2->clearKeyValue();
    DBLookupComboBox2->setEnabled(true);
}

void TForm16::DBLookupComboBox2Click()
{
    disableFrom(DBLookupComboBox5);
    DBLookupComboBox5->setEnabled(true);
}

// Choosing the statement form also locks the grade above it: the grade is chosen again
// only through the form of control.
void TForm16::DBLookupComboBox5Click()
{
    disableFrom(RzNumericEdit1);
    DBLookupComboBox2->setEnabled(false);
    RzNumericEdit1->setEnabled(true);
}

void TForm16::RzNumericEdit1Change()
{
    bool ok = false;
    const qint64 points = RzNumericEdit1->text().trimmed().toLongLong(&ok);
    // A text that is not a whole number yet leaves the button as it is; pressing it checks.
    if (!ok)
        return;
    if (points > kMaxPoints)
        RzNumericEdit1->setText(QString::number(kMaxPoints));
    Button1->setEnabled(true);
}

void TForm16::refuse(const QString& text)
{
    ui::messageBox(text, ui::applicationTitle(), ui::MsgIcon::Warning, ui::MsgButtons::Ok, this);
}

void TForm16::Button1Click()
{
    for (ui::DBLookupComboBox* c :
         {DBLookupComboBox1, DBLookupComboBox3, DBLookupComboBox4, DBLookupComboBox2, DBLookupComboBox5})
        if (!c->hasSelection()) {
            refuse(QStringLiteral("Выберите дисциплину, семестр, форму контроля, оценку и форму ведомости."));
            return;
        }
    const std::optional<int> credits = wholeNumber(Edit1->text(), 0, kMaxCredits);
    if (!credits) {
        refuse(QStringLiteral("Кредиты: введите целое число от 0 до %1.").arg(kMaxCredits));
        return;
    }
    const std::optional<int> points = wholeNumber(RzNumericEdit1->text(), 0, kMaxPoints);
    if (!points) {
        refuse(QStringLiteral("Балл: введите целое число от 0 до %1.").arg(kMaxPoints));
        return;
    }

    data::TDM_CDE_3& dm = book_.dm();
    const qint32 group = book_.groupId();
    const auto key = [](ui::DBLookupComboBox* c) { return idText(c->keyValue()).toInt(); };
    recordbook::AddedRecord record;
    record.examination = key(DBLookupComboBox4);
    record.points = *points;
    record.grade = key(DBLookupComboBox2);
    record.discipline = key(DBLookupComboBox1);
    record.semester = key(DBLookupComboBox3);
    record.statementForm = key(DBLookupComboBox5);
    record.credits = *credits;

    db::Query& exec = dm.ADOQ_Exec;
    record.academicYear =
        recordbook::firstValue(exec, recordbook::academicYearSql(group, record.semester), QStringLiteral("id_a_year"));
    if (record.academicYear.isNull()) {
        refuse(QStringLiteral("Группа не учится в выбранном семестре: не найден учебный год."));
        return;
    }
    record.scaleVariant = recordbook::firstValue(exec, recordbook::scaleVariantSql(group), QStringLiteral("id_ebe_var"));
    if (record.scaleVariant.isNull()) {
        refuse(QStringLiteral("Для специальности группы не задана шкала оценок."));
        return;
    }

    const recordbook::StudentPlacement who{group, idText(book_.shownStudent()).toInt(),
                                           book_.shownStudentField(QStringLiteral("id_faculty")),
                                           book_.shownStudentField(QStringLiteral("id_bk"))};
    exec.setSql(recordbook::insertAddedRecordSql(who, record, book_.session().login));
    exec.execSql();
    accept();
}

void TForm16::FormClose() { book_.dm().ADOT_discipline.close(); }

void TForm16::done(int result)
{
    QDialog::done(result);
    ui::runGuarded([this] { FormClose(); });
}

} // namespace qel
