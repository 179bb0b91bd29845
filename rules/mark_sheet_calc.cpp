#include "rules/mark_sheet_calc.h"

#include "data/dm_cde_3.h"
#include "platform/db/value_convert.h"
#include "platform/ui/dialogs.h"
#include "rules/grade_scale.h"
#include "rules/sheet_window.h"

#include <QCoreApplication>
#include <QTimer>
#include <cmath>
#include <cstdlib>

namespace qel::rules {

namespace {

// The formula variables in the order they are set; each reads the field of its name.
const char* const kVariables[14] = {"m1", "m2", "m3", "m4", "m5", "m6", "m7", "m8", "m9", "m10", "m11", "m12",
                                    "dop", "dop2"};

} // namespace

// rintl rounds in the default mode, to nearest with ties to even (nearbyintl does the same
// but saves and restores the floating-point state on every call, at several times the cost).
double roundToHundredths(long double value) { return double(std::rintl(value / 0.01L) * 0.01L); }

MarkSheetCalc::MarkSheetCalc(data::TDM_CDE_3& dm) : dm_(dm) {}

MarkSheetCalc::~MarkSheetCalc() = default;

void MarkSheetCalc::prepare()
{
    prepared_ = true;
    config_.clear();
    calcs_.clear();
    total_.reset();
    fields_ = RecordFields();
    problems_.clear();
    failedColumns_.clear();

    for (int i = 0; i < 14; ++i)
        cells_[size_t(i)] = dm_.Parser1.SetVariable(QString::fromLatin1(kVariables[i]), 0.0L);

    db::Query& cfg = dm_.ADOQ_est_config;
    if (cfg.active()) {
        db::Field* field = cfg.findField(QStringLiteral("pole_mark_mag"));
        db::Field* title = cfg.findField(QStringLiteral("name_pole"));
        db::Field* formula = cfg.findField(QStringLiteral("formula"));
        db::Field* max = cfg.findField(QStringLiteral("max"));
        const auto text = [&](db::Field* f, int row) { return f ? cfg.rowValue(row, *f).toString() : QString(); };
        for (int row = 0, rows = cfg.recordCount(); row < rows; ++row) {
            SheetConfigRow r;
            r.field = text(field, row);
            r.title = text(title, row);
            r.formula = text(formula, row);
            r.max = max ? int(db::convert::toInteger(cfg.rowValue(row, *max))) : 0;
            config_.push_back(r);
        }
    }

    const auto compile = [&](const SheetConfigRow& row, int calcField) {
        Formula f;
        f.title = row.title;
        f.text = row.formula;
        f.calcField = calcField;
        try {
            f.ops = dm_.Parser1.CompileFormula(row.formula);
            f.compiled = true;
        } catch (const qel::Error& e) {
            f.compileError = e.message();
            f.reported = true;
            failedColumns_ << row.title;
            addProblem(QStringLiteral("Формула столбца \"%1\" не может быть вычислена: %2\n%3\nЯчейки этого столбца "
                                      "остаются пустыми.")
                           .arg(row.title, row.formula, e.message()));
        }
        return f;
    };

    QStringList beyond;
    int n = 0;
    for (const SheetConfigRow& row : config_) {
        if (!row.field.trimmed().isEmpty())
            continue;
        ++n;
        if (n > kCalcFieldCount) {
            beyond << QLatin1Char('"') + row.title + QLatin1Char('"');
            failedColumns_ << row.title;
        }
        else
            calcs_.push_back(compile(row, n));
    }
    if (!beyond.isEmpty())
        addProblem(QStringLiteral("В настройке ведомости больше %1 вычисляемых столбцов; столбцы сверх %1 остаются "
                                  "пустыми: %2.")
                       .arg(kCalcFieldCount)
                       .arg(beyond.join(QStringLiteral(", "))));
    for (const SheetConfigRow& row : config_)
        if (row.field == QLatin1String("ball1")) {
            total_ = compile(row, 0);
            break;
        }
}

const MarkSheetCalc::RecordFields& MarkSheetCalc::fieldsOf(db::DataSet& record)
{
    if (fields_.dataSet == &record)
        return fields_;
    RecordFields f;
    f.dataSet = &record;
    for (int i = 0; i < 14; ++i)
        f.inputs[size_t(i)] = &record.fieldByName(QString::fromLatin1(kVariables[i]));
    f.idEstimation = &record.fieldByName(QStringLiteral("id_estimation"));
    f.sessiya = &record.fieldByName(QStringLiteral("sessiya"));
    f.ball1 = &record.fieldByName(QStringLiteral("ball1"));
    f.ballName = &record.fieldByName(QStringLiteral("ball_name"));
    f.no = &record.fieldByName(QStringLiteral("No"));
    for (int i = 0; i < kCalcFieldCount; ++i)
        f.calc[size_t(i)] = &record.fieldByName(QStringLiteral("Calc%1").arg(i + 1));
    for (const SheetConfigRow& row : config_) {
        if (row.field.trimmed().isEmpty() || row.field == QLatin1String("ball1") || row.field == QLatin1String("dop"))
            continue;
        if (db::Field* checkpoint = record.findField(row.field))
            f.checkpoints.emplace_back(checkpoint, row.max);
    }
    fields_ = std::move(f);
    return fields_;
}

bool MarkSheetCalc::checkpointBelowMinimum(db::DataSet& record)
{
    if (!dm_.MinimumCheckpointRule)
        return false;
    if (!prepared_)
        prepare();
    for (const auto& [field, max] : fieldsOf(record).checkpoints)
        if (double(max) * 61 / 100 > field->asFloat())
            return true;
    return false;
}

void MarkSheetCalc::loadInputs(const RecordFields& f)
{
    for (size_t i = 0; i < cells_.size(); ++i)
        *cells_[i] = double(f.inputs[i]->asInteger());
}

std::optional<double> MarkSheetCalc::recordTotal(db::DataSet& record, QString& problem)
{
    if (!prepared_)
        prepare();
    if (!total_)
        return 0.0;
    QString error = total_->compileError;
    if (total_->compiled) {
        loadInputs(fieldsOf(record));
        try {
            return roundToHundredths(TCustomParser::ValueOf(total_->ops));
        } catch (const qel::Error& e) {
            error = e.message();
        }
    }
    problem = QStringLiteral("Строка не сохранена: итог по формуле столбца \"%1\" не вычисляется.\n%2\n%3\nИсправьте "
                             "баллы или отмените изменения строки (Esc).")
                  .arg(total_->title, total_->text, error);
    return std::nullopt;
}

std::optional<double> MarkSheetCalc::evaluate(Formula& f)
{
    if (!f.compiled)
        return std::nullopt;
    try {
        return roundToHundredths(TCustomParser::ValueOf(f.ops));
    } catch (const qel::Error& e) {
        if (!f.reported) {
            f.reported = true;
            failedColumns_ << f.title;
            addProblem(QStringLiteral("Формула столбца \"%1\" не вычисляется для некоторых строк: %2\n%3\nЯчейки таких "
                                      "строк остаются пустыми.")
                           .arg(f.title, f.text, e.message()));
        }
        return std::nullopt;
    }
}

void MarkSheetCalc::calculate(db::DataSet& record, SheetWindow* window)
{
    db::DataSet* gridDataSet = window ? window->sheetGridDataSet() : nullptr;
    if (!gridDataSet)
        return;
    if (!prepared_)
        prepare();
    const RecordFields& f = fieldsOf(record);
    const SessionState& session = window->session();
    const TGradeIds& g = session.GradeIds;
    const qint32 stored = f.idEstimation->asInteger();

    double total = 0;
    bool totalKnown = true;
    if (stored == g.NP) {
        f.ball1->setAsFloat(0);
    } else {
        loadInputs(f);
        for (Formula& c : calcs_)
            if (const std::optional<double> v = evaluate(c))
                f.calc[size_t(c.calcField - 1)]->setAsFloat(*v);
        if (total_) {
            const std::optional<double> v = evaluate(*total_);
            totalKnown = v.has_value();
            if (v) {
                total = *v;
                f.ball1->setAsFloat(total);
            }
        } else {
            f.ball1->setAsFloat(0);
        }
    }

    // The name follows the computed total on ordinary statements of full-time groups,
    // otherwise the stored grade (given by the lower bound of its interval).
    const int sessiya = f.sessiya->asInteger();
    std::optional<double> t;
    if (compositeAllowed(sessiya, groupStudyForm(dm_))) {
        if (totalKnown)
            t = total;
    } else {
        const TGradeScale& sc = session.GradeScale;
        const struct {
            qint32 id;
            const TGradeInterval* interval;
        } byStored[] = {{g.Satisfactory, &sc.Satisfactory}, {g.Good, &sc.Good},         {g.Excellent, &sc.Excellent},
                        {g.Credited, &sc.Credited},         {g.Attested, &sc.Attested}, {g.Unsatisfactory, &sc.Unsatisfactory},
                        {g.Absent, &sc.Absent}};
        for (const auto& b : byStored)
            if (stored == b.id) {
                t = b.interval->beg_bal;
                break;
            }
        if (!t && totalKnown)
            t = total;
    }
    if (t) {
        GradeNameInputs in{g, session.GradeScale};
        in.belowMinimum = checkpointBelowMinimum(record);
        in.kind = controlKindOf(session.ExamIds, window->examinationKey());
        in.stored = stored;
        in.composite = compositeAllowed(sessiya, groupStudyForm(dm_));
        if (const std::optional<QString> name = scaleGradeName(in, *t))
            f.ballName->setAsString(*name);
    }

    if (!window->examinationKey().isNull())
        f.no->setAsInteger(std::abs(gridDataSet->recNo()));
}

void MarkSheetCalc::addProblem(const QString& text)
{
    problems_ << text;
    if (reportScheduled_ || !QCoreApplication::instance())
        return;
    // Rows are calculated while they are drawn: the box waits for the event loop.
    reportScheduled_ = true;
    QTimer::singleShot(0, [weak = weak_from_this()] {
        if (const std::shared_ptr<MarkSheetCalc> self = weak.lock()) {
            self->reportScheduled_ = false;
            self->reportProblems();
        }
    });
}

void MarkSheetCalc::reportProblems()
{
    if (problems_.isEmpty())
        return;
    const QString text = problems_.join(QStringLiteral("\n\n"));
    problems_.clear();
    ui::messageBox(text, QStringLiteral("Warning!"), ui::MsgIcon::Warning);
}

MarkSheetCalc& markSheetCalc(data::TDM_CDE_3& dm)
{
    if (!dm.SheetCalc)
        dm.SheetCalc = std::make_shared<MarkSheetCalc>(dm);
    if (!dm.SheetCalc->prepared())
        dm.SheetCalc->prepare();
    return *dm.SheetCalc;
}

void reportSheetProblems(data::TDM_CDE_3& dm)
{
    if (dm.SheetCalc)
        dm.SheetCalc->reportProblems();
}

} // namespace qel::rules
