#include "data/dm_cde_3.h"

#include "data/dataset_catalogue.h"
#include "data/mark_record.h"

namespace qel::data {

TDM_CDE_3* DM_CDE_3 = nullptr;

TDM_CDE_3::TDM_CDE_3()
    : ADO_CDE(QStringLiteral("ADO_CDE")),
      ADO_SP_Sort(&ADO_CDE, QStringLiteral("ADO_SP_Sort")),
      ADOQ_Exec(&ADO_CDE, QStringLiteral("ADOQ_Exec")),
      ADOQ_temp(&ADO_CDE, QStringLiteral("ADOQ_temp")),
      ADOQ_group(&ADO_CDE, QStringLiteral("ADOQ_group")),
      ADOQ_g_sem(&ADO_CDE, QStringLiteral("ADOQ_g_sem")),
      ADOQ_Discipline(&ADO_CDE, QStringLiteral("ADOQ_Discipline")),
      ADOQ_Vremennyi(&ADO_CDE, QStringLiteral("ADOQ_Vremennyi")),
      ADOQ_ebe(&ADO_CDE, QStringLiteral("ADOQ_ebe")),
      ADOQ_exist_FEst(&ADO_CDE, QStringLiteral("ADOQ_exist_FEst")),
      ADOQ_est_config(&ADO_CDE, QStringLiteral("ADOQ_est_config")),
      ADOQ_g_s(&ADO_CDE, QStringLiteral("ADOQ_g_s")),
      ADOQ_Year(&ADO_CDE, QStringLiteral("ADOQ_Year")),
      ADOQ_t_fio(&ADO_CDE, QStringLiteral("ADOQ_t_fio")),
      ADOQ_s_fio(&ADO_CDE, QStringLiteral("ADOQ_s_fio")),
      ADOQ_estimation(&ADO_CDE, QStringLiteral("ADOQ_estimation")),
      ADOQ_Estim(std::make_unique<db::Query>(&ADO_CDE, QStringLiteral("ADOQ_Estim"))),
      ADOQ_Exam(std::make_unique<db::Query>(&ADO_CDE, QStringLiteral("ADOQ_Exam"))),
      ADOQ_Examination(&ADO_CDE, QStringLiteral("ADOQ_Examination")),
      ADOTSemestr(&ADO_CDE, QStringLiteral("ADOTSemestr")),
      ADOT_f_est(&ADO_CDE, QStringLiteral("ADOT_f_est")),
      ADOQ_f_est1(&ADO_CDE, QStringLiteral("ADOQ_f_est1")),
      ADOQ__f_est(&ADO_CDE, QStringLiteral("ADOQ__f_est")),
      ADOQ_f_est2(&ADO_CDE, QStringLiteral("ADOQ_f_est2")),
      ADOQ_f_est3(&ADO_CDE, QStringLiteral("ADOQ_f_est3")),
      ADOQEduc_sh(&ADO_CDE, QStringLiteral("ADOQEduc_sh")),
      ADOQuery1(&ADO_CDE, QStringLiteral("ADOQuery1")),
      ADOQ_VuzDefaults(&ADO_CDE, QStringLiteral("ADOQ_VuzDefaults")),
      ADOQ_EstimationOther(&ADO_CDE, QStringLiteral("ADOQ_EstimationOther")),
      ADOQ_Students(&ADO_CDE, QStringLiteral("ADOQ_Students")),
      ADOQ_AllStudentsInGroup(&ADO_CDE, QStringLiteral("ADOQ_AllStudentsInGroup")),
      ADOQ_markmagByStudent(&ADO_CDE, QStringLiteral("ADOQ_markmagByStudent")),
      ADOQ_DisciplineFromEducSH(&ADO_CDE, QStringLiteral("ADOQ_DisciplineFromEducSH")),
      ADOQ_estimationMMByStud(&ADO_CDE, QStringLiteral("ADOQ_estimationMMByStud")),
      ADOQ_estimation2(&ADO_CDE, QStringLiteral("ADOQ_estimation2")),
      ADOT_discipline(&ADO_CDE, QStringLiteral("ADOT_discipline")),
      ADOT_estimation(&ADO_CDE, QStringLiteral("ADOT_estimation")),
      ADOT_examination(&ADO_CDE, QStringLiteral("ADOT_examination")),
      ADOQ_foto(&ADO_CDE, QStringLiteral("ADOQ_foto")),
      ADOQ_poseshal(&ADO_CDE, QStringLiteral("ADOQ_poseshal")),
      DS_SP_Sort(QStringLiteral("DS_SP_Sort")),
      DS_group(QStringLiteral("DS_group")),
      DS_g_sem(QStringLiteral("DS_g_sem")),
      DS_discipline(QStringLiteral("DS_discipline")),
      DataSource2(QStringLiteral("DataSource2")),
      DS_ebe(QStringLiteral("DS_ebe")),
      DS_exist_FEst(QStringLiteral("DS_exist_FEst")),
      DS_f_est(QStringLiteral("DS_f_est")),
      DS_Students(QStringLiteral("DS_Students")),
      DS_AllStudentsInGroup(QStringLiteral("DS_AllStudentsInGroup")),
      DS_markmagByStudent(QStringLiteral("DS_markmagByStudent")),
      DS_foto(QStringLiteral("DS_foto")),
      DS_Tdiscipline(QStringLiteral("DS_Tdiscipline")),
      DS_estimationMMByStud(QStringLiteral("DS_estimationMMByStud")),
      DS_Semestr(QStringLiteral("DS_Semestr")),
      DS_Texamination(QStringLiteral("DS_Texamination")),
      DS_f_est2(QStringLiteral("DS_f_est2"))
{
    // No login prompt; the connection string is set by the login before any use.
    ADO_CDE.setKeepConnection(false);
    buildCatalogue();
    bindEvents();
    DM_CDE_3 = this;
}

TDM_CDE_3::~TDM_CDE_3()
{
    DataModuleDestroy();
    if (DM_CDE_3 == this)
        DM_CDE_3 = nullptr;
}

void TDM_CDE_3::DataModuleDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    ADO_CDE.setConnected(false);
}

