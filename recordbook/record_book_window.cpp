// The record book window: its controls, opening, the student selection and closing.
#include "recordbook/record_book_window.h"

#include "data/dm_cde_3.h"
#include "history/recorder_move.h"
#include "platform/ui/colors_fonts.h"
#include "platform/ui/db_image.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/db_navigator.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/group_box.h"
#include "platform/ui/label.h"
#include "platform/ui/panel.h"
#include "platform/db/value_convert.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "recordbook/record_book_sql.h"
#include "rules/sheet_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qel {

namespace {

TForm14* shownBook = nullptr;

template <class W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TForm14* TForm14::shown() { return shownBook; }

TForm14::TForm14(QWidget* owner, data::TDM_CDE_3& dm, RecordBookSession session)
    : QDialog(owner), dm_(dm), session_(std::move(session))
{
    setObjectName(QStringLiteral("Form14"));
    setWindowTitle(QString());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint);
    resize(1160, 660);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    buildControls();
    shownBook = this;
    ui::runGuarded([this] { FormCreate(); });
}

TForm14::~TForm14()
{
    if (!closed_)
        ui::runGuarded([this] { FormClose(); });
    DBGridEh1->setDataSource(nullptr);
    DBImage1->setDataSource(nullptr);
    RzDBNavigator1->setDataSource(nullptr);
    RzDBNavigator2->setDataSource(nullptr);
    if (shownBook == this)
        shownBook = nullptr;
}

