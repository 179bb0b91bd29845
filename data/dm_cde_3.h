// The data module TDM_CDE_3 (single instance DM_CDE_3): the one database connection
// ADO_CDE, the formula parser Parser1, every shared dataset and data source of the client,
// the session fields kept here, and the dataset event handlers. The handlers of the mark
// sheet and the record book are defined beside the rules they implement.
#pragma once

#include "formula/parser.h"
#include "platform/db/connection.h"
#include "platform/db/data_source.h"
#include "platform/db/query.h"
#include "platform/db/stored_proc.h"
#include "platform/db/table.h"

#include <QHash>
#include <memory>

namespace qel::rules {
class MarkSheetCalc;
}

namespace qel::data {

class TDM_CDE_3 {
public:
    TDM_CDE_3();
    ~TDM_CDE_3();
    TDM_CDE_3(const TDM_CDE_3&) = delete;
    TDM_CDE_3& operator=(const TDM_CDE_3&) = delete;

    // ---- components ------------------------------------------------------------------
    db::Connection ADO_CDE;
    TParser Parser1;

    db::StoredProc ADO_SP_Sort;
    db::Query ADOQ_Exec;
    db::Query ADOQ_temp;
    db::Query ADOQ_group;
    db::Query ADOQ_g_sem;
    db::Query ADOQ_Discipline;
    db::Query ADOQ_Vremennyi;
    db::Query ADOQ_ebe;
    db::Query ADOQ_exist_FEst;
    db::Query ADOQ_est_config;
    db::Query ADOQ_g_s;
    db::Query ADOQ_Year;
    db::Query ADOQ_t_fio;
    db::Query ADOQ_s_fio;
    db::Query ADOQ_estimation;
    // Used once at login and destroyed afterwards (reset the pointer).
    std::unique_ptr<db::Query> ADOQ_Estim;
    std::unique_ptr<db::Query> ADOQ_Exam;
    db::Query ADOQ_Examination;
    db::Table ADOTSemestr;
    db::Table ADOT_f_est;
    db::Query ADOQ_f_est1;
    db::Query ADOQ__f_est;
    db::Query ADOQ_f_est2;
    db::Query ADOQ_f_est3;
    db::Query ADOQEduc_sh;
    db::Query ADOQuery1;
    db::Query ADOQ_VuzDefaults;
    db::Query ADOQ_EstimationOther;
    db::Query ADOQ_Students;
    db::Query ADOQ_AllStudentsInGroup;
    db::Query ADOQ_markmagByStudent;
    db::Query ADOQ_DisciplineFromEducSH;
    db::Query ADOQ_estimationMMByStud;
    db::Query ADOQ_estimation2;
    db::Table ADOT_discipline;
    db::Table ADOT_estimation;
    db::Table ADOT_examination;
    db::Query ADOQ_foto;
    db::Query ADOQ_poseshal;

    db::DataSource DS_SP_Sort;
    db::DataSource DS_group;
    db::DataSource DS_g_sem;
    db::DataSource DS_discipline;
    db::DataSource DataSource2;
    db::DataSource DS_ebe;
    db::DataSource DS_exist_FEst;
    db::DataSource DS_f_est;
    db::DataSource DS_Students;
    db::DataSource DS_AllStudentsInGroup;
    db::DataSource DS_markmagByStudent;
    db::DataSource DS_foto;
    db::DataSource DS_Tdiscipline;
    db::DataSource DS_estimationMMByStud;
    db::DataSource DS_Semestr;
    db::DataSource DS_Texamination;
    db::DataSource DS_f_est2;

    // ---- session state kept by the module -----------------------------------------------
    bool MinimumCheckpointRule = false;   // a checkpoint below 61 % of its maximum forces "н/у"
    bool ScaleMissing = false;            // the selected grading-scale variant has no scale rows
    bool StudentsChanged = false;         // a row of the student codes list was posted
    // The audit statement of the sheet row being deleted: built before the DELETE is sent
    // and executed once the server has confirmed it.
    QString PendingDeleteAudit;

    // The mark sheet's calculation state (compiled formulas of the open sheet), kept by the
    // rules; it refers to Parser1 and ADO_SP_Sort, so it is declared after them.
    std::shared_ptr<rules::MarkSheetCalc> SheetCalc;

    // ---- lookup by name ----------------------------------------------------------------
    db::DataSet* findDataSet(const QString& name) const;      // nullptr when absent (or destroyed)
    db::DataSet& dataSet(const QString& name) const;          // throws DbError when absent
    db::DataSource* findDataSource(const QString& name) const;
    QList<db::DataSet*> dataSets() const;

    // ---- handlers ----------------------------------------------------------------------
    void DataModuleDestroy();

    void ADO_SP_SortBeforeOpen(db::DataSet& DataSet);
    void ADO_SP_SortAfterOpen(db::DataSet& DataSet);
    void ADO_SP_SortBeforeInsert(db::DataSet& DataSet);
    void ADO_SP_SortBeforeEdit(db::DataSet& DataSet);
    void ADO_SP_SortAfterEdit(db::DataSet& DataSet);
    void ADO_SP_SortBeforePost(db::DataSet& DataSet);
    void ADO_SP_SortAfterPost(db::DataSet& DataSet);
    void ADO_SP_SortAfterCancel(db::DataSet& DataSet);
    void ADO_SP_SortBeforeDelete(db::DataSet& DataSet);
    void ADO_SP_SortAfterDelete(db::DataSet& DataSet);
    void ADO_SP_SortCalcFields(db::DataSet& DataSet);
    void ADO_SP_SortEditError(db::DataSet& DataSet, const qel::Error& E, db::DataAction& Action);
    void ADO_SP_SortPostError(db::DataSet& DataSet, const qel::Error& E, db::DataAction& Action);

    void ADOQ_StudentsBeforeInsert(db::DataSet& DataSet);
    void ADOQ_StudentsAfterPost(db::DataSet& DataSet);

    void ADOQ_markmagByStudentAfterInsert(db::DataSet& DataSet);
    void ADOQ_markmagByStudentBeforeEdit(db::DataSet& DataSet);
    void ADOQ_markmagByStudentBeforePost(db::DataSet& DataSet);

private:
    void buildCatalogue();
    void bindEvents();

    QHash<QString, db::DataSet*> byName_;
    QHash<QString, db::DataSource*> sourcesByName_;
    bool destroyed_ = false;
};

// The process-wide instance, set while one exists.
extern TDM_CDE_3* DM_CDE_3;

} // namespace qel::data
