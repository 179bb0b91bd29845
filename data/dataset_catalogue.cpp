#include "data/dataset_catalogue.h"

#include "data/mark_record.h"

namespace qel::data {

namespace {

using db::FieldSpec;
using db::FieldType;

QString s(const char* text) { return QString::fromUtf8(text); }

FieldDecl data(FieldSpec spec) { return {std::move(spec), {}}; }

FieldDecl lookup(const char* name, FieldType type, int size, const char* key, const char* source,
                 const char* sourceKey, const char* result)
{
    return {FieldSpec::lookup(s(name), type, size, s(key), nullptr, s(sourceKey), s(result)), s(source)};
}

DataSetDecl query(const char* name, QStringList lines = {})
{
    DataSetDecl d;
    d.name = s(name);
    d.kind = DataSetKind::Query;
    d.command = std::move(lines);
    return d;
}

DataSetDecl table(const char* name, const char* tableName)
{
    DataSetDecl d;
    d.name = s(name);
    d.kind = DataSetKind::Table;
    d.command = QStringList{s(tableName)};
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
    sort.name = s("ADO_SP_Sort");
    sort.kind = DataSetKind::StoredProc;
    sort.command = QStringList{s(kMarkSheetProcedure)};
    sort.staticCursor = true;
    sort.commandTimeout = 120;
    sort.prepared = true;
    sort.fields = markRecordFields();
    c << sort;

    c << query("ADOQ_Exec", {s("Select p32 from g_r_y")});
    c << query("ADOQ_temp");
    {
        DataSetDecl d = query("ADOQ_group", {s("SELECT  * FROM [group]")});
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_g_sem", {s("select * from g_sem ")});
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_Discipline", {s("SELECT     *"), s("FROM         dbo.gr_sem_disc_exam")});
        d.prepared = true;
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_Vremennyi", {s("--select * from gr_sem_disc_exam")});
        c << isStatic(d);
    }
    {
        DataSetDecl d =
            query("ADOQ_ebe", {s("SELECT distinct "), s("     [id_ebe_var]"), s("      "), s("  FROM [QEL].[dbo].[ebe]")});
        d.fields << data(FieldSpec::integer(s("id_ebe_var")));
        c << d;
    }
    {
        DataSetDecl d = query("ADOQ_exist_FEst");
        d.fields << data(FieldSpec::integer(s("id_f_est"))) << data(FieldSpec::string(s("p109"), 20));
        c << d;
    }
    c << query("ADOQ_est_config");
    c << query("ADOQ_g_s", {s("Select * from  g_s")});
    c << query("ADOQ_Year", {s("Select p32 from g_r_y")});
    {
        DataSetDecl d = query("ADOQ_t_fio", {s("select * from t_fio")});
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_s_fio", {s("select * from s_fio")});
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_estimation", {s("select * from estimation")});
        c << isStatic(d);
    }
    c << query("ADOQ_Estim", {s("select * from estimation")});
    c << query("ADOQ_Exam", {s("select * from examination")});
    {
        DataSetDecl d = query("ADOQ_Examination", {s("select * from examination")});
        d.fields << data(FieldSpec::integer(s("id_examination"))) << data(FieldSpec::string(s("p30"), 20));
        c << isStatic(d);
    }
    {
        DataSetDecl d = table("ADOTSemestr", "semester");
        d.fields << data(FieldSpec::integer(s("id_semester"))) << data(FieldSpec::string(s("p43"), 20));
        c << isStatic(d);
    }
    {
        DataSetDecl d = table("ADOT_f_est", "f_est");
        d.filtered = true;
        c << isStatic(d);
    }
    {
        DataSetDecl d = query("ADOQ_f_est1");
        d.fields << data(FieldSpec::integer(s("id_f_e"))) << data(FieldSpec::string(s("p109")));
        c << d;
    }
    c << query("ADOQ__f_est");
    for (const char* name : {"ADOQ_f_est2", "ADOQ_f_est3"}) {
        DataSetDecl d = query(name, {s("SELECT top 0 [id_f_e],[p109] FROM [QEL].[dbo].[f_est]")});
        d.fields << data(FieldSpec::integer(s("id_f_e"))) << data(FieldSpec::string(s("p109"), 20));
        c << d;
    }
    c << query("ADOQEduc_sh", {s("select top 0 * from educ_sh")});
    c << query("ADOQuery1", {s("select * from discipline")});
    c << query("ADOQ_VuzDefaults",
               {s("SELECT [id_field]"), s("FROM [QEL].[dbo].[VuzDefaults]"), s("where id_vuz_defaults=28")});
    {
        DataSetDecl d = query("ADOQ_EstimationOther", {s("SELECT EstimationOther.* "), s("FROM qel.dbo.EstimationOther"),
                                                       s("WHERE EstimationOther.id_ebe_var = :id_ebe_var")});
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
            {s("SELECT TOP (0) dbo.S_G.id_s_g, dbo.S_G.id_student, dbo.S_G.s_fio, dbo.S_G.id_group, dbo.S_G.p20, "
               "dbo.S_G.idid, dbo.S_G.e_mail, dbo.S_G.id_bk, dbo.S_G.id_semester, dbo.S_G.id_protocols, "
               "dbo.S_G.id_speciality, dbo.S_G.id_start_semester, dbo.g_f.id_faculty"),
             s("FROM dbo.S_G INNER JOIN dbo.g_f ON dbo.S_G.id_group = dbo.g_f.id_group")});
        d.fields << data(FieldSpec::integer(s("id_student"))) << data(FieldSpec::string(s("s_fio"), 100).width(100))
                 << data(FieldSpec::integer(s("id_faculty"))) << data(FieldSpec::integer(s("id_bk")));
        c << d;
    }
    {
        DataSetDecl d = query("ADOQ_markmagByStudent", {s("Select top 0 * "), s("From mark_mag")});
        d.fields << data(FieldSpec::string(s("primech"), 20)) << data(FieldSpec::integer(s("id_discipline")));
        FieldDecl discipline =
            lookup("Discipline", FieldType::String, 100, "id_discipline", "ADOT_discipline", "id_discipline", "p34");
        discipline.spec.displayWidth = 100;
        d.fields << discipline << data(FieldSpec::integer(s("id_estimation")))
                 << lookup("Estimation", FieldType::String, 20, "id_estimation", "ADOQ_estimation2", "id_estimation", "p31")
                 << data(FieldSpec::integer(s("id_semester")))
                 << lookup("Semester", FieldType::String, 20, "id_semester", "ADOTSemestr", "id_semester", "p43")
                 << data(FieldSpec::integer(s("id_examination"))) << data(FieldSpec::integer(s("id_f_est")))
                 << lookup("Examination", FieldType::String, 20, "id_examination", "ADOT_examination", "id_examination",
                           "p30")
                 << lookup("F_Est", FieldType::String, 20, "id_f_est", "ADOQ_f_est3", "id_f_e", "p109")
                 << data(FieldSpec::boolean(s("isStaticDiscipline"))) << data(FieldSpec::integer(s("id_group")))
                 << data(FieldSpec::integer(s("id_student"))) << data(FieldSpec::integer(s("kredits")).max(20))
                 << data(FieldSpec::date(s("p36"))) << data(FieldSpec::floating(s("ball")).max(100.0))
                 << data(FieldSpec::integer(s("byEducSh"))) << data(FieldSpec::integer(s("id_mark_mag")))
                 << data(FieldSpec::integer(s("N"))) << data(FieldSpec::integer(s("id_poseshal")))
                 << lookup("poseshal", FieldType::String, 50, "id_poseshal", "ADOQ_poseshal", "id_poseshal", "s_poseshal")
                 << data(FieldSpec::boolean(s("dopusk_izm")));
        c << d;
    }
    c << query("ADOQ_DisciplineFromEducSH",
               {s("SELECT TOP (0) PERCENT dbo.educ_sh.id_semester, dbo.educ_sh.id_discipline, "
                  "dbo.educ_sh.id_examination, dbo.discipline.p34"),
                s("FROM dbo.educ_sh INNER JOIN dbo.discipline ON dbo.educ_sh.id_discipline = dbo.discipline.id_discipline")});
    {
        DataSetDecl d = query("ADOQ_estimationMMByStud", {s("Select 0")});
        d.fields << data(FieldSpec::integer(s("id_estimation"))) << data(FieldSpec::string(s("p31"), 20));
        c << d;
    }
    {
        DataSetDecl d = query("ADOQ_estimation2",
                              {s("SELECT dbo.estimation.p31, dbo.ee.id_exmination, dbo.estimation.id_estimation"),
                               s("FROM         dbo.ee INNER JOIN"),
                               s("                      dbo.estimation ON dbo.ee.id_estimation = dbo.estimation.id_estimation")});
        d.fields << data(FieldSpec::integer(s("id_estimation"))) << data(FieldSpec::string(s("p31"), 20));
        c << d;
    }
    {
        DataSetDecl d = table("ADOT_discipline", "discipline");
        d.fields << data(FieldSpec::integer(s("id_discipline"))) << data(FieldSpec::string(s("p34"), 100).width(100));
        c << d;
    }
    {
        DataSetDecl d = table("ADOT_estimation", "estimation");
        d.fields << data(FieldSpec::integer(s("id_estimation"))) << data(FieldSpec::string(s("p31"), 20));
        c << d;
    }
    {
        DataSetDecl d = table("ADOT_examination", "examination");
        d.fields << data(FieldSpec::integer(s("id_examination"))) << data(FieldSpec::string(s("p30"), 20));
        c << d;
    }
    {
        DataSetDecl d = query("ADOQ_foto");
        d.fields << data(FieldSpec::blob(s("photo"))) << data(FieldSpec::integer(s("id_student")));
        c << d;
    }
    {
        DataSetDecl d = query("ADOQ_poseshal", {s("SELECT    *"), s("FROM     poseshal")});
        d.fields << data(FieldSpec::integer(s("id_poseshal"))) << data(FieldSpec::string(s("poseshal"), 50))
                 << data(FieldSpec::string(s("s_poseshal"), 50));
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
        {s("DS_SP_Sort"), s("ADO_SP_Sort")},
        {s("DS_group"), s("ADOQ_group")},
        {s("DS_g_sem"), s("ADOQ_g_sem")},
        {s("DS_discipline"), s("ADOQ_Discipline")},
        {s("DataSource2"), s("ADOQ_Vremennyi")},
        {s("DS_ebe"), s("ADOQ_ebe")},
        {s("DS_exist_FEst"), s("ADOQ_exist_FEst")},
        {s("DS_f_est"), s("ADOQ__f_est")},
        {s("DS_Students"), s("ADOQ_Students")},
        {s("DS_AllStudentsInGroup"), s("ADOQ_AllStudentsInGroup")},
        {s("DS_markmagByStudent"), s("ADOQ_markmagByStudent")},
        {s("DS_foto"), s("ADOQ_foto")},
        {s("DS_Tdiscipline"), s("ADOT_discipline")},
        {s("DS_estimationMMByStud"), s("ADOQ_estimationMMByStud")},
        {s("DS_Semestr"), s("ADOTSemestr")},
        {s("DS_Texamination"), s("ADOT_examination")},
        {s("DS_f_est2"), s("ADOQ_f_est2")},
    };
    return sources;
}

} // namespace qel::data
