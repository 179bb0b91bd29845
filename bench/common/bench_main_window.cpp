#include "bench/common/bench_main_window.h"

#include "bench/common/bench_sheet_db.h"
#include "data/dm_cde_3.h"
#include "data/login_window.h"
#include "data/settings_file.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "server/server.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace qel::bench {

YesDialogs::YesDialogs() { ui::setDialogs(this); }
YesDialogs::~YesDialogs() { ui::setDialogs(nullptr); }

ui::MsgResult YesDialogs::message(const ui::MessageRequest& r)
{
    if (r.buttons == ui::MsgButtons::YesNo)
        return ui::MsgResult::Yes;
    ++messages;
    last = r.text;
    return ui::MsgResult::Ok;
}

namespace {

void answerLogin()
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer] {
        auto* form = qobject_cast<TForm8*>(QApplication::activeModalWidget());
        if (!form)
            return;
        timer->stop();
        timer->deleteLater();
        form->Login_Edit->setText(QStringLiteral("demo"));
        form->Password_Edit->setText(QStringLiteral("demo2026"));
        form->SpeedButton2->click();
    });
    timer->start();
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

} // namespace

MainWindowSheet::MainWindowSheet(int n) : students(n)
{
    qputenv("QEL_DATA_DIR", dir.path().toUtf8());
    path = dir.path() + QStringLiteral("/QEL.sqlite");
    server::createDatabase(path, true);
    {
        auto s = server::Session::administrator(path);
        s->execute(QStringLiteral("BEGIN TRANSACTION"));
        for (int id = 1000; id < 1000 + n - 10; ++id) {
            s->execute(QStringLiteral("INSERT INTO s_fio (id_student, s_fio, idid) VALUES (?, ?, ?)"),
                       {id, QStringLiteral("Студент %1 Тестовый").arg(id), QStringLiteral("24X%1").arg(id)});
            s->execute(QStringLiteral("INSERT INTO student_group (id_student, id_group, id_bk, id_semester, "
                                      "id_start_semester) VALUES (?, 1, 1, 3, 1)"),
                       {id});
        }
        s->execute(QStringLiteral("COMMIT TRANSACTION"));
    }
    writeSettingsFile(dir.path() + QStringLiteral("/QEL"), {QStringLiteral("qel_start"), QStringLiteral("qel13start"),
                                                            QStringLiteral("QEL"), QStringLiteral("embedded")});
    dm = std::make_unique<data::TDM_CDE_3>();
    answerLogin();
    window = std::make_unique<TForm2>(*dm);
    if (window->TerminationRequested)
        throw Error(QStringLiteral("login failed"));
    window->resize(1280, 760);
    window->show();
    // The server makes the new students' rows when the sheet opens; a copy of them all is
    // kept for putting deleted rows back.
    pick(window->DBLookupComboBox9, QStringLiteral("ИВТ-24"));
    pick(window->DBLookupComboBox10, QStringLiteral("3 семестр"));
    pick(window->DBLookupComboBox11, QStringLiteral("Дискретная математика"));
    if (dm->ADO_SP_Sort.recordCount() != n)
        throw Error(QStringLiteral("the sheet has %1 rows").arg(dm->ADO_SP_Sort.recordCount()));
    execRaw(path, "CREATE TABLE mark_mag_kept AS SELECT * FROM mark_mag");
}

// The window goes before the data module it works on (members die in reverse order).
MainWindowSheet::~MainWindowSheet() = default;

void MainWindowSheet::restoreRows()
{
    execRaw(path, "INSERT INTO mark_mag SELECT * FROM mark_mag_kept WHERE id_mark_mag NOT IN (SELECT id_mark_mag FROM "
                  "mark_mag)");
    window->QXDBGridEh1->selectedRows().clear();
    window->ComboBox1Change();
}

int MainWindowSheet::column(const QString& fieldName) const
{
    for (int i = 0; i < window->QXDBGridEh1->columnCount(); ++i)
        if (window->QXDBGridEh1->column(i).fieldName() == fieldName)
            return i;
    return -1;
}

} // namespace qel::bench
