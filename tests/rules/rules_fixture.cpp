#include "tests/rules/rules_fixture.h"

#include "data/mark_record.h"
#include "data/reference_ids.h"
#include "rules/grade_scale.h"

namespace qel::test {

void RulesTest::SetUp()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fx = std::make_unique<DemoFixture>(QStringLiteral("rules-") + QString::fromLatin1(info->name()));
    dialogs = std::make_unique<RecordingDialogs>();
    window.state.SessionLoginId = fx->connectAs(QStringLiteral("demo"), QStringLiteral("demo2026"));
    loadReferenceIdentifiers(*fx->dm, window.state, nullptr);
    window.grid = &fx->dm->ADO_SP_Sort;
    rules::registerSheetWindow(&window);
}

void RulesTest::TearDown()
{
    rules::unregisterSheetWindow(&window);
    dialogs.reset();
    fx.reset();
}

void RulesTest::openSheet(int kredits)
{
    using namespace data;
    TDM_CDE_3& dm = *fx->dm;
    const QString group = window.group.toString(), variant = window.variant.toString();
    dm.ADOQ_g_s.close();
    dm.ADOQ_g_s.setSql(QStringLiteral("Select * from g_s where id_group=") + group);
    dm.ADOQ_g_s.open();
    dm.ADOQ_est_config.close();
    dm.ADOQ_est_config.setSql(QStringLiteral("SELECT * FROM TF_GetEstConfig(%1,%2)").arg(variant, window.form.toString()));
    dm.ADOQ_est_config.open();
    dm.ADOQ_est_config.setSort(QStringLiteral("order_pole"));
    rules::LoadGradeScale(dm, window);

    db::StoredProc& sp = dm.ADO_SP_Sort;
    sp.close();
    db::Parameters& p = sp.parameters();
    p[MarkSheetGroup].setValue(window.group);
    p[MarkSheetSemester].setValue(window.semester);
    p[MarkSheetDiscipline].setValue(window.discipline.toInt() / 10);
    p[MarkSheetExamination].setValue(window.examination);
    p[MarkSheetTeacher].setValue(1);
    p[MarkSheetDoNotShowEst].setValue(QStringLiteral("1=1"));
    p[MarkSheetEbeVar].setValue(window.variant);
    p[MarkSheetFormOfStatement].setValue(window.form);
    p[MarkSheetKredits].setValue(kredits);
    sp.open();
}

QVariant RulesTest::value(int row, const char* field)
{
    db::DataSet& ds = fx->dm->ADO_SP_Sort;
    return ds.rowValue(row, ds.fieldByName(QString::fromLatin1(field)));
}

int RulesTest::rowOfStudent(int student)
{
    for (int r = 0; r < fx->dm->ADO_SP_Sort.recordCount(); ++r)
        if (value(r, "id_student").toInt() == student)
            return r;
    return -1;
}

} // namespace qel::test