void TDM_CDE_3::buildCatalogue()
{
    for (db::DataSet* ds : std::initializer_list<db::DataSet*>{
             &ADO_SP_Sort, &ADOQ_Exec, &ADOQ_temp, &ADOQ_group, &ADOQ_g_sem, &ADOQ_Discipline, &ADOQ_Vremennyi,
             &ADOQ_ebe, &ADOQ_exist_FEst, &ADOQ_est_config, &ADOQ_g_s, &ADOQ_Year, &ADOQ_t_fio, &ADOQ_s_fio,
             &ADOQ_estimation, ADOQ_Estim.get(), ADOQ_Exam.get(), &ADOQ_Examination, &ADOTSemestr, &ADOT_f_est,
             &ADOQ_f_est1, &ADOQ__f_est, &ADOQ_f_est2, &ADOQ_f_est3, &ADOQEduc_sh, &ADOQuery1, &ADOQ_VuzDefaults,
             &ADOQ_EstimationOther, &ADOQ_Students, &ADOQ_AllStudentsInGroup, &ADOQ_markmagByStudent,
             &ADOQ_DisciplineFromEducSH, &ADOQ_estimationMMByStud, &ADOQ_estimation2, &ADOT_discipline,
             &ADOT_estimation, &ADOT_examination, &ADOQ_foto, &ADOQ_poseshal})
        byName_.insert(ds->name(), ds);

    for (const DataSetDecl& decl : dataSetCatalogue()) {
        db::DataSet& ds = dataSet(decl.name);
        switch (decl.kind) {
        case DataSetKind::Query:
            static_cast<db::Query&>(ds).setSqlLines(decl.command);
            break;
        case DataSetKind::Table:
            static_cast<db::Table&>(ds).setTableName(decl.command.value(0));
            break;
        case DataSetKind::StoredProc:
            static_cast<db::StoredProc&>(ds).setProcedureName(decl.command.value(0));
            break;
        }
        ds.setCommandTimeout(decl.commandTimeout);
        ds.setPrepared(decl.prepared);
        ds.setBatchUpdates(decl.batch);
        ds.setFiltered(decl.filtered);
        for (const FieldDecl& f : decl.fields) {
            db::FieldSpec spec = f.spec;
            if (!f.lookupDataSet.isEmpty())
                spec.lookupDataSet = &dataSet(f.lookupDataSet);
            ds.addField(spec);
        }
    }

    for (const db::Parameter& p : markSheetParameters())
        ADO_SP_Sort.parameters().add(p);

    // Where posted rows go when the server does not name a column's table.
    ADO_SP_Sort.addUpdateTable(QString::fromLatin1(kMarkTable), QString::fromLatin1(kMarkKey));
    ADOQ_markmagByStudent.addUpdateTable(QString::fromLatin1(kMarkTable), QString::fromLatin1(kMarkKey));
    ADOQ_Students.addUpdateTable(QStringLiteral("s_fio"), QStringLiteral("id_student"));
    ADOQ_Students.addUpdateTable(QStringLiteral("Student"), QStringLiteral("id_student"));

    for (const DataSourceDecl& decl : dataSourceCatalogue()) {
        db::DataSource* source = nullptr;
        for (db::DataSource* s : std::initializer_list<db::DataSource*>{
                 &DS_SP_Sort, &DS_group, &DS_g_sem, &DS_discipline, &DataSource2, &DS_ebe, &DS_exist_FEst, &DS_f_est,
                 &DS_Students, &DS_AllStudentsInGroup, &DS_markmagByStudent, &DS_foto, &DS_Tdiscipline,
                 &DS_estimationMMByStud, &DS_Semestr, &DS_Texamination, &DS_f_est2})
            if (s->objectName() == decl.name)
                source = s;
        Q_ASSERT(source);
        source->setDataSet(&dataSet(decl.dataSet));
        sourcesByName_.insert(decl.name, source);
    }
}

