#include "data/mark_record.h"

#include "server/contract.h"

namespace qel::data {

using db::FieldSpec;
using db::FieldType;
using db::Parameter;
using db::ParamDirection;
using wire::ColumnType;

QList<Parameter> markSheetParameters()
{
    // Names, order, types and sizes come from the server contract, so client and server
    // cannot disagree; every argument starts empty except the declared defaults.
    const server::contract::Routine* routine = server::contract::findRoutine(QString::fromLatin1(kMarkSheetProcedure));
    Q_ASSERT(routine);
    QList<Parameter> out;
    for (const wire::Param& p : server::contract::parametersOf(*routine)) {
        QVariant value = p.value;
        if (p.name.compare(QLatin1String("@DoNotShowEst"), Qt::CaseInsensitive) == 0 && value.isNull())
            value = QString(QLatin1String(""));   // an empty text, not NULL
        out << Parameter(p.name, p.type, p.size, p.isReturnValue ? ParamDirection::ReturnValue : ParamDirection::Input,
                         p.isReturnValue ? QVariant() : value);
    }
    return out;
}

const QList<FieldDecl>& markRecordFields()
{
    static const QList<FieldDecl> fields = [] {
        const auto data = [](FieldSpec s) { return FieldDecl{std::move(s), {}}; };
        const auto lookup = [](const char* name, FieldType type, int size, const char* key, const char* source,
                               const char* sourceKey, const char* result) {
            return FieldDecl{FieldSpec::lookup(QString::fromLatin1(name), type, size, QString::fromLatin1(key), nullptr,
                                               QString::fromLatin1(sourceKey), QString::fromLatin1(result)),
                             QString::fromLatin1(source)};
        };
        const auto calc = [](const QString& name, FieldType type, int size = 0) {
            return FieldDecl{FieldSpec::calculated(name, type, size), {}};
        };

        QList<FieldDecl> f;
        f << data(FieldSpec::autoInc(QStringLiteral("id_mark_mag")))
          << data(FieldSpec::integer(QStringLiteral("id_group")))
          << data(FieldSpec::integer(QStringLiteral("id_student")))
          << data(FieldSpec::integer(QStringLiteral("id_examination")))
          << data(FieldSpec::integer(QStringLiteral("id_estimation")))
          << data(FieldSpec::integer(QStringLiteral("id_discipline")))
          << data(FieldSpec::integer(QStringLiteral("id_semester")))
          << data(FieldSpec::integer(QStringLiteral("id_teacher")))
          << data(FieldSpec::string(QStringLiteral("p35"), 50))
          << data(FieldSpec::dateTime(QStringLiteral("p36")).format(QStringLiteral("dd.MM.yyyy")).mask(QStringLiteral("99/99/9999;1;_")))
          << data(FieldSpec::integer(QStringLiteral("id_f_est")))
          << data(FieldSpec::string(QStringLiteral("oper"), 5))
          << data(FieldSpec::dateTime(QStringLiteral("u_date")))
          << lookup("estimation", FieldType::String, 30, "id_estimation", "ADOQ_estimation", "id_estimation", "p31")
          << lookup("semestr", FieldType::String, 30, "id_semester", "ADOTSemestr", "id_semester", "p43")
          << lookup("teacher", FieldType::String, 60, "id_teacher", "ADOQ_t_fio", "id_teacher", "t_fio")
          << lookup("f_est", FieldType::String, 30, "id_f_est", "ADOQ_f_est1", "id_f_e", "p109")
          << lookup("exam", FieldType::String, 30, "id_examination", "ADOQ_Examination", "id_examination", "p30")
          << lookup("discipline", FieldType::String, 90, "id_discipline", "ADOQ_Discipline", "id_discipline", "p34");
        FieldDecl student =
            lookup("student", FieldType::String, 70, "id_student", "ADOQ_s_fio", "id_student", "s_fio");
        student.spec.readOnly = true;
        f << student;
        for (int i = 1; i <= 4; ++i)
            f << data(FieldSpec::floating(QStringLiteral("m%1").arg(i)));
        f << data(FieldSpec::floating(QStringLiteral("dop")))
          << data(FieldSpec::floating(QStringLiteral("dop2")))
          << data(FieldSpec::floating(QStringLiteral("ball")))
          << calc(QStringLiteral("ball1"), FieldType::Float)
          << calc(QStringLiteral("ball_name"), FieldType::String, 10)
          << calc(QStringLiteral("No"), FieldType::Integer)
          << data(FieldSpec::string(QStringLiteral("QEL_User"), 20))
          << data(FieldSpec::date(QStringLiteral("QEL_Update")))
          << lookup("sessiya", FieldType::Integer, 0, "id_f_est", "ADOT_f_est", "id_f_e", "sessiya")
          << data(FieldSpec::string(QStringLiteral("primech"), 50));
        for (int i = 5; i <= 12; ++i)
            f << data(FieldSpec::floating(QStringLiteral("m%1").arg(i)));
        f << data(FieldSpec::integer(QStringLiteral("k_count")))
          << lookup("EstimationOther", FieldType::String, 10, "id_estimation_other", "ADOQ_EstimationOther",
                    "id_estimation_other", "Estimation_Other")
          << data(FieldSpec::integer(QStringLiteral("id_estimation_other")))
          << lookup("idid", FieldType::String, 20, "id_student", "ADOQ_s_fio", "id_student", "idid")
          << data(FieldSpec::boolean(QStringLiteral("dopusk_izm")));
        for (int i = 1; i <= 5; ++i)
            f << calc(QStringLiteral("calc%1").arg(i), FieldType::Float);
        f << data(FieldSpec::integer(QStringLiteral("id_ebe_var")));
        for (int i = 6; i <= 10; ++i)
            f << calc(QStringLiteral("calc%1").arg(i), FieldType::Float);
        return f;
    }();
    return fields;
}

} // namespace qel::data
