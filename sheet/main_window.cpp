#include "sheet/main_window.h"

#include "data/dm_cde_3.h"
#include "data/login_window.h"
#include "grid/sheet_grid_events.h"
#include "history/sql_text.h"
#include "history/update_history.h"
#include "platform/db/sql_literal.h"
#include "platform/os/system_info.h"
#include "platform/ui/colors_fonts.h"
#include "platform/ui/date_picker.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/db_lookup_list_box.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/drop_down_list.h"
#include "platform/ui/error_report.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/label.h"
#include "platform/ui/panel.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "platform/ui/status_bar.h"
#include "sheet/sheet_report_actions.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace qel {

TForm2* Form2 = nullptr;

namespace {

ui::Label* navyLabel(const QString& text, QWidget* parent)
{
    return new ui::Label(text, ui::pixelFont(12, true), ui::colors::navy(), parent);
}

template <class W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TForm2::TForm2(data::TDM_CDE_3& dm, QWidget* parent) : QMainWindow(parent), dm_(dm)
{
    Form2 = this;
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QString::fromLatin1(kDesignCaption));
    setMinimumSize(803, 326);
    ui::setBackgroundColor(this, ui::colors::silver());
    buildControls();
    connectHandlers();
    ReportActions = new SheetReportActions(*this);
    rules::registerSheetWindow(this);
    FormCreate();
}

TForm2::~TForm2()
{
    rules::unregisterSheetWindow(this);
    if (UpdateHistory) {
        delete UpdateHistory;
        UpdateHistory = nullptr;
    }
    if (Form2 == this)
        Form2 = nullptr;
}