void TDM_CDE_3::bindEvents()
{
    const auto bind = [this](void (TDM_CDE_3::*handler)(db::DataSet&)) {
        return [this, handler](db::DataSet& ds) { (this->*handler)(ds); };
    };
    const auto bindError = [this](void (TDM_CDE_3::*handler)(db::DataSet&, const qel::Error&, db::DataAction&)) {
        return [this, handler](db::DataSet& ds, const qel::Error& e, db::DataAction& a) { (this->*handler)(ds, e, a); };
    };

    ADO_SP_Sort.beforeOpen = bind(&TDM_CDE_3::ADO_SP_SortBeforeOpen);
    ADO_SP_Sort.afterOpen = bind(&TDM_CDE_3::ADO_SP_SortAfterOpen);
    ADO_SP_Sort.beforeInsert = bind(&TDM_CDE_3::ADO_SP_SortBeforeInsert);
    ADO_SP_Sort.beforeEdit = bind(&TDM_CDE_3::ADO_SP_SortBeforeEdit);
    ADO_SP_Sort.afterEdit = bind(&TDM_CDE_3::ADO_SP_SortAfterEdit);
    ADO_SP_Sort.beforePost = bind(&TDM_CDE_3::ADO_SP_SortBeforePost);
    ADO_SP_Sort.afterPost = bind(&TDM_CDE_3::ADO_SP_SortAfterPost);
    ADO_SP_Sort.afterCancel = bind(&TDM_CDE_3::ADO_SP_SortAfterCancel);
    ADO_SP_Sort.beforeDelete = bind(&TDM_CDE_3::ADO_SP_SortBeforeDelete);
    ADO_SP_Sort.afterDelete = bind(&TDM_CDE_3::ADO_SP_SortAfterDelete);
    ADO_SP_Sort.onCalcFields = bind(&TDM_CDE_3::ADO_SP_SortCalcFields);
    ADO_SP_Sort.onEditError = bindError(&TDM_CDE_3::ADO_SP_SortEditError);
    ADO_SP_Sort.onPostError = bindError(&TDM_CDE_3::ADO_SP_SortPostError);

    ADOQ_Students.beforeInsert = bind(&TDM_CDE_3::ADOQ_StudentsBeforeInsert);
    ADOQ_Students.afterPost = bind(&TDM_CDE_3::ADOQ_StudentsAfterPost);

    ADOQ_markmagByStudent.afterInsert = bind(&TDM_CDE_3::ADOQ_markmagByStudentAfterInsert);
    ADOQ_markmagByStudent.beforeEdit = bind(&TDM_CDE_3::ADOQ_markmagByStudentBeforeEdit);
    ADOQ_markmagByStudent.beforePost = bind(&TDM_CDE_3::ADOQ_markmagByStudentBeforePost);
}

db::DataSet* TDM_CDE_3::findDataSet(const QString& name) const
{
    if (name == QLatin1String("ADOQ_Estim"))
        return ADOQ_Estim.get();
    if (name == QLatin1String("ADOQ_Exam"))
        return ADOQ_Exam.get();
    return byName_.value(name, nullptr);
}

db::DataSet& TDM_CDE_3::dataSet(const QString& name) const
{
    if (db::DataSet* ds = findDataSet(name))
        return *ds;
    throw db::DbError(QStringLiteral("DM_CDE_3: нет набора данных %1").arg(name));
}

db::DataSource* TDM_CDE_3::findDataSource(const QString& name) const
{
    return sourcesByName_.value(name, nullptr);
}

QList<db::DataSet*> TDM_CDE_3::dataSets() const
{
    QList<db::DataSet*> out;
    for (const DataSetDecl& decl : dataSetCatalogue())
        if (db::DataSet* ds = findDataSet(decl.name))
            out << ds;
    return out;
}

} // namespace qel::data
