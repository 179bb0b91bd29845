// The add-students window over the demo user's examination sheet with one student ticked,
// the same window after "Добавить", and the referral statement the main window then opens
// with the student's copied points.
#include "app/screenshots/shot_helpers.h"
#include "app/screenshots/shots.h"

#include "data/dm_cde_3.h"
#include "platform/ui/check_list_box.h"
#include "sheet/add_students_window.h"
#include "sheet/main_window.h"

#include <QPushButton>

namespace {

using namespace qel;

const shots::Shot addStudentsShot("add_students", [](shots::ShotContext& ctx) {
    shots::DemoMainWindow demo(ctx);
    TForm2& window = demo.window();
    demo.openSheet(QStringLiteral("ИВТ-24"), QStringLiteral("3 семестр"), QStringLiteral("Дискретная математика"));

    shots::whenModalShown("qel::TForm13", [&ctx](QWidget* w) {
        auto* form = static_cast<TForm13*>(w);
        const int row = int(form->CheckListBox1->items().indexOf(QStringLiteral("Григорьева Дарья Олеговна")));
        form->CheckListBox1->setChecked(row, true);
        form->CheckListBox1->setCurrentRow(row);
        ctx.save(form, QStringLiteral("add_students_window"));
        form->Button1->click();
        ctx.save(form, QStringLiteral("add_students_window_added"));
        form->close();
    });
    window.Button2->click();
    shots::pick(window.DBLookupComboBox1, QStringLiteral("Направление"));
    ctx.save(&window, QStringLiteral("sheet_referral_added"));
});

} // namespace
