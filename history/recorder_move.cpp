// Moving the change history recorder to a window's dataset and back.
#include "history/recorder_move.h"

#include "history/update_history.h"

namespace qel {

void RecorderMove::attach(TADOUpdateHistoryExec& recorder, const Hook& hook)
{
    recorder.Attach(hook.dataSet, hook.tableName, hook.keyFieldName, hook.logEdits, hook.logDeletes);
}

RecorderMove::RecorderMove(db::DataSet& dataSet, const QString& tableName, const QString& keyFieldName,
                           bool logEdits, bool logDeletes)
    : recorder_(UpdateHistory), ours_{&dataSet, tableName, keyFieldName, logEdits, logDeletes}
{
    if (!recorder_)
        return;
    saved_ = {recorder_->DataSet, recorder_->TableName, recorder_->KeyFieldName, recorder_->LogEdits,
              recorder_->LogDeletes};
    recorder_->Detach();
    attach(*recorder_, ours_);
}

RecorderMove::~RecorderMove()
{
    if (!recorder_ || recorder_ != UpdateHistory)
        return;
    recorder_->Detach();
    if (saved_.dataSet)
        attach(*recorder_, saved_);
}

} // namespace qel
