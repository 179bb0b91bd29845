// One typed mark on the demo examination sheet grown to 30 and 3000 students, from the
// column's update handler to the committed row and its audit rows, and one "н/п" reset:
// the cost of a post must not grow with the sheet (nothing re-reads the whole sheet).
#include "data/dm_cde_3.h"
#include "data/login_window.h"
#include "data/settings_file.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "server/server.h"
#include "sheet/main_window.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace qel;

namespace {

// Every question is answered Yes, every message OK.
class YesDialogs : public ui::Dialogs {
public:
    ui::MsgResult message(const ui::MessageRequest& r) override
    {
        if (r.buttons == ui::MsgButtons::Ok)
            return ui::MsgResult::Ok;
        return ui::MsgResult::Yes;
    }
};

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

// The demo database with ИВТ-24 grown to the given number of students; the window opens
// the examination sheet of "Дискретная математика" (the server makes the new rows).
struct Sheet {
    QTemporaryDir dir;
    std::unique_ptr<data::TDM_CDE_3> dm;
    std::unique_ptr<TForm2> window;
    int marks = 0;   // grid column of m1

    explicit Sheet(int students)
    {
        qputenv("QEL_DATA_DIR", dir.path().toUtf8());
        const QString path = dir.path() + QStringLiteral("/QEL.sqlite");
        server::createDatabase(path, true);
        {
            auto s = server::Session::administrator(path);
            s->execute(QStringLiteral("BEGIN TRANSACTION"));
            for (int id = 1000; id < 1000 + students - 10; ++id) {
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
        pick(window->DBLookupComboBox9, QStringLiteral("ИВТ-24"));
        pick(window->DBLookupComboBox10, QStringLiteral("3 семестр"));
        pick(window->DBLookupComboBox11, QStringLiteral("Дискретная математика"));
        if (dm->ADO_SP_Sort.recordCount() != students)
            throw Error(QStringLiteral("the sheet has %1 rows").arg(dm->ADO_SP_Sort.recordCount()));
        for (int i = 0; i < window->QXDBGridEh1->columnCount(); ++i)
            if (window->QXDBGridEh1->column(i).fieldName() == QLatin1String("m1"))
                marks = i;
    }
};

Sheet& sheet(int students)
{
    static std::map<int, std::unique_ptr<Sheet>> sheets;
    auto& s = sheets[students];
    if (!s)
        s = std::make_unique<Sheet>(students);
    return *s;
}

// A mark typed into m1 of the first row (alternating, so every post changes it), checked
// by the column's update handler, then the row posted with its total, grade and audit rows.
void BM_TypedMarkPost(benchmark::State& state)
{
    Sheet& s = sheet(int(state.range(0)));
    db::StoredProc& sp = s.dm->ADO_SP_Sort;
    sp.first();
    int n = 0;
    for (auto _ : state) {
        if (!s.window->QXDBGridEh1->setCellText(s.marks, QString::number(5 + (n++ % 2))))
            state.SkipWithError("the mark was refused");
        sp.post();
    }
    state.SetItemsProcessed(state.iterations());
}

// "н/п" on one row after another: the question answered Yes, the row zeroed and posted.
void BM_NpReset(benchmark::State& state)
{
    Sheet& s = sheet(int(state.range(0)));
    db::StoredProc& sp = s.dm->ADO_SP_Sort;
    int row = 0;
    for (auto _ : state) {
        state.PauseTiming();
        sp.setRecNo(row++ % sp.recordCount() + 1);
        state.ResumeTiming();
        s.window->N2Click();
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_TypedMarkPost)->Arg(30)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NpReset)->Arg(30)->Arg(3000)->Iterations(25)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    YesDialogs dialogs;
    ui::setDialogs(&dialogs);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ui::setDialogs(nullptr);
    return 0;
}
