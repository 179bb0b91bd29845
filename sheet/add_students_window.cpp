// The add-students window: the target form, its candidates with their tick boxes, and the
// rows made for the ticked ones.
#include "sheet/add_students_window.h"

#include "data/dm_cde_3.h"
#include "platform/db/sql_literal.h"
#include "platform/ui/check_list_box.h"
#include "platform/ui/colors_fonts.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/label.h"
#include "platform/ui/window_placement.h"
#include "sheet/main_window.h"

#include <QHBoxLayout>
#include <QHash>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace qel {

using rules::idText;

namespace {

const QString kNotYet = QStringLiteral("---");
const QString kSelectAll = QStringLiteral("Выбрать всех");
const QString kUnselectAll = QStringLiteral("Убрать выделение");

// The usual target: the referral to a resit.
constexpr int kInitialForm = 7;

ui::Label* boldLabel(const QString& text, QWidget* parent)
{
    return new ui::Label(text, ui::pixelFont(12, true), ui::colors::black(), parent);
}

} // namespace

TForm13::TForm13(TForm2& main, QWidget* owner) : QDialog(owner), main_(main), dm_(main.dm())
{
    setObjectName(QStringLiteral("Form13"));
    setWindowTitle(QStringLiteral("Добавить студента по ведомости"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(428, 571);
    buildControls();
    ui::centerOnScreen(*this);

    DBLookupComboBox1->onClick = [this](ui::DBLookupComboBox&) { DBLookupComboBox1Click(); };
    connect(SpeedButton1, &QPushButton::clicked, this, ui::guarded([this] { SpeedButton1Click(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guarded([this] { Button1Click(); }));

    ui::runGuarded([this] { FormCreate(); });
}

TForm13::~TForm13()
{
    DBLookupComboBox1->setListSource(nullptr);
    dm_.ADOQ__f_est.close();
}

void TForm13::buildControls()
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 8);
    root->setSpacing(6);

    auto* formRow = new QHBoxLayout;
    Label1 = boldLabel(QStringLiteral("Форма ведомости:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    DBLookupComboBox1 = new ui::DBLookupComboBox(this);
    DBLookupComboBox1->setObjectName(QStringLiteral("DBLookupComboBox1"));
    DBLookupComboBox1->setListSource(&dm_.DS_f_est);
    DBLookupComboBox1->setKeyField(QStringLiteral("id_f_e"));
    DBLookupComboBox1->setListField(QStringLiteral("p109"));
    DBLookupComboBox1->setDropDownAlign(ui::DropDownAlign::Center);
    formRow->addWidget(Label1);
    formRow->addWidget(DBLookupComboBox1, 1);
    root->addLayout(formRow);

    SpeedButton1 = new QPushButton(kSelectAll, this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFont(ui::pixelFont(12, true));
    SpeedButton1->setAutoDefault(false);
    root->addWidget(SpeedButton1);

    CheckListBox1 = new ui::CheckListBox(this);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    root->addWidget(CheckListBox1, 1);

    Button1 = new QPushButton(QStringLiteral("Добавить"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFont(ui::pixelFont(12, true));
    Button1->setAutoDefault(false);
    Button1->setEnabled(false);
    root->addWidget(Button1);

    Label2 = boldLabel(kNotYet, this);
    Label2->setObjectName(QStringLiteral("Label2"));
    root->addWidget(Label2);
}

void TForm13::FormCreate()
{
    // The candidates of the usual target are listed even before the list of forms is read.
    DBLookupComboBox1->setKeyValue(kInitialForm);
    DBLookupComboBox1Click();

    const QString login = QString::number(main_.SessionLoginId);
    const QString join = QStringLiteral("Select * FROM f_est INNER JOIN [QEL].[dbo].[User_f_est] ON "
                                        "f_est.id_f_e=User_f_est.id_f_est WHERE ");
    dm_.ADOQ__f_est.reopen(main_.FlaggedFormsOnly ? join + QStringLiteral("QEL13=1 AND id_login=") + login
                                                   : join + QStringLiteral("id_login=") + login);
}

bool TForm13::readSheet()
{
    for (const QVariant& key : {main_.groupKey(), main_.semesterKey(), main_.disciplineKey(), main_.examinationKey(),
                                main_.scaleVariantKey()})
        if (key.isNull())
            return false;
    db::Query& discipline = dm_.ADOQ_Discipline;
    if (!discipline.active() || discipline.isEmpty())
        return false;
    sheet_.group = idText(main_.groupKey());
    sheet_.semester = idText(main_.semesterKey());
    sheet_.discipline = idText(discipline.fieldByName(QStringLiteral("id_discipline")).value());
    sheet_.kredits = idText(discipline.fieldByName(QStringLiteral("Kredits")).value());
    sheet_.examination = idText(main_.examinationKey());
    sheet_.variant = idText(main_.scaleVariantKey());
    return true;
}

bool TForm13::mayAddTo(const QString& form)
{
    db::Query& exec = dm_.ADOQ_Exec;
    exec.reopen(QStringLiteral("SELECT TOP 1 * FROM [QEL].[dbo].[User_f_est] WHERE id_login=")
                     + QString::number(main_.SessionLoginId) + QStringLiteral(" AND id_f_est=") + form);
    const bool held = !exec.isEmpty();
    exec.close();
    if (!held || !main_.FlaggedFormsOnly)
        return held;
    // Only flagged forms may be changed: the initial form is chosen without the list of
    // flagged forms, so the flag is checked for whatever form is chosen.
    exec.reopen(QStringLiteral(" SELECT * FROM f_est WHERE id_f_e=") + form);
    const bool flagged = !exec.isEmpty() && exec.fieldByName(QStringLiteral("QEL13")).asInteger() != 0;
    exec.close();
    return flagged;
}

void TForm13::DBLookupComboBox1Click()
{
    StudentIdList.clear();
    CheckListBox1->clearItems();
    Button1->setEnabled(false);

    sheetComplete_ = readSheet();
    if (!sheetComplete_ || !DBLookupComboBox1->hasSelection())
        return;
    const QString form = idText(DBLookupComboBox1->keyValue());
    if (!mayAddTo(form))
        return;
    Button1->setEnabled(true);

    db::Query& exec = dm_.ADOQ_Exec;
    exec.reopen(QStringLiteral("SELECT * FROM [QEL].[dbo].[T_ComEbeFEst] WHERE id_ebe_var=") + sheet_.variant
                     + QStringLiteral(" AND id_f_est=") + form);
    QString condition = exec.isEmpty() ? QString() : exec.fieldByName(QStringLiteral("Definition")).asString();
    if (condition.isEmpty())
        condition = QStringLiteral("0=0");
    exec.close();

    exec.reopen(QStringLiteral("Exec QEL.[dbo].[SelMarkMag] ") + sheet_.group + QStringLiteral(", ") + sheet_.semester
                     + QStringLiteral(", ") + sheet_.discipline + QStringLiteral(", ") + sheet_.examination
                     + QStringLiteral(", ") + sheet_.variant + QStringLiteral(", ") + db::sqlLiteral(condition));
    // A student with several rows is listed once; namesakes are different students and
    // are each listed.
    QSet<QString> listed;
    QStringList names;
    db::Field& name = exec.fieldByName(QStringLiteral("s_fio"));
    db::Field& student = exec.fieldByName(QStringLiteral("id_student"));
    for (exec.first(); !exec.eof(); exec.next()) {
        const QString id = idText(student.value());
        if (id.isEmpty() || listed.contains(id))
            continue;
        listed.insert(id);
        StudentIdList << id;
        names << name.asString();
    }
    exec.close();

    // Namesakes are told apart by their student codes.
    QHash<QString, int> uses;
    for (const QString& n : std::as_const(names))
        ++uses[n];
    db::Query& codes = dm_.ADOQ_s_fio;
    for (int i = 0; i < names.size(); ++i) {
        QString text = names[i];
        if (uses.value(text) > 1 && codes.active()) {
            const QString code =
                codes.lookup(QStringLiteral("id_student"), StudentIdList[i].toInt(), QStringLiteral("idid")).toString();
            if (!code.isEmpty())
                text += QStringLiteral(" (") + code + QLatin1Char(')');
        }
        CheckListBox1->addItem(text);
    }
}

void TForm13::SpeedButton1Click()
{
    if (CheckListBox1->count() == 0)
        return;
    const bool all = SpeedButton1->text() == kSelectAll;
    CheckListBox1->setAllChecked(all);
    SpeedButton1->setText(all ? kUnselectAll : kSelectAll);
}

int TForm13::authorColumnSize()
{
    db::Query& exec = dm_.ADOQ_Exec;
    exec.reopen(QStringLiteral("SELECT TOP 0 [QEL_User] FROM mark_mag"));
    const int size = exec.fieldByName(QStringLiteral("QEL_User")).size();
    exec.close();
    return size;
}

void TForm13::Button1Click()
{
    addPressed_ = true;
    QList<int> ticked;
    for (int i = 0; i < CheckListBox1->count(); ++i)
        if (CheckListBox1->checked(i))
            ticked << i;

    int added = 0;
    QStringList present, withoutSource;
    if (!ticked.isEmpty() && sheetComplete_ && DBLookupComboBox1->hasSelection()) {
        const QString& login = main_.SessionLogin;
        // The server refuses a row whose author is longer than the column: nothing is
        // written rather than a failure half way through the list.
        const int size = authorColumnSize();
        if (size > 0 && login.size() > size) {
            ui::messageBox(QStringLiteral("Имя пользователя \"%1\" длиннее %2 символов, которые ведомость хранит "
                                          "для автора строки. Студенты не добавлены: обратитесь к администратору.")
                               .arg(login)
                               .arg(size),
                           QStringLiteral("Уведомление"), ui::MsgIcon::Warning, ui::MsgButtons::Ok, this);
            return;
        }

        const QString form = idText(DBLookupComboBox1->keyValue());
        db::Query& temp = dm_.ADOQ_temp;
        temp.reopen(sheet::copyFieldsSql(form, sheet_.variant));
        QStringList fields;
        // Only the configuration's own columns ever become names in the statements.
        for (temp.first(); !temp.eof(); temp.next()) {
            const QString f = temp.fieldByName(QStringLiteral("fields")).asString().trimmed().toLower();
            if (sheet::copyableFields().contains(f) && !fields.contains(f))
                fields << f;
        }
        temp.close();

        db::Query& exec = dm_.ADOQ_Exec;
        for (int i : std::as_const(ticked)) {
            const QString student = StudentIdList.value(i);
            const QString name = CheckListBox1->itemText(i);

            exec.reopen(sheet::existingRowSql(sheet_, form, student));
            const bool already = !exec.isEmpty();
            exec.close();
            if (already) {
                present << name;
                continue;
            }

            exec.reopen(sheet::sourceRowSql(sheet_, student, fields));
            if (exec.isEmpty()) {
                exec.close();
                withoutSource << name;
                continue;
            }
            QStringList values;
            for (const QString& f : std::as_const(fields))
                values << sheet::copiedValueSql(exec.fieldByName(f).value(), f);
            values << sheet::copiedValueSql(exec.fieldByName(QStringLiteral("id_estimation")).value(),
                                            QStringLiteral("id_estimation"));
            exec.close();

            exec.setSql(sheet::insertRowSql(sheet_, form, student, fields, values, login));
            exec.execSql();
            ++added;
        }
    }
    showResult(added, present, withoutSource);
}

void TForm13::showResult(int added, const QStringList& present, const QStringList& withoutSource)
{
    const QString count = QStringLiteral("Добавлено студентов: ") + QString::number(added);
    QString text = count;
    if (!present.isEmpty())
        text += QStringLiteral("\n\nУже есть в этой ведомости, не добавлены:\n") + present.join(QLatin1Char('\n'));
    if (!withoutSource.isEmpty())
        text += QStringLiteral("\n\nНет строки в основной ведомости, из которой копируются баллы; не добавлены:\n")
              + withoutSource.join(QLatin1Char('\n'));
    ui::showMessage(text, this);
    Label2->setText(count);
}

void TForm13::FormClose()
{
    // Without a whole sheet in the main window there is nothing to reopen.
    if (!addPressed_ || !sheetComplete_)
        return;
    dm_.ADOQ_exist_FEst.reopen(main_.statementFormsSql());
    main_.ComboBox1Change();
}

void TForm13::done(int result)
{
    QDialog::done(result);
    if (closed_)
        return;
    closed_ = true;
    ui::runGuarded([this] { FormClose(); });
}

} // namespace qel
