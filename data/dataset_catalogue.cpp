#include "data/dataset_catalogue.h"

#include "data/mark_record.h"

namespace qel::data {

namespace {

using db::FieldSpec;
using db::FieldType;

FieldDecl data(FieldSpec spec) { return {std::move(spec), {}}; }

FieldDecl lookup(const char* name, FieldType type, int size, const char* key, const char* source,
                 const char* sourceKey, const char* result)
{
    return {FieldSpec::lookup(QString::fromLatin1(name), type, size, QString::fromLatin1(key), nullptr, QString::fromLatin1(sourceKey), QString::fromLatin1(result)), QString::fromLatin1(source)};
}

DataSetDecl query(const char* name, QStringList lines = {})
{
    DataSetDecl d;
    d.name = QString::fromLatin1(name);
    d.kind = DataSetKind::Query;
    d.command = std::move(lines);
    return d;
}

DataSetDecl table(const char* name, const char* tableName)
{
    DataSetDecl d;
    d.name = QString::fromLatin1(name);
    d.kind = DataSetKind::Table;
    d.command = QStringList{QString::fromLatin1(tableName)};
    return d;
}

DataSetDecl& isStatic(DataSetDecl& d)
{
    d.staticCursor = true;
    return d;
}

QList<DataSetDecl> build()
{
    QList<DataSetDecl> c;

    DataSetDecl sort;
    sort.name = QStringLiteral("ADO_SP_Sort");
    sort.kind = DataSetKind::StoredProc;
    sort.command = QStringList{QString::fromLatin1(kMarkSheetProcedure)};
    sort.staticCursor = true;
    sort.commandTimeout = 120;
    sort.prepared = true;
    sort.fields = markRecordFields();
    c << sort;

    c << query("ADOQ_Exec", {QStringLiteral("Select p32 from g_r_y")});
    c << query("ADOQ_temp");
    {
        DataSetDecl d = query("ADOQ_group", {QStringLiteral("SELECT  * FROM [group]")});
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_g_sem", {QStringLiteral("select * from g_sem ")});
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_Discipline", {QStringLiteral("SELECT     *"), QStringLiteral("FROM         dbo.gr_sem_disc_exam")});
        d.prepared = true;
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_Vremennyi", {QStringLiteral("--select * from gr_sem_disc_exam")});
        c << isStatic(d);
    }
    {
        DataSetDecl d =
            query("ADOQ_ebe", {QStringLiteral("SELECT distinct "), QStringLiteral("     [id_ebe_var]"), QStringLiteral("      "), QStringLiteral("  FROM [QEL].[dbo].[ebe]")});
        d.fields << data(FieldSpec::integer(QStringLiteral("id_ebe_var")));
        c << d;
    }
    {
        DataSetDecl d = query("ADOQ_exist_FEst");
        d.fields << data(FieldSpec::integer(QStringLiteral("id_f_est"))) << data(FieldSpec::string(QStringLiteral("p109"), 20));
        c << d;
    }
    c << query("ADOQ_est_config");
    c << query("ADOQ_g_s", {QStringLiteral("Select * from  g_s")});
    c << query("ADOQ_Year", {QStringLiteral("Select p32 from g_r_y")});
    {
        DataSetDecl d = query("ADOQ_t_fio", {QStringLiteral("select * from t_fio")});
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_s_fio", {QStringLiteral("select * from s_fio")});
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_estimation", {QStringLiteral("select * from estimation")});
        c << isStatic(d);
    }
    c << query("ADOQ_Estim", {QStringLiteral("select * from estimation")});
    c << query("ADOQ_Exam", {QStringLiteral("select * from examination")});
    {
        DataSetDecl d = query("ADOQ_Examination", {QStringLiteral("select * from examination")});
        d.fields << data(FieldSpec::integer(QStringLiteral("id_examination"))) << data(FieldSpec::string(QStringLiteral("p30"), 20));
        c << isStatic(d);
    }
    {
        DataSetDecl d = table("ADOTSemestr", "semester");
        d.fields << data(FieldSpec::integer(QStringLiteral("id_semester"))) << data(FieldSpec::string(QStringLiteral("p43"), 20));
        c << isStatic(d);
    }
    {
        DataSetDecl d = table("ADOT_f_est", "f_est");
        d.filtered = true;
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_f_est1");
        d.fields << data(FieldSpec::integer(QStringLiteral("id_f_e"))) << data(FieldSpec::string(QStringLiteral("p109")));
        c << d;
    }
    c << query("ADOQ__f_est");
    for (const char* name : {"ADOQ_f_est2", "ADOQ_f_est3"}) {
        DataSetDecl d = query(name, {QStringLiteral("SELECT top 0 [id_f_e],[p109] FROM [QEL].[dbo].[f_est]")});
        d.fields << data(FieldSpec::integer(QStringLiteral("id_f_e"))) << data(FieldSpec::string(QStringLiteral("p109"), 20));
        c << d;
    }
    c << query("ADOQEduc_sh", {QStringLiteral("select top 0 * from educ_sh")});
    c << query("ADOQuery1", {QStringLiteral("select * from discipline")});
    c << query("ADOQ_VuzDefaults",
               {QStringLiteral("SELECT [id_field]"), QStringLiteral("FROM [QEL].[dbo].[VuzDefaults]"), QStringLiteral("where id_vuz_defaults=28")});
    {
        DataSetDecl d = query("ADOQ_EstimationOther", {QStringLiteral("SELECT EstimationOther.* "), QStringLiteral("FROM qel.dbo.EstimationOther"),
                                                       QStringLiteral("WHERE EstimationOther.id_ebe_var = :id_ebe_var")});
        d.batch = true;
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_Students");
        c << isStatic(d);
    }
    {
        DataSetDecl d = query(
            "ADOQ_AllStudentsInGroup",
            {QStringLiteral("SELECT TOP (0) dbo.S_G.id_s_g, dbo.S_G.id_student, dbo.S_G.s_fio, dbo.S_G.id_group, dbo.S_G.p20, "
               "dbo.S_G.idid, dbo.S_G.e_mail, dbo.S_G.id_bk, dbo.S_G.id_semester, dbo.S_G.id_protocols, "
               "dbo.S_G.id_speciality, dbo.S_G.id_start_semester, dbo.g_f.id_faculty"),
             QStringLiteral("FROM dbo.S_G INNER JOIN dbo.g_f ON dbo.S_G.id_group = dbo.g_f.id_group")});
        d.fields << data(FieldSpec::integer(QStringLiteral("id_student"))) << data(FieldSpec::string(QStringLiteral("s_fio"), 100).width(100))
                 << data(FieldSpec::integer(QStringLiteral("id_faculty"))) << data(FieldSpec::integer(QStringLiteral("id_bk")));
        c << d;
    }
    {
        DataSetDecl d = query("ADOQ_markmagByStudent", {QStringLiteral("Select top 0 * "), QStringLiteral("From mark_mag")});
        d.fields << data(FieldSpec::string(QStringLiteral("primech"), 20)) << data(FieldSpec::integer(QStringLiteral("id_discipline")));
        FieldDecl discipline =
            lookup("Discipline", FieldType::String, 100, "id_discipline", "ADOT_discipline", "id_discipline", "p34");
        discipline.spec.displayWidth = 100;
        d.fields << discipline << data(FieldSpec::integer(QStringLiteral("id_estimation")))
                 << lookup("Estimation", FieldType::String, 20, "id_estimation", "ADOQ_estimation2", "id_estimation", "p31")
                 << data(FieldSpec::integer(QStringLiteral("id_semester")))
                 << lookup("Semester", FieldType::String, 20, "id_semester", "ADOTSemestr", "id_semester", "p43")
                 << data(FieldSpec::integer(QStringLiteral("id_examination"))) << data(FieldSpec::integer(QStringLiteral("id_f_est")))
                 << lookup("Examination", FieldType::String, 20, "id_examination", "ADOT_examination", "id_examination",
                           "p30")
                 << lookup("F_Est", FieldType::String, 20, "id_f_est", "ADOQ_f_est3", "id_f_e", "p109")
                 << data(FieldSpec::boolean(QStringLiteral("isStaticDiscipline"))) << data(FieldSpec::integer(QStringLiteral("id_group")))
                 << data(FieldSpec::integer(QStringLiteral("id_student"))) << data(FieldSpec::integer(QStringLiteral("kredits")).max(20))
                 << data(FieldSpec::date(QStringLiteral("p36"))) << data(FieldSpec::floating(QStringLiteral("ball")).max(100.0))
                 << data(FieldSpec::integer(QStringLiteral("byEducSh"))) << data(FieldSpec::integer(QStringLiteral("id_mark_mag")))
                 << data(FieldSpec::integer(QStringLiteral("N"))) << data(FieldSpec::integer(QStringLiteral("id_poseshal")))
                 << lookup("poseshal", FieldType::String, 50, "id_poseshal", "ADOQ_poseshal", "id_poseshal", "s_poseshal")
                 << data(FieldSpec::boolean(QStringLiteral("dopusk_izm")));
        c << d;
    }
    c << query("ADOQ_DisciplineFromEducSH",
               {QStringLiteral("SELECT TOP (0) PERCENT dbo.educ_sh.id_semester, dbo.educ_sh.id_discipline, "
                  "dbo.educ_sh.id_examination, dbo.discipline.p34"),
                QStringLiteral("FROM dbo.educ_sh INNER JOIN dbo.discipline ON dbo.educ_sh.id_discipline = dbo.discipline.id_discipline")});
    {
        DataSetDecl d = query("ADOQ_estimationMMByStud", {QStringLiteral("Select 0")});
        d.fields << data(FieldSpec::integer(QStringLiteral("id_estimation"))) << data(FieldSpec::string(QStringLiteral("p31"), 20));
        c << d;
    }
    {
        DataSetDecl d = query("ADOQ_estimation2",
                              {QStringLiteral("SELECT dbo.estimation.p31, dbo.ee.id_exmination, dbo.estimation.id_estimation"),
                               QStringLiteral("FROM         dbo.ee INNER JOIN"),
                               QStringLiteral("                      dbo.estimation ON dbo.ee.id_estimation = dbo.estimation.id_estimation")});
        d.fields << data(FieldSpec::integer(QStringLiteral("id_estimation"))) << data(FieldSpec::string(QStringLiteral("p31"), 20));
        c << d;
    }
    {
        DataSetDecl d = table("ADOT_discipline", "discipline");
        d.fields << data(FieldSpec::integer(QStringLiteral("id_discipline"))) << data(FieldSpec::string(QStringLiteral("p34"), 100).width(100));
        c << d;
    }
    {
        DataSetDecl d = table("ADOT_estimation", "estimation");
        d.fields << data(FieldSpec::integer(QStringLiteral("id_estimation"))) << data(FieldSpec::string(QStringLiteral("p31"), 20));
        c << d;
    }
    {
        DataSetDecl d = table("ADOT_examination", "examination");
        d.fields << data(FieldSpec::integer(QStringLiteral("id_examination"))) << data(FieldSpec::string(QStringLiteral("p30"), 20));
        c << d;
    }
    {
        DataSetDecl d = query("ADOQ_foto");
        d.fields << data(FieldSpec::blob(QStringLiteral("photo"))) << data(FieldSpec::integer(QStringLiteral("id_student")));
        c << d;
    }
    {
        DataSetDecl d = query("ADOQ_poseshal", {QStringLiteral("SELECT    *"), QStringLiteral("FROM     poseshal")});
        d.fields << data(FieldSpec::integer(QStringLiteral("id_poseshal"))) << data(FieldSpec::string(QStringLiteral("poseshal"), 50))
                 << data(FieldSpec::string(QStringLiteral("s_poseshal"), 50));
        c << d;
    }
    return c;
}

} // namespace

const QList<DataSetDecl>& dataSetCatalogue()
{
    static const QList<DataSetDecl> catalogue = build();
    return catalogue;
}

const DataSetDecl* findDataSetDecl(const QString& name)
{
    for (const DataSetDecl& d : dataSetCatalogue())
        if (d.name == name)
            return &d;
    return nullptr;
}

const QList<DataSourceDecl>& dataSourceCatalogue()
{
    static const QList<DataSourceDecl> sources = {
        {QStringLiteral("DS_SP_Sort"), QStringLiteral("ADO_SP_Sort")},
        {QStringLiteral("DS_group"), QStringLiteral("ADOQ_group")},
        {QStringLiteral("DS_g_sem"), QStringLiteral("ADOQ_g_sem")},
        {QStringLiteral("DS_discipline"), QStringLiteral("ADOQ_Discipline")},
        {QStringLiteral("DataSource2"), QStringLiteral("ADOQ_Vremennyi")},
        {QStringLiteral("DS_ebe"), QStringLiteral("ADOQ_ebe")},
        {QStringLiteral("DS_exist_FEst"), QStringLiteral("ADOQ_exist_FEst")},
        {QStringLiteral("DS_f_est"), QStringLiteral("ADOQ__f_est")},
        {QStringLiteral("DS_Students"), QStringLiteral("ADOQ_Students")},
        {QStringLiteral("DS_AllStudentsInGroup"), QStringLiteral("ADOQ_AllStudentsInGroup")},
        {QStringLiteral("DS_markmagByStudent"), QStringLiteral("ADOQ_markmagByStudent")},
        {QStringLiteral("DS_foto"), QStringLiteral("ADOQ_foto")},
        {QStringLiteral("DS_Tdiscipline"), QStringLiteral("ADOT_discipline")},
        {QStringLiteral("DS_estimationMMByStud"), QStringLiteral("ADOQ_estimationMMByStud")},
        {QStringLiteral("DS_Semestr"), QStringLiteral("ADOTSemestr")},
        {QStringLiteral("DS_Texamination"), QStringLiteral("ADOT_examination")},
        {QStringLiteral("DS_f_est2"), QStringLiteral("ADOQ_f_est2")},
    };
    return sources;
}

} // namespace qel::data
