#include "rules/grade_scale.h"

#include "data/dm_cde_3.h"
#include "platform/ui/dialogs.h"
#include "rules/mark_sheet_calc.h"
#include "rules/sheet_window.h"

namespace qel::rules {

void LoadGradeScale(data::TDM_CDE_3& dm, SheetWindow& window)
{
    dm.ScaleMissing = true;
    TGradeScale& scale = window.session().GradeScale;
    const TGradeIds& g = window.session().GradeIds;
    // The order the bounds are copied in; a grade without a row keeps 10000.
    const struct {
        TGradeInterval TGradeScale::*interval;
        qint32 id;
    } grades[] = {{&TGradeScale::NotCredited, g.NotCredited}, {&TGradeScale::Unsatisfactory, g.Unsatisfactory},
                  {&TGradeScale::Credited, g.Credited},       {&TGradeScale::Satisfactory, g.Satisfactory},
                  {&TGradeScale::Good, g.Good},               {&TGradeScale::Excellent, g.Excellent},
                  {&TGradeScale::NotAttested, g.NotAttested}, {&TGradeScale::Attested, g.Attested},
                  {&TGradeScale::Absent, g.Absent}};
    for (const auto& grade : grades)
        scale.*grade.interval = TGradeInterval{10000, 10000};

    const QString variant = idText(window.scaleVariantKey());
    db::Query& exec = dm.ADOQ_Exec;
    exec.setSql(QStringLiteral("SELECT beg_bal ,end_bal,id_estimation FROM ebe  WHERE id_ebe_var = ") + variant);
    exec.open();
    if (exec.isEmpty()) {
        ui::messageBox(QStringLiteral("Нет информации о баллах."), QStringLiteral("Error"), ui::MsgIcon::Error);
        return;
    }
    dm.ScaleMissing = false;

    dm.ADOQ_EstimationOther.close();
    dm.ADOQ_EstimationOther.parameters().byName(QStringLiteral("id_ebe_var")).setValue(variant);
    dm.ADOQ_EstimationOther.open();
    window.setSpecialGradeColumnsVisible(!dm.ADOQ_EstimationOther.isEmpty());

    for (const auto& grade : grades) {
        if (!exec.locate(QStringLiteral("id_estimation"), grade.id))
            continue;
        scale.*grade.interval = TGradeInterval{exec.fieldByName(QStringLiteral("beg_bal")).asFloat(),
                                               exec.fieldByName(QStringLiteral("end_bal")).asFloat()};
    }
}

bool CheckpointBelowMinimum(data::TDM_CDE_3& dm, db::DataSet& record)
{
    return markSheetCalc(dm).checkpointBelowMinimum(record);
}

void SetGradeName(data::TDM_CDE_3& dm, SheetWindow& window, db::DataSet& record, double t)
{
    const SessionState& session = window.session();
    GradeNameInputs in{session.GradeIds, session.GradeScale};
    in.belowMinimum = CheckpointBelowMinimum(dm, record);
    in.kind = controlKindOf(session.ExamIds, window.examinationKey());
    in.stored = record.fieldByName(QStringLiteral("id_estimation")).asInteger();
    in.composite = compositeAllowed(record.fieldByName(QStringLiteral("sessiya")).asInteger(), groupStudyForm(dm));
    if (const std::optional<QString> name = scaleGradeName(in, t))
        record.fieldByName(QStringLiteral("ball_name")).setAsString(*name);
}

qint32 GradeForTotal(data::TDM_CDE_3& dm, SheetWindow& window, db::DataSet& record)
{
    const SessionState& session = window.session();
    return scaleGrade(session.GradeIds, session.GradeScale, controlKindOf(session.ExamIds, window.examinationKey()),
                         record.fieldByName(QStringLiteral("ball")).asFloat(), record.fieldByName(QStringLiteral("id_estimation")).asInteger());
}

int groupStudyForm(data::TDM_CDE_3& dm)
{
    db::Query& g = dm.ADOQ_g_s;
    if (!g.active() || g.isEmpty())
        return -1;
    db::Field* f = g.findField(QStringLiteral("o_z_d"));
    return f && !f->isNull() ? f->asInteger() : -1;
}

} // namespace qel::rules
