// Lends the run's change history recorder to a window's own dataset while the window is
// open and gives it back to the dataset it was recording when the window closes.
#pragma once

#include <QString>

namespace qel::db {
class DataSet;
}

namespace qel {

class TADOUpdateHistoryExec;

class RecorderMove {
public:
    // Hooks the recorder (UpdateHistory; nothing happens without one) to the dataset.
    RecorderMove(db::DataSet& dataSet, const QString& tableName, const QString& keyFieldName, bool logEdits,
                 bool logDeletes);
    // Hooks the recorder back to what it recorded before (or leaves it unhooked if it was).
    ~RecorderMove();
    RecorderMove(const RecorderMove&) = delete;
    RecorderMove& operator=(const RecorderMove&) = delete;

private:
    struct Hook {
        db::DataSet* dataSet = nullptr;
        QString tableName;
        QString keyFieldName;
        bool logEdits = true;
        bool logDeletes = false;
    };
    static void attach(TADOUpdateHistoryExec& recorder, const Hook& hook);

    TADOUpdateHistoryExec* recorder_;
    Hook ours_;
    Hook saved_;
};

} // namespace qel
