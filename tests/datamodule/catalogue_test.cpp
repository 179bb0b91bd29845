// The data module as created: every dataset closed with its command, options, fields and
// parameters, the data sources bound, the handlers bound, the connection closed.
#include "data/dataset_catalogue.h"
#include "data/dm_cde_3.h"
#include "data/mark_record.h"
#include "platform/db/value_convert.h"
#include "server/contract.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::data;
using db::FieldKind;
using db::FieldType;

namespace {

TEST(DataModule, CreatedClosedWithEveryDatasetHoldingItsCommand)
{
    TDM_CDE_3 dm;
    EXPECT_EQ(DM_CDE_3, &dm);
    EXPECT_FALSE(dm.ADO_CDE.connected());
    EXPECT_FALSE(dm.ADO_CDE.keepConnection());
    EXPECT_EQ(dm.dataSets().size(), 39);
    for (db::DataSet* ds : dm.dataSets()) {
        EXPECT_FALSE(ds->active()) << ds->name().toStdString();
        EXPECT_EQ(ds->connection(), &dm.ADO_CDE);
    }
    EXPECT_EQ(dm.ADOQ_Exec.sql(), QStringLiteral("Select p32 from g_r_y"));
    EXPECT_TRUE(dm.ADOQ_temp.sql().isEmpty());
    EXPECT_EQ(dm.ADOQ_group.sql(), QStringLiteral("SELECT  * FROM [group]"));
    EXPECT_EQ(dm.ADOQ_g_sem.sql(), QStringLiteral("select * from g_sem "));
    EXPECT_EQ(dm.ADOQ_Discipline.sql(), QStringLiteral("SELECT     *\nFROM         dbo.gr_sem_disc_exam"));
    EXPECT_EQ(dm.ADOQ_ebe.sql(), QStringLiteral("SELECT distinct \n     [id_ebe_var]\n      \n  FROM [QEL].[dbo].[ebe]"));
    EXPECT_EQ(dm.ADOQ_VuzDefaults.sql(),
              QStringLiteral("SELECT [id_field]\nFROM [QEL].[dbo].[VuzDefaults]\nwhere id_vuz_defaults=28"));
    EXPECT_EQ(dm.ADOQ_markmagByStudent.sql(), QStringLiteral("Select top 0 * \nFrom mark_mag"));
    EXPECT_EQ(dm.ADOQ_poseshal.sql(), QStringLiteral("SELECT    *\nFROM     poseshal"));
    EXPECT_EQ(dm.ADOQ_Estim->sql(), QStringLiteral("select * from estimation"));
    EXPECT_EQ(dm.ADOTSemestr.tableName(), QStringLiteral("semester"));
    EXPECT_EQ(dm.ADOT_f_est.tableName(), QStringLiteral("f_est"));
    EXPECT_TRUE(dm.ADOT_f_est.filtered());
    EXPECT_TRUE(dm.ADOT_f_est.filter().isEmpty());
    EXPECT_EQ(dm.ADO_SP_Sort.procedureName(), QStringLiteral("SORT_MARK_MAG"));
    EXPECT_EQ(dm.ADO_SP_Sort.commandTimeout(), 120);
    EXPECT_TRUE(dm.ADO_SP_Sort.prepared());
    EXPECT_TRUE(dm.ADOQ_EstimationOther.batchUpdates());
    ASSERT_EQ(dm.ADOQ_EstimationOther.parameters().count(), 1);
    EXPECT_EQ(dm.ADOQ_EstimationOther.parameters()[0].name(), QStringLiteral("id_ebe_var"));
    EXPECT_NE(dm.findDataSet(QStringLiteral("ADOQ_poseshal")), nullptr);
    EXPECT_THROW(dm.dataSet(QStringLiteral("ADOQ_nope")), db::DbError);
}

TEST(DataModule, DataSourcesNameTheirDatasets)
{
    TDM_CDE_3 dm;
    EXPECT_EQ(dataSourceCatalogue().size(), 17);
    for (const DataSourceDecl& d : dataSourceCatalogue()) {
        db::DataSource* s = dm.findDataSource(d.name);
        ASSERT_NE(s, nullptr) << d.name.toStdString();
        ASSERT_NE(s->dataSet(), nullptr);
        EXPECT_EQ(s->dataSet()->name(), d.dataSet);
    }
    EXPECT_EQ(dm.DS_SP_Sort.dataSet(), &dm.ADO_SP_Sort);
    EXPECT_EQ(dm.DataSource2.dataSet(), &dm.ADOQ_Vremennyi);
}

TEST(DataModule, PersistentFieldsWithLookups)
{
    TDM_CDE_3 dm;
    const auto names = [](const db::DataSet& ds) {
        QStringList out;
        for (const db::Field* f : ds.fields())
            out << f->name();
        return out;
    };
    EXPECT_EQ(names(dm.ADOQ_markmagByStudent),
              QString("primech id_discipline Discipline id_estimation Estimation id_semester Semester id_examination "
                      "id_f_est Examination F_Est isStaticDiscipline id_group id_student kredits p36 ball byEducSh "
                      "id_mark_mag N id_poseshal poseshal dopusk_izm").split(' '));
    const db::Field& fest = dm.ADOQ_markmagByStudent.fieldByName(QStringLiteral("F_Est"));
    EXPECT_EQ(fest.kind(), FieldKind::Lookup);
    EXPECT_EQ(fest.lookupDataSet(), &dm.ADOQ_f_est3);
    EXPECT_EQ(fest.keyFields(), QStringLiteral("id_f_est"));
    EXPECT_EQ(fest.lookupKeyFields(), QStringLiteral("id_f_e"));
    EXPECT_EQ(fest.lookupResultField(), QStringLiteral("p109"));
    EXPECT_EQ(dm.ADOQ_markmagByStudent.fieldByName(QStringLiteral("kredits")).maxValue(), 20.0);
    EXPECT_EQ(dm.ADOQ_markmagByStudent.fieldByName(QStringLiteral("ball")).maxValue(), 100.0);
    EXPECT_EQ(dm.ADOQ_markmagByStudent.fieldByName(QStringLiteral("Discipline")).displayWidth(), 100);
    EXPECT_EQ(names(dm.ADOQ_poseshal), QString("id_poseshal poseshal s_poseshal").split(' '));
    EXPECT_EQ(names(dm.ADOQ_foto), QString("photo id_student").split(' '));
    EXPECT_EQ(dm.ADOQ_foto.fieldByName(QStringLiteral("photo")).dataType(), FieldType::Blob);
    EXPECT_EQ(dm.ADOQ_f_est1.fieldByName(QStringLiteral("p109")).size(), 20);
    EXPECT_EQ(names(dm.ADOQ_AllStudentsInGroup), QString("id_student s_fio id_faculty id_bk").split(' '));
    EXPECT_FALSE(dm.ADOQ_Exec.hasPersistentFields());
    EXPECT_FALSE(dm.ADOQ_Students.hasPersistentFields());
}

TEST(MarkRecord, FiftyEightFieldsInOrder)
{
    TDM_CDE_3 dm;
    struct Expect {
        int pos;   // 1-based, as the record lists them
        const char* name;
        FieldKind kind;
        FieldType type;
        int size;
        const char* lookup;   // source dataset
    };
    const Expect expected[] = {
        {1, "id_mark_mag", FieldKind::Data, FieldType::AutoInc, 0, nullptr},
        {9, "p35", FieldKind::Data, FieldType::String, 50, nullptr},
        {10, "p36", FieldKind::Data, FieldType::DateTime, 0, nullptr},
        {12, "oper", FieldKind::Data, FieldType::String, 5, nullptr},
        {14, "estimation", FieldKind::Lookup, FieldType::String, 30, "ADOQ_estimation"},
        {15, "semestr", FieldKind::Lookup, FieldType::String, 30, "ADOTSemestr"},
        {16, "teacher", FieldKind::Lookup, FieldType::String, 60, "ADOQ_t_fio"},
        {17, "f_est", FieldKind::Lookup, FieldType::String, 30, "ADOQ_f_est1"},
        {18, "exam", FieldKind::Lookup, FieldType::String, 30, "ADOQ_Examination"},
        {19, "discipline", FieldKind::Lookup, FieldType::String, 90, "ADOQ_Discipline"},
        {20, "student", FieldKind::Lookup, FieldType::String, 70, "ADOQ_s_fio"},
        {21, "m1", FieldKind::Data, FieldType::Float, 0, nullptr},
        {27, "ball", FieldKind::Data, FieldType::Float, 0, nullptr},
        {28, "ball1", FieldKind::Calculated, FieldType::Float, 0, nullptr},
        {29, "ball_name", FieldKind::Calculated, FieldType::String, 10, nullptr},
        {30, "No", FieldKind::Calculated, FieldType::Integer, 0, nullptr},
        {31, "QEL_User", FieldKind::Data, FieldType::String, 20, nullptr},
        {32, "QEL_Update", FieldKind::Data, FieldType::Date, 0, nullptr},
        {33, "sessiya", FieldKind::Lookup, FieldType::Integer, 0, "ADOT_f_est"},
        {34, "primech", FieldKind::Data, FieldType::String, 50, nullptr},
        {35, "m5", FieldKind::Data, FieldType::Float, 0, nullptr},
        {42, "m12", FieldKind::Data, FieldType::Float, 0, nullptr},
        {43, "k_count", FieldKind::Data, FieldType::Integer, 0, nullptr},
        {44, "EstimationOther", FieldKind::Lookup, FieldType::String, 10, "ADOQ_EstimationOther"},
        {45, "id_estimation_other", FieldKind::Data, FieldType::Integer, 0, nullptr},
        {46, "idid", FieldKind::Lookup, FieldType::String, 20, "ADOQ_s_fio"},
        {47, "dopusk_izm", FieldKind::Data, FieldType::Boolean, 0, nullptr},
        {48, "calc1", FieldKind::Calculated, FieldType::Float, 0, nullptr},
        {52, "calc5", FieldKind::Calculated, FieldType::Float, 0, nullptr},
        {53, "id_ebe_var", FieldKind::Data, FieldType::Integer, 0, nullptr},
        {54, "calc6", FieldKind::Calculated, FieldType::Float, 0, nullptr},
        {58, "calc10", FieldKind::Calculated, FieldType::Float, 0, nullptr},
    };
    ASSERT_EQ(dm.ADO_SP_Sort.fieldCount(), 58);
    for (const Expect& e : expected) {
        const db::Field& f = dm.ADO_SP_Sort.field(e.pos - 1);
        SCOPED_TRACE(e.name);
        EXPECT_EQ(f.name(), QString::fromLatin1(e.name));
        EXPECT_EQ(f.kind(), e.kind);
        EXPECT_EQ(f.dataType(), e.type);
        EXPECT_EQ(f.size(), e.size);
        if (e.lookup) {
            EXPECT_EQ(f.lookupDataSet(), dm.findDataSet(QString::fromLatin1(e.lookup)));
        }
    }
    EXPECT_TRUE(dm.ADO_SP_Sort.fieldByName(QStringLiteral("student")).readOnly());
    EXPECT_TRUE(dm.ADO_SP_Sort.fieldByName(QStringLiteral("id_mark_mag")).readOnly());
    EXPECT_EQ(dm.ADO_SP_Sort.fieldByName(QStringLiteral("p36")).displayFormat(), QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(dm.ADO_SP_Sort.fieldByName(QStringLiteral("p36")).editMask(), QStringLiteral("99/99/9999;1;_"));
    EXPECT_EQ(dm.ADO_SP_Sort.fieldByName(QStringLiteral("sessiya")).lookupKeyFields(), QStringLiteral("id_f_e"));
    int data = 0, lookups = 0, calculated = 0;
    for (const db::Field* f : dm.ADO_SP_Sort.fields())
        (f->isData() ? data : f->isLookup() ? lookups : calculated)++;
    EXPECT_EQ(data, 35);
    EXPECT_EQ(lookups, 10);
    EXPECT_EQ(calculated, 13);
}

// The record's data fields are exactly the columns the server declares for the procedure.
TEST(MarkRecord, DataFieldsMatchTheServerContract)
{
    const auto* routine = server::contract::findRoutine(QStringLiteral("SORT_MARK_MAG"));
    ASSERT_NE(routine, nullptr);
    QList<const db::FieldSpec*> data;
    for (const FieldDecl& f : markRecordFields())
        if (f.spec.kind == FieldKind::Data)
            data << &f.spec;
    ASSERT_EQ(data.size(), routine->columns.size());
    for (int i = 0; i < data.size(); ++i) {
        const auto& c = routine->columns[i];
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(data[i]->name, c.name);
        wire::Column wc;
        wc.type = c.type;
        const FieldType declared = data[i]->type == FieldType::AutoInc ? FieldType::Integer : data[i]->type;
        EXPECT_EQ(db::convert::fieldTypeOf(wc), declared);
        EXPECT_EQ(data[i]->size, c.size);
    }
}

TEST(MarkRecord, ThirteenParametersAfterTheReturnValue)
{
    TDM_CDE_3 dm;
    db::Parameters& p = dm.ADO_SP_Sort.parameters();
    ASSERT_EQ(p.count(), 14);
    EXPECT_TRUE(p[MarkSheetReturnValue].isReturnValue());
    const char* names[] = {"@RETURN_VALUE", "@group", "@semester", "@discipline", "@examination", "@id_teacher",
                           "@DoNotShowEst", "@subgroup", "@isGetFromSubGroup", "@id_a_year", "@id_ebe_var",
                           "@id_kafedra", "@id_f_est", "@Kredits"};
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(p[i].name(), QString::fromLatin1(names[i]));
    EXPECT_EQ(p[MarkSheetKafedra].value(), QVariant(-1));
    EXPECT_EQ(p[MarkSheetDoNotShowEst].type(), wire::ColumnType::VarChar);
    EXPECT_EQ(p[MarkSheetDoNotShowEst].size(), 3);
    EXPECT_EQ(p[MarkSheetDoNotShowEst].value().toString(), QString());
    EXPECT_TRUE(p[MarkSheetGroup].value().isNull());
    p[MarkSheetDoNotShowEst].setValue(QStringLiteral("(id_estimation <> 25)"));
    EXPECT_EQ(p[MarkSheetDoNotShowEst].size(), 21);
}

TEST(DataModule, HandlersAreBound)
{
    TDM_CDE_3 dm;
    const db::DataSet& sort = dm.ADO_SP_Sort;
    for (const auto* e : {&sort.beforeOpen, &sort.afterOpen, &sort.beforeInsert, &sort.beforeEdit, &sort.afterEdit,
                          &sort.beforePost, &sort.afterPost, &sort.afterCancel, &sort.beforeDelete, &sort.afterDelete,
                          &sort.onCalcFields})
        EXPECT_TRUE(bool(*e));
    EXPECT_TRUE(bool(sort.onEditError));
    EXPECT_TRUE(bool(sort.onPostError));
    EXPECT_TRUE(bool(dm.ADOQ_Students.beforeInsert));
    EXPECT_TRUE(bool(dm.ADOQ_Students.afterPost));
    EXPECT_TRUE(bool(dm.ADOQ_markmagByStudent.afterInsert));
    EXPECT_TRUE(bool(dm.ADOQ_markmagByStudent.beforeEdit));
    EXPECT_TRUE(bool(dm.ADOQ_markmagByStudent.beforePost));

    // The sheet and the student list refuse new rows silently.
    EXPECT_THROW(dm.ADO_SP_SortBeforeInsert(dm.ADO_SP_Sort), SilentAbort);
    EXPECT_THROW(dm.ADOQ_StudentsBeforeInsert(dm.ADOQ_Students), SilentAbort);
    dm.StudentsChanged = false;
    dm.ADOQ_StudentsAfterPost(dm.ADOQ_Students);
    EXPECT_TRUE(dm.StudentsChanged);
}

TEST(DataModule, SessionFieldsStartOff)
{
    TDM_CDE_3 dm;
    EXPECT_FALSE(dm.MinimumCheckpointRule);
    EXPECT_FALSE(dm.ScaleMissing);
    EXPECT_FALSE(dm.StudentsChanged);
}

} // namespace