void TForm14::buildControls()
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(6, 6, 6, 6);

    auto* top = new QHBoxLayout;
    Label1 = named(new ui::Label(QStringLiteral("Студент:"), ui::pixelFont(13, true), ui::colors::black(), this), "Label1");
    DBLookupComboBox1 = named(new ui::DBLookupComboBox(this), "DBLookupComboBox1");
    DBLookupComboBox1->setListSource(&dm_.DS_AllStudentsInGroup);
    DBLookupComboBox1->setKeyField(QStringLiteral("id_student"));
    DBLookupComboBox1->setListField(QStringLiteral("s_fio"));
    DBLookupComboBox1->setMinimumWidth(320);
    DBLookupComboBox1->onClick = [this](ui::DBLookupComboBox&) { DBLookupComboBox1Click(); };
    RzDBNavigator1 = named(new ui::DBNavigator(this), "RzDBNavigator1");
    RzDBNavigator1->setVisibleButtons({ui::NavigateButton::Post});
    RzDBNavigator1->setHint(ui::NavigateButton::Post, QStringLiteral("Сохранить данные"));
    RzDBNavigator1->setDataSource(&dm_.DS_markmagByStudent);
    RzDBNavigator2 = named(new ui::DBNavigator(this), "RzDBNavigator2");
    RzDBNavigator2->setVisibleButtons({ui::NavigateButton::Refresh});
    RzDBNavigator2->setHint(ui::NavigateButton::Refresh, QStringLiteral("Обновить"));
    RzDBNavigator2->setDataSource(&dm_.DS_markmagByStudent);
    top->addWidget(Label1);
    top->addWidget(DBLookupComboBox1, 1);
    top->addSpacing(12);
    top->addWidget(RzDBNavigator1);
    top->addWidget(RzDBNavigator2);
    top->addStretch(1);
    root->addLayout(top);

    auto* body = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    // The photo, covered by a white panel until the first student is chosen.
    auto* photo = new QWidget(this);
    photo->setFixedSize(180, 220);
    auto* stack = new QGridLayout(photo);
    stack->setContentsMargins(0, 0, 0, 0);
    DBImage1 = named(new ui::DBImage(photo), "DBImage1");
    DBImage1->setDataSource(&dm_.DS_foto);
    DBImage1->setDataField(QStringLiteral("photo"));
    DBImage1->setStretch(true);
    DBImage1->setProportional(true);
    DBImage1->setCenter(true);
    Panel3 = named(new ui::Panel(photo), "Panel3");
    Panel3->setColor(ui::colors::white());
    Panel3->setBevel(ui::Panel::Bevel::None);
    stack->addWidget(DBImage1, 0, 0);
    stack->addWidget(Panel3, 0, 0);
    left->addWidget(photo, 0, Qt::AlignHCenter);

    buildLegend(this);
    left->addWidget(RzGroupBox1);

    Button2 = named(new QPushButton(QStringLiteral("Добавить "), this), "Button2");
    Button3 = named(new QPushButton(QStringLiteral("Удалить"), this), "Button3");
    Button1 = named(new QPushButton(QStringLiteral("Копировать дисциплины из учебного плана"), this), "Button1");
    for (QPushButton* b : {Button2, Button3, Button1}) {
        b->setAutoDefault(false);
        left->addWidget(b);
    }
    connect(Button2, &QPushButton::clicked, this, ui::guarded([this] { RzBitBtn1Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guarded([this] { RzBitBtn2Click(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guarded([this] { RzBitBtn3Click(); }));
    left->addStretch(1);
    body->addLayout(left);

    DBGridEh1 = named(new ui::TQXDBGridEh(this), "DBGridEh1");
    body->addWidget(DBGridEh1, 1);
    root->addLayout(body, 1);
    buildGrid();
}

void TForm14::buildLegend(QWidget* parent)
{
    RzGroupBox1 = named(new ui::GroupBox(QString(), parent), "RzGroupBox1");
    auto* grid = new QGridLayout(RzGroupBox1);
    grid->setHorizontalSpacing(6);
    auto row = [&](int r, ui::Panel*& panel, const char* panelName, const QColor& colour, ui::Label*& label,
                   const char* labelName, const QString& caption) {
        panel = named(new ui::Panel(RzGroupBox1), panelName);
        panel->setColor(colour);
        panel->setBevel(ui::Panel::Bevel::Lowered);
        panel->setFixedSize(16, 16);
        label = named(new ui::Label(caption, RzGroupBox1), labelName);
        grid->addWidget(panel, r, 0);
        grid->addWidget(label, r, 1);
    };
    row(0, RzPanel1, "RzPanel1", QColor(211, 241, 201), Label2, "Label2", QStringLiteral("- По учебному плану"));
    row(1, RzPanel3, "RzPanel3", ui::colors::window(), Label4, "Label4", QStringLiteral("- Не по учебному плану"));
    row(2, RzPanel2, "RzPanel2", QColor(255, 128, 255), Label3, "Label3", QStringLiteral("- Запись необходимо уточнить"));
    row(3, RzPanel4, "RzPanel4", ui::colors::black(), Label7, "Label7", QStringLiteral("- Дополнительный предмет"));
    grid->setColumnStretch(1, 1);
}

void TForm14::FormCreate()
{
    dm_.ADOQ_markmagByStudent.close();
    dm_.ADOQ_foto.close();

    dm_.ADOQ_poseshal.close();
    dm_.ADOQ_poseshal.open();

    // Edits and deletions in the book are audited like those of the sheet.
    recorder_ = std::make_unique<RecorderMove>(dm_.ADOQ_markmagByStudent, QStringLiteral("mark_mag"),
                                               QStringLiteral("id_mark_mag"), true, true);

    dm_.ADOQ_f_est3.close();
    dm_.ADOQ_f_est3.setSql(QStringLiteral("Select *  FROM [QEL].[dbo].[f_est]"));
    dm_.ADOQ_f_est3.open();

    if (!session_.groupId)
        return;
    dm_.ADOQ_AllStudentsInGroup.close();
    dm_.ADOQ_AllStudentsInGroup.setSql(
        QStringLiteral("SELECT      dbo.S_G.id_s_g, dbo.S_G.id_student, dbo.S_G.s_fio, dbo.S_G.id_group, dbo.S_G.p20, "
                       "dbo.S_G.idid, dbo.S_G.e_mail, dbo.S_G.id_bk, dbo.S_G.id_semester,            "
                       "dbo.S_G.id_protocols, dbo.S_G.id_speciality, dbo.S_G.id_start_semester, dbo.g_f.id_faculty FROM  "
                       "       dbo.S_G INNER JOIN dbo.g_f ON dbo.S_G.id_group = dbo.g_f.id_group WHERE dbo.S_G.id_group=")
        + QString::number(*session_.groupId) + QStringLiteral(" ORDER BY dbo.S_G.s_fio"));
    dm_.ADOQ_AllStudentsInGroup.open();

    dm_.ADOQ_f_est2.close();
    dm_.ADOQ_f_est2.setSql(QStringLiteral(" SELECT [id_f_e],[p109] FROM [QEL].[dbo].[f_est] INNER JOIN User_f_est ON "
                                          "[f_est].id_f_e=User_f_est.id_f_est WHERE id_login=")
                           + QString::number(session_.loginId)
                           + (session_.flaggedFormsOnly ? QStringLiteral(" AND [f_est].QEL13 = 1") : QString()));
    dm_.ADOQ_f_est2.open();
}

void TForm14::openLookupSources()
{
    for (db::DataSet* ds : std::initializer_list<db::DataSet*>{&dm_.ADOT_discipline, &dm_.ADOT_examination,
                                                              &dm_.ADOTSemestr, &dm_.ADOQ_estimation2})
        if (!ds->active())
            ds->open();
}

bool TForm14::savePendingEdit()
{
    db::DataSet& book = dm_.ADOQ_markmagByStudent;
    if (!book.active())
        return true;
    return ui::runGuarded([&] { book.checkBrowseMode(); });
}

void TForm14::enableButtons()
{
    for (QPushButton* b : {Button2, Button3, Button1})
        b->setEnabled(true);
}

bool TForm14::requireStudent()
{
    if (!shownStudent_.isNull() && dm_.ADOQ_markmagByStudent.active())
        return true;
    ui::messageBox(QStringLiteral("Выберите студента."), ui::applicationTitle(), ui::MsgIcon::None, ui::MsgButtons::Ok,
                   this);
    return false;
}

void TForm14::DBLookupComboBox1Click()
{
    const QVariant key = DBLookupComboBox1->keyValue();
    if (key.isNull())
        return;
    // The edit of the book shown so far is saved for its own student before another is
    // loaded; when it cannot be saved, that student stays shown with the edit.
    if (!savePendingEdit()) {
        DBLookupComboBox1->setKeyValue(shownStudent_);
        return;
    }
    enableButtons();
    openLookupSources();

    shownStudent_ = key;
    reloadBook();

    db::Query& foto = dm_.ADOQ_foto;
    foto.close();
    // A student without records has no first row to take the id from: the photo stays empty.
    db::DataSet& book = dm_.ADOQ_markmagByStudent;
    if (!book.isEmpty()) {
        foto.setSql(recordbook::photoSql(book.fieldByName(QStringLiteral("id_student")).asInteger()));
        foto.open();
    }
    Panel3->hide();
}

void TForm14::reloadBook()
{
    const qint32 student = rules::idText(shownStudent_).toInt();
    db::Query& book = dm_.ADOQ_markmagByStudent;
    book.close();
    book.setSql(recordbook::recordBookSql(groupId(), student));
    book.open();

    MinSemesterInCurrentGroup = int(db::convert::toInteger(recordbook::firstValue(
        dm_.ADOQ_Exec, recordbook::minSemesterSql(groupId(), student), QStringLiteral("MinSemesterInCurrentGroup"))));
}

QVariant TForm14::shownStudentField(const QString& fieldName) const
{
    db::DataSet& students = dm_.ADOQ_AllStudentsInGroup;
    if (shownStudent_.isNull() || !students.active())
        return {};
    return students.lookup(QStringLiteral("id_student"), shownStudent_, fieldName);
}

bool TForm14::userHoldsForm(const QVariant& form) const
{
    return recordbook::anyRow(dm_.ADOQ_Exec, recordbook::userFormSql(session_.loginId, form));
}

void TForm14::FormClose()
{
    closed_ = true;
    // The recorder goes back to the sheet before anything else can fail.
    recorder_.reset();
    dm_.ADOQ_estimation2.setFiltered(false);
    dm_.ADOQ_markmagByStudent.close();
    dm_.ADOQ_f_est3.close();
    dm_.ADOQ_foto.close();
}

void TForm14::done(int result)
{
    if (!closed_)
        ui::runGuarded([this] { FormClose(); });
    QDialog::done(result);
}

} // namespace qel