void TForm2::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* root = new QVBoxLayout(central);
    root->setContentsMargins(4, 4, 4, 0);
    root->setSpacing(4);

    Panel11 = named(new ui::Panel(QStringLiteral("Внимание! По данной ведомости у Вас нет доступа на изменения!!!"), central),
                    "Panel11");
    Panel11->setCaptionFont(ui::pixelFont(14, true, true), ui::colors::red());
    Panel11->setVisible(false);
    root->addWidget(Panel11);

    InfoPanel = named(new ui::Panel(QString(), central), "InfoPanel");
    InfoPanel->setCaptionFont(ui::pixelFont(13, true), ui::colors::black());
    root->addWidget(InfoPanel);

    // The selection area: the selectors on the left, the three buttons on the right.
    auto* selection = new QHBoxLayout;
    auto* selectors = new QGridLayout;
    Label10 = named(navyLabel(QStringLiteral("Группа:"), central), "Label10");
    DBLookupComboBox9 = named(new ui::DBLookupComboBox(central), "DBLookupComboBox9");
    DBLookupComboBox9->setListSource(&dm_.DS_group);
    DBLookupComboBox9->setKeyField(QStringLiteral("id_group"));
    DBLookupComboBox9->setListField(QStringLiteral("p20"));
    Label12 = named(navyLabel(QStringLiteral("Семестр:"), central), "Label12");
    DBLookupComboBox10 = named(new ui::DBLookupComboBox(central), "DBLookupComboBox10");
    DBLookupComboBox10->setListSource(&dm_.DS_g_sem);
    DBLookupComboBox10->setKeyField(QStringLiteral("id_semester"));
    DBLookupComboBox10->setListField(QStringLiteral("p43"));
    DBLookupComboBox10->setEnabled(false);
    Label11 = named(navyLabel(QStringLiteral("Дисциплина:"), central), "Label11");
    DBLookupComboBox11 = named(new ui::DBLookupComboBox(central), "DBLookupComboBox11");
    DBLookupComboBox11->setListSource(&dm_.DS_discipline);
    DBLookupComboBox11->setKeyField(QStringLiteral("id"));
    DBLookupComboBox11->setListField(QStringLiteral("p34"));
    DBLookupComboBox11->setDropDownWidth(420);
    DBLookupComboBox11->setEnabled(false);
    DBLookupComboBox9->setMinimumWidth(160);
    DBLookupComboBox10->setMinimumWidth(160);
    selectors->addWidget(Label10, 0, 0);
    selectors->addWidget(DBLookupComboBox9, 0, 1);
    selectors->addWidget(Label12, 1, 0);
    selectors->addWidget(DBLookupComboBox10, 1, 1);
    selectors->addWidget(Label11, 2, 0);
    selectors->addWidget(DBLookupComboBox11, 2, 1);
    selectors->setColumnStretch(1, 1);
    selection->addLayout(selectors, 3);

    auto listColumn = [&](ui::Label*& label, const char* labelName, const QString& caption,
                          ui::DBLookupListBox*& list, const char* listName) {
        auto* column = new QVBoxLayout;
        label = named(navyLabel(caption, central), labelName);
        list = named(new ui::DBLookupListBox(central), listName);
        list->setMinimumWidth(150);
        list->setFixedHeight(64);
        column->addWidget(label);
        column->addWidget(list);
        column->addStretch();
        selection->addLayout(column, 2);
    };
    listColumn(Label2, "Label2", QStringLiteral("Форма контроля:"), DBLookupListBox2, "DBLookupListBox2");
    DBLookupListBox2->setListSource(&dm_.DataSource2);
    DBLookupListBox2->setKeyField(QStringLiteral("id_examination"));
    DBLookupListBox2->setListField(QStringLiteral("p30"));
    listColumn(Label5, "Label5", QStringLiteral("Шкала оценок:"), DBLookupListBox1, "DBLookupListBox1");
    DBLookupListBox1->setListSource(&dm_.DS_ebe);
    DBLookupListBox1->setKeyField(QStringLiteral("id_ebe_var"));
    DBLookupListBox1->setListField(QStringLiteral("id_ebe_var"));

    auto* buttons = new QVBoxLayout;
    SpeedButton2 = named(new QPushButton(QStringLiteral("Шифр Студентов"), central), "SpeedButton2");
    Button1 = named(new QPushButton(QStringLiteral("По студентам"), central), "Button1");
    Button2 = named(new QPushButton(QStringLiteral("Добавить студента по ведомости"), central), "Button2");
    for (QPushButton* b : {SpeedButton2, Button1, Button2}) {
        b->setEnabled(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    selection->addLayout(buttons, 2);
    root->addLayout(selection);

    // The statement form, the filter and the date for all, in one row.
    auto* row = new QHBoxLayout;
    Label7 = named(navyLabel(QStringLiteral("Форма ведомости:"), central), "Label7");
    DBLookupComboBox1 = named(new ui::DBLookupComboBox(central), "DBLookupComboBox1");
    DBLookupComboBox1->setListSource(&dm_.DS_exist_FEst);
    DBLookupComboBox1->setKeyField(QStringLiteral("id_f_est"));
    DBLookupComboBox1->setListField(QStringLiteral("p109"));
    DBLookupComboBox1->setMinimumWidth(160);
    Label1 = named(navyLabel(QStringLiteral("Фильтр:"), central), "Label1");
    ComboBox1 = named(new ui::DropDownList(central), "ComboBox1");
    ComboBox1->setItems({QStringLiteral("Показать тех кто изучает данную дисциплину"),
                         QStringLiteral("Показать задолжности"), QStringLiteral("Показать всех")});
    ComboBox1->setItemIndex(2);
    ComboBox1->setEnabled(false);
    Label4 = named(navyLabel(QStringLiteral("Дата сдачи для всех:"), central), "Label4");
    DateTimePicker1 = named(new ui::DatePicker(central), "DateTimePicker1");
    SpeedButton1 = named(new QPushButton(QStringLiteral("Установить дату"), central), "SpeedButton1");
    row->addWidget(Label7);
    row->addWidget(DBLookupComboBox1, 1);
    row->addSpacing(12);
    row->addWidget(Label1);
    row->addWidget(ComboBox1, 2);
    row->addSpacing(12);
    row->addWidget(Label4);
    row->addWidget(DateTimePicker1);
    row->addWidget(SpeedButton1);
    root->addLayout(row);

    QXDBGridEh1 = named(new ui::TQXDBGridEh(central), "QXDBGridEh1");
    root->addWidget(QXDBGridEh1, 1);
    buildSheetGrid();

    StatusBar1 = named(new ui::StatusBar(this), "StatusBar1");
    StatusBar1->addPanel(150, QStringLiteral("Количество записей: 0"));
    StatusBar1->addPanel(150, QStringLiteral("Текущая запись: 0"));
    StatusBar1->addPanel(150, QStringLiteral("Выполнение: Удачно"));
    StatusBar1->addPanel(50);
    setStatusBar(StatusBar1);

    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    N2 = PopupMenu1->addAction(QStringLiteral("н/п"));
    N2->setObjectName(QStringLiteral("N2"));

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(1);
    Timer1->setSingleShot(true);
}

void TForm2::buildSheetGrid()
{
    ui::TQXDBGridEh& g = *QXDBGridEh1;
    g.setOptions(ui::dgEditing | ui::dgAlwaysShowEditor | ui::dgTitles | ui::dgIndicator | ui::dgColumnResize
                 | ui::dgColLines | ui::dgRowLines | ui::dgTabs | ui::dgEnterAsTab | ui::dgAlwaysShowSelection
                 | ui::dgConfirmDelete | ui::dgCancelOnExit | ui::dgMultiSelect | ui::dgRowHighlight
                 | ui::dgFindDialog);
    g.setAllowedOperations(ui::GridOperation::Update | ui::GridOperation::Append);
    g.setTitleHeight(32);
    g.setTitleFont(ui::pixelFont(11, true), ui::colors::grey());
    g.setDataFont(ui::pixelFont(13));
    g.setColor(ui::colors::silver());
    g.setRowColors(ui::colors::silver(), ui::colors::silver());
    g.setFooterRowCount(1);
    g.setFooterColor(ui::colors::buttonFace());
    g.setFooterFont(ui::pixelFont(11, true));
    g.setSumsEnabled(true);

    // The eight fixed columns; the sheet adds its configuration columns after position 7.
    auto& no = g.addColumn(QStringLiteral("No"), QStringLiteral("П/П"));
    no.setMinWidth(28);
    no.setMaxWidth(28);
    no.setWidth(28);
    no.setColor(ui::colors::white());
    auto& admission = g.addColumn(QStringLiteral("primech"), QStringLiteral("Допуск по оплате"));
    admission.setMinWidth(42);
    admission.setMaxWidth(42);
    admission.setWidth(42);
    admission.setReadOnly(true);
    admission.setAlignment(Qt::AlignCenter);
    admission.setFont(ui::pixelFont(13, true));
    admission.setPickList({QStringLiteral("д"), QStringLiteral("н/д")});
    admission.setKeyList({QStringLiteral("д"), QStringLiteral("н/д")});
    admission.onUpdateData = [this](ui::GridColumn& c, QString& text, QVariant& value, bool& useText, bool& handled) {
        QXDBGridEh1Columns1UpdateData(c, text, value, useText, handled);
    };
    auto& student = g.addColumn(QStringLiteral("student"), QStringLiteral("Студент"));
    student.setWidth(204);
    student.setReadOnly(true);
    student.setFooterText(QStringLiteral("Сумма баллов"));
    auto& code = g.addColumn(QStringLiteral("idid"), QStringLiteral("Шифр студента"));
    code.setWidth(86);
    code.setReadOnly(true);
    auto& teacher = g.addColumn(QStringLiteral("teacher"), QStringLiteral("Преподаватель"));
    teacher.setWidth(148);
    teacher.setDropDownWidth(300);
    auto& exam = g.addColumn(QStringLiteral("exam"), QStringLiteral("Форм/контр."));
    exam.setWidth(85);
    exam.setReadOnly(true);
    exam.setVisible(false);
    auto& form = g.addColumn(QStringLiteral("f_est"), QStringLiteral("Форма ведомости"));
    form.setWidth(103);
    form.setReadOnly(true);
    form.setVisible(false);
    form.setDropDownWidth(200);
    auto& number = g.addColumn(QStringLiteral("p35"), QStringLiteral("№"));
    number.setReadOnly(true);
    number.onUpdateData = [this](ui::GridColumn& c, QString& text, QVariant& value, bool& useText, bool& handled) {
        QXDBGridEh1Columns7UpdateData(c, text, value, useText, handled);
    };
    g.setAutoFitColWidths(true);

    g.onKeyPress = [this](ui::TQXDBGridEh&, QChar& key) { QXDBGridEh1KeyPress(key); };
    g.onGetCellParams = [this](ui::TQXDBGridEh&, ui::GridColumn& column, ui::GridFont& font, QColor& background,
                               ui::GridDrawState state) { QXDBGridEh1GetCellParams(column, font, background, state); };
    // The component paints the cells (selected, focused rows) and hands each to the sheet's
    // own painter; it takes the grid's key-down and drawing hooks.
    F4_QX_DM_CDE_3 = new grid::TQXDBGridEvents(this);
    F4_QX_DM_CDE_3->setObjectName(QStringLiteral("F4_QX_DM_CDE_3"));
    grid::configureSheetGridEvents(
        *F4_QX_DM_CDE_3, g, QStringLiteral("id_mark_mag"),
        [this](QObject* sender, bool& canDelete) { F4_QX_DM_CDE_3QXDBEOnConfirmDelete(sender, canDelete); },
        [this](ui::TQXDBGridEh&, const QRect& rect, int dataCol, ui::GridColumn& column, ui::GridDrawState state) {
            F4_QX_DM_CDE_3DrawColumnCell(rect, dataCol, column, state);
        });
}

void TForm2::connectHandlers()
{
    // The controls run their handlers guarded: an error shows in the default error report.
    DBLookupComboBox9->onClick = [this](ui::DBLookupComboBox&) { DBLookupComboBox9Click(); };
    DBLookupComboBox10->onClick = [this](ui::DBLookupComboBox&) { DBLookupComboBox10Click(); };
    DBLookupComboBox11->onClick = [this](ui::DBLookupComboBox&) { DBLookupComboBox11Click(); };
    DBLookupListBox2->onClick = [this](ui::DBLookupListBox&) { DBLookupListBox2Click(); };
    DBLookupListBox1->onClick = [this](ui::DBLookupListBox&) { DBLookupListBox1Click(); };
    DBLookupComboBox1->onClick = [this](ui::DBLookupComboBox&) { DBLookupComboBox1Click(); };
    ComboBox1->onChange = [this](ui::DropDownList&) { ComboBox1Change(); };
    DBLookupComboBox9->onEnter = [this](ui::DBLookupComboBox&) { DBLookupComboBox9Enter(); };
    DBLookupComboBox10->onEnter = [this](ui::DBLookupComboBox&) { DBLookupComboBox10Enter(); };
    DBLookupComboBox11->onEnter = [this](ui::DBLookupComboBox&) { DBLookupComboBox11Enter(); };
    connect(N2, &QAction::triggered, this, ui::guarded([this] { N2Click(); }));
    connect(SpeedButton1, &QPushButton::clicked, this, ui::guarded([this] { SpeedButton1Click(); }));
    connect(Timer1, &QTimer::timeout, this, ui::guarded([this] { Timer1Timer(); }));
    connect(SpeedButton2, &QPushButton::clicked, this, ui::guarded([this] { SpeedButton2Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guarded([this] { Button2Click(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guarded([this] { Button1Click(); }));
}

void TForm2::FormCreate()
{
    DateTimePicker1->setToNow();

    {
        TForm8 login(nullptr, dm_, *this, this);
        if (login.exec() != QDialog::Accepted)
            TerminationRequested = true;
    }
    // Nothing below matters once the program is ending (and the permission query would
    // fail without a connection).
    if (TerminationRequested)
        return;

    try {
        dm_.ADOQ_group.setSort(QStringLiteral("p20"));
    } catch (const std::exception&) {
        // an unsorted group list is still usable
    }

    UpdateHistory = new TADOUpdateHistoryExec;
    UpdateHistory->OnFieldChanged = [this](const QString& d, db::DataSet& ds, const QString& t, const QString& k,
                                           QStringList& c) { LogFieldChanged(d, ds, t, k, c); };
    UpdateHistory->OnRecordDeleted = [this](const QString& d, db::DataSet& ds, const QString& t, const QString& k,
                                            QStringList& c) { LogRecordDeleted(d, ds, t, k, c); };
    UpdateHistory->OnExecute = [this](QStringList& c) { ExecuteLogStatements(c); };
    UpdateHistory->Template = QStringLiteral("Поле ") + QLatin1Char('"') + QStringLiteral("<?>") + QLatin1Char('"')
                            + QStringLiteral(" изменило значение ") + QLatin1Char('"') + QStringLiteral("<old>")
                            + QLatin1Char('"') + QStringLiteral(" на ") + QLatin1Char('"') + QStringLiteral("<new>")
                            + QLatin1Char('"') + QStringLiteral(".");
    UpdateHistory->Attach(&dm_.ADO_SP_Sort, QStringLiteral("mark_mag"), QStringLiteral("id_mark_mag"), true, true);

    setComputerName(os::computerName(100));

    ui::runGuarded([this] { applyPaymentAdmissionPermission(); });

    if (!MissingGradeNames.isEmpty()) {
        QStringList quoted;
        for (const QString& n : MissingGradeNames)
            quoted << QLatin1Char('"') + n + QLatin1Char('"');
        ui::messageBox(QStringLiteral("В справочнике оценок нет: %1. Такие оценки не будут распознаваться на "
                                      "ведомостях; сообщите администратору.")
                           .arg(quoted.join(QStringLiteral(", "))),
                       QStringLiteral("Уведомление"), ui::MsgIcon::Warning, ui::MsgButtons::Ok, this);
    }
}

void TForm2::applyPaymentAdmissionPermission()
{
    dm_.ADOQ_Exec.reopen(QStringLiteral("SELECT [canChangeDopusk]  FROM [QEL].[dbo].[QEL_User]  where QEL_login=")
                         + db::sqlLiteral(SessionLogin));
    const bool allowed = dm_.ADOQ_Exec.fieldByName(QStringLiteral("canChangeDopusk")).asBoolean();
    QXDBGridEh1->column(1).setReadOnly(!allowed);
}

bool TForm2::PostPendingEdit(db::DataSet& dataSet)
{
    if (!dataSet.active())
        return true;
    dataSet.updateRecord();
    if (!dataSet.modified() && dataSet.state() != db::DataSetState::Edit)
        return true;
    return ui::runGuarded([&] {
        dataSet.edit();
        dataSet.post();
    });
}

void TForm2::FormClose() { PostPendingEdit(dm_.ADO_SP_Sort); }

void TForm2::closeEvent(QCloseEvent* event)
{
    ui::runGuarded([this] { FormClose(); });
    event->accept();
}

QString TForm2::auditComputerText() const { return computerNameText() + QLatin1Char('\\') + os::localIpv4(); }

QString TForm2::auditStatement(const QString& tableName, const QString& keyText, const QString& description) const
{
    // The description's values were quoted by the recorder; the login and the computer name
    // are the user's and the machine's own texts and get their quotes doubled here.
    return QStringLiteral("INSERT INTO QEL_LOG([table], [row_id], [descr], [QEL_User], [comp]) VALUES(")
         + QuoteSql(tableName) + QStringLiteral(", ") + keyText + QStringLiteral(", ") + QuoteSql(description)
         + QStringLiteral(", ") + db::sqlLiteral(SessionLogin) + QStringLiteral(", ")
         + db::sqlLiteral(auditComputerText()) + QStringLiteral(")");
}

void TForm2::LogFieldChanged(const QString& description, db::DataSet& dataSet, const QString& tableName,
                             const QString& keyFieldName, QStringList& changes)
{
    changes << auditStatement(tableName, rules::idText(dataSet.fieldByName(keyFieldName).value()), description);
}

void TForm2::LogRecordDeleted(const QString& description, db::DataSet& dataSet, const QString& tableName,
                              const QString& keyFieldName, QStringList& changes)
{
    const QString key = rules::idText(dataSet.fieldByName(keyFieldName).value());
    changes << auditStatement(tableName, key,
                              QStringLiteral("Запись с уникальным номером - ") + QuoteSqlNested(key)
                                  + QStringLiteral(" была удалена - ") + description + QStringLiteral("."));
}

void TForm2::ExecuteLogStatements(QStringList& changes)
{
    for (const QString& statement : changes) {
        dm_.ADOQ_Exec.setSql(statement);
        dm_.ADOQ_Exec.execSql();
    }
}

} // namespace qel
