// The calculated fields of the mark sheet: the computed total ball1, the extra computed
// columns calc1 … calc10, the grade name and the running number of every row. The
// formulas of the sheet's configuration are compiled once per opening of the sheet and
// only evaluated per row; a formula that does not compile or fails on a row is reported
// once per opening and leaves its cells empty, and the sheet stays usable.
#pragma once

#include "formula/operation.h"

#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace qel::data {
class TDM_CDE_3;
}
namespace qel::db {
class DataSet;
class Field;
} // namespace qel::db

namespace qel::rules {

class SheetWindow;

// The extra computed columns the mark record has fields for (calc1 … calc10).
constexpr int kCalcFieldCount = 10;

// One row of the sheet's column configuration (ADOQ_est_config), in configuration order.
struct SheetConfigRow {
    QString field;      // pole_mark_mag; empty for an extra computed column
    QString title;      // name_pole
    QString formula;
    int max = 0;
};

class MarkSheetCalc : public std::enable_shared_from_this<MarkSheetCalc> {
public:
    explicit MarkSheetCalc(data::TDM_CDE_3& dm);
    ~MarkSheetCalc();

    // Reads the configuration rows of ADOQ_est_config (none while it is closed) and
    // compiles their formulas with the data module's Parser1. Problems found here (a
    // formula that does not compile, more extra columns than the record has fields for)
    // are kept for one report.
    void prepare();
    bool prepared() const { return prepared_; }
    const std::vector<SheetConfigRow>& config() const { return config_; }

    // The calculated fields of the record being calculated (the dataset's calculate
    // handler). Computes nothing without a window whose sheet grid shows a dataset.
    void calculate(db::DataSet& record, SheetWindow* window);

    // The minimum-checkpoint test for the record (false while the rule is off).
    bool checkpointBelowMinimum(db::DataSet& record);

    // The record's total computed from its marks (0 without a total formula); nullopt when
    // the formula does not compile or fails on them, with the reason (naming the column and
    // the formula) in problem.
    std::optional<double> recordTotal(db::DataSet& record, QString& problem);

    // Problems not yet reported, and the report: one box with all of them, then none
    // is pending. A problem found while rows are drawn is reported from the event loop.
    const QStringList& pendingProblems() const { return problems_; }
    void reportProblems();

    // The titles of the columns whose formula did not compile, failed on a row calculated
    // since the last prepare(), or had no calc field left; reported or not.
    const QStringList& failedColumns() const { return failedColumns_; }

private:
    struct Formula {
        QString title;
        QString text;
        OperationList ops;
        bool compiled = false;
        QString compileError;     // the parser's message when it did not compile
        bool reported = false;    // a failure was reported in this opening
        int calcField = 0;        // calcN it fills; 0 for the total
    };
    // The fields of the dataset being calculated, found once.
    struct RecordFields {
        db::DataSet* dataSet = nullptr;
        std::array<db::Field*, 14> inputs{};   // m1 … m12, dop, dop2
        db::Field* idEstimation = nullptr;
        db::Field* sessiya = nullptr;
        db::Field* ball1 = nullptr;
        db::Field* ballName = nullptr;
        db::Field* no = nullptr;
        std::array<db::Field*, kCalcFieldCount> calc{};
        std::vector<std::pair<db::Field*, int>> checkpoints;   // field, its column's maximum
    };

    const RecordFields& fieldsOf(db::DataSet& record);
    // Puts the record's marks into the parser's variables.
    void loadInputs(const RecordFields& fields);
    std::optional<double> evaluate(Formula& formula);
    void addProblem(const QString& text);

    data::TDM_CDE_3& dm_;
    bool prepared_ = false;
    std::vector<SheetConfigRow> config_;
    std::vector<Formula> calcs_;           // the extra columns with a field, in order
    std::optional<Formula> total_;
    std::array<double*, 14> cells_{};      // the parser's cells of the fourteen variables
    RecordFields fields_;
    QStringList problems_;
    QStringList failedColumns_;
    bool reportScheduled_ = false;
};

// The data module's calculation state, created and prepared on first use.
MarkSheetCalc& markSheetCalc(data::TDM_CDE_3& dm);

// Shows the problems of the sheet's formulas not reported yet (nothing when there are none).
void reportSheetProblems(data::TDM_CDE_3& dm);

// Rounds a formula's value to two decimals: divided by 0.01, rounded to the nearest integer
// with ties to even, multiplied by 0.01.
double roundToHundredths(long double value);

} // namespace qel::rules
