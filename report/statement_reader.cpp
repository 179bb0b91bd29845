#include "report/statement_reader.h"

#include "data/dm_cde_3.h"
#include "platform/db/query.h"
#include "platform/db/value_convert.h"
#include "platform/os/errors.h"
#include "rules/grade_names.h"
#include "rules/grade_scale.h"
#include "rules/mark_sheet_calc.h"
#include "rules/sheet_window.h"

#include <QSet>

namespace qel::report {

using rules::idText;

namespace {

// The first value of a one-row look-up; empty when there is no row.
QString scalar(db::Connection& connection, const QString& sql)
{
    db::Query q(&connection, QStringLiteral("ReportLookup"));
    q.setSql(sql);
    q.open();
    const QString value = q.isEmpty() ? QString() : q.field(0).asString().trimmed();
    q.close();
    return value;
}

// The columns the sheet grid shows, in its order: the fixed ones (the teacher and the
// statement number marked as named by the heading when every row shares them), the
// configuration's columns where the group's form of study shows them, the date, the grade
// and the special grade where the scale variant has special grades.
QList<StatementColumn> sheetColumns(data::TDM_CDE_3& dm, const rules::MarkSheetCalc& calc, bool teachersDiffer,
                                    bool numbersDiffer)
{
    QList<StatementColumn> out;
    out << StatementColumn{QStringLiteral("No"), QStringLiteral("П/П"), CellType::Number}
        << StatementColumn{QStringLiteral("primech"), QStringLiteral("Допуск по оплате"), CellType::Text}
        << StatementColumn{QStringLiteral("student"), QStringLiteral("Студент"), CellType::Text}
        << StatementColumn{QStringLiteral("idid"), QStringLiteral("Шифр студента"), CellType::Text}
        << StatementColumn{QStringLiteral("teacher"), QStringLiteral("Преподаватель"), CellType::Text, false, !teachersDiffer}
        << StatementColumn{QStringLiteral("p35"), QStringLiteral("№"), CellType::Text, false, !numbersDiffer};
    const int studyForm = rules::groupStudyForm(dm);
    if (studyForm == 0 || studyForm == 2) {
        int n = 0;
        for (const rules::SheetConfigRow& row : calc.config()) {
            const QString field = row.field.trimmed().isEmpty() ? QStringLiteral("calc%1").arg(++n) : row.field;
            out << StatementColumn{field, row.title, CellType::Number, true};
        }
    }
    out << StatementColumn{QStringLiteral("p36"), QStringLiteral("Дата сдачи"), CellType::Date}
        << StatementColumn{QStringLiteral("ball_name"), QStringLiteral("Оценка"), CellType::Text};
    if (dm.ADOQ_EstimationOther.active() && !dm.ADOQ_EstimationOther.isEmpty())
        out << StatementColumn{QStringLiteral("EstimationOther"), QStringLiteral("Особая оценка"), CellType::Text};
    return out;
}

QVariant typedValue(const QVariant& v, CellType type, const QString& text)
{
    if (v.isNull())
        return {};
    switch (type) {
    case CellType::Number:
        return db::convert::toFloat(v);
    case CellType::Date: {
        const QDate d = db::convert::toDateTime(v).date();
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case CellType::Text:
        break;
    }
    return text.isEmpty() ? QVariant() : QVariant(text);
}

void readHeader(data::TDM_CDE_3& dm, rules::SheetWindow& window, Statement& st)
{
    db::Connection& c = dm.ADO_CDE;
    StatementHeader& h = st.header;
    const QString group = idText(window.groupKey()), semester = idText(window.semesterKey());
    h.group = scalar(c, QStringLiteral("SELECT p20 FROM g_s WHERE id_group=") + group);
    h.speciality = scalar(c, QStringLiteral("SELECT spec FROM g_s WHERE id_group=") + group);
    h.faculty = scalar(c, QStringLiteral("SELECT f.name FROM faculty f INNER JOIN g_f ON g_f.id_faculty = f.id_faculty "
                                         "WHERE g_f.id_group=")
                              + group);
    h.semester = scalar(c, QStringLiteral("SELECT p43 FROM semester WHERE id_semester=") + semester);
    const QString rate = scalar(c, QStringLiteral("SELECT id_rate FROM semester WHERE id_semester=") + semester);
    if (!rate.isEmpty())
        h.academicYear = scalar(c, QStringLiteral("SELECT TOP 1 p32 FROM g_r_y WHERE id_group=") + group
                                       + QStringLiteral(" AND id_rate=") + idText(rate));
    h.discipline = dm.ADOQ_Discipline.active() ? dm.ADOQ_Discipline.fieldByName(QStringLiteral("p34")).asString().trimmed()
                                               : QString();
    h.formOfControl =
        scalar(c, QStringLiteral("SELECT p30 FROM examination WHERE id_examination=") + idText(window.examinationKey()));
    h.statementForm = scalar(c, QStringLiteral("SELECT p109 FROM f_est WHERE id_f_e=") + idText(window.statementFormKey()));
}

// The teacher of each row: the grid's lookup text, or the name looked up where the
// discipline's teacher list lacks the row's teacher.
QStringList rowTeachers(data::TDM_CDE_3& dm, db::DataSet& sheet)
{
    const db::Field& id = sheet.fieldByName(QStringLiteral("id_teacher"));
    const db::Field& name = sheet.fieldByName(QStringLiteral("teacher"));
    QHash<QString, QString> looked;
    QStringList out;
    for (int r = 0, n = sheet.recordCount(); r < n; ++r) {
        QString text = sheet.rowText(r, name).trimmed();
        const QVariant key = sheet.rowValue(r, id);
        if (text.isEmpty() && !key.isNull()) {
            const QString k = idText(key);
            if (!looked.contains(k))
                looked.insert(k, scalar(dm.ADO_CDE, QStringLiteral("SELECT t_fio FROM t_fio WHERE id_teacher=") + k));
            text = looked.value(k);
        }
        out << text;
    }
    return out;
}

// The count of each stored grade: the grades of the form of control's ladder, absent and
// "н/п" always, then any other grade the rows carry; the refused payment admissions and
// the number of students last.
QList<SummaryLine> gradeSummary(data::TDM_CDE_3& dm, rules::SheetWindow& window, db::DataSet& sheet)
{
    const SessionState& s = window.session();
    const TGradeIds& g = s.GradeIds;
    QList<qint32> order;
    switch (rules::controlKindOf(s.ExamIds, window.examinationKey())) {
    case rules::ControlKind::Graded:
        order = {g.Excellent, g.Good, g.Satisfactory, g.Unsatisfactory};
        break;
    case rules::ControlKind::Credit:
        order = {g.Credited, g.NotCredited};
        break;
    case rules::ControlKind::Attestation:
        order = {g.Attested, g.NotAttested};
        break;
    case rules::ControlKind::None:
        break;
    }
    order << g.Absent << g.NP;

    QHash<qint32, int> counts;
    QList<qint32> others;
    int ungraded = 0, refused = 0;
    const db::Field& grade = sheet.fieldByName(QStringLiteral("id_estimation"));
    const db::Field& admission = sheet.fieldByName(QStringLiteral("primech"));
    const int rows = sheet.recordCount();
    for (int r = 0; r < rows; ++r) {
        const QVariant v = sheet.rowValue(r, grade);
        const qint32 id = v.isNull() ? 0 : qint32(db::convert::toInteger(v));
        if (id == 0) {
            ++ungraded;
        } else {
            if (!counts.contains(id) && !order.contains(id))
                others << id;
            ++counts[id];
        }
        // The grid paints an admission other than "д" as refused.
        const QString a = sheet.rowText(r, admission).trimmed();
        if (!a.isEmpty() && a != QStringLiteral("д"))
            ++refused;
    }

    const auto nameOf = [&](qint32 id) {
        QString name;
        if (dm.ADOQ_estimation.active())
            name = db::convert::toText(dm.ADOQ_estimation.lookup(QStringLiteral("id_estimation"), id,
                                                                  QStringLiteral("p31")))
                       .trimmed();
        if (name.isEmpty())
            name = rules::GradeNameOf(g, id);
        if (name.isEmpty())
            name = id == g.NP ? QStringLiteral("н/п") : QStringLiteral("оценка %1").arg(id);
        return name;
    };
    QList<SummaryLine> out;
    QSet<qint32> shown;
    for (qint32 id : std::as_const(order) + others) {
        if (id <= 0 || shown.contains(id))
            continue;   // a grade the estimation table lacks (reference_ids.h) names no row
        shown.insert(id);
        out << SummaryLine{nameOf(id), counts.value(id)};
    }
    if (ungraded)
        out << SummaryLine{QStringLiteral("без оценки"), ungraded};
    out << SummaryLine{QStringLiteral("не допущены по оплате"), refused}
        << SummaryLine{QStringLiteral("всего студентов"), rows};
    return out;
}

} // namespace

Statement readStatement(data::TDM_CDE_3& dm, rules::SheetWindow& window)
{
    db::StoredProc& sheet = dm.ADO_SP_Sort;
    if (!sheet.active())
        throw Error(QStringLiteral("Ведомость не открыта: выберите группу, семестр, дисциплину и форму ведомости."));
    if (sheet.state() != db::DataSetState::Browse)
        throw Error(QStringLiteral("Строка ведомости редактируется: сохраните или отмените изменения (Esc), затем "
                                   "повторите."));
    if (rules::sheetWindow() != &window)
        throw Error(QStringLiteral("Ведомость открыта не для этого окна: итоги и оценки не вычислены."));
    if (dm.ScaleMissing)
        throw Error(QStringLiteral("Для шкалы оценок %1 нет баллов (таблица ebe): оценки ведомости не вычисляются, "
                                   "ведомость не выгружена.")
                        .arg(idText(window.scaleVariantKey())));

    rules::MarkSheetCalc& calc = rules::markSheetCalc(dm);
    Statement st;
    readHeader(dm, window, st);
    st.footerCaption = QStringLiteral("Сумма баллов");

    const int rows = sheet.recordCount();
    const QStringList teachers = rowTeachers(dm, sheet);
    QStringList numbers;
    const db::Field& number = sheet.fieldByName(QStringLiteral("p35"));
    for (int r = 0; r < rows; ++r)
        numbers << sheet.rowText(r, number).trimmed();
    const QSet<QString> distinctNumbers(numbers.begin(), numbers.end());
    for (const QString& t : teachers)
        if (!t.isEmpty() && !st.header.teachers.contains(t))
            st.header.teachers << t;
    const bool numbersDiffer = distinctNumbers.size() > 1;
    if (!numbersDiffer && !numbers.isEmpty())
        st.header.number = numbers.first();
    st.columns = sheetColumns(dm, calc, st.header.teachers.size() > 1, numbersDiffer);

    QList<const db::Field*> fields;
    QStringList missing;
    for (const StatementColumn& c : std::as_const(st.columns)) {
        const db::Field* f = sheet.findField(c.field);
        if (!f)
            missing << QLatin1Char('"') + c.title + QLatin1Char('"');
        fields << f;
    }
    if (!missing.isEmpty())
        throw Error(QStringLiteral("В строке ведомости нет полей для столбцов %1: ведомость не выгружена.")
                        .arg(missing.join(QStringLiteral(", "))));

    st.rows.reserve(rows);
    QDate common;
    bool datesAgree = true;
    const int dateColumn = st.columnIndex(QStringLiteral("p36"));
    for (int r = 0; r < rows; ++r) {
        StatementRow row;
        row.values.reserve(st.columns.size());
        row.texts.reserve(st.columns.size());
        for (int i = 0; i < st.columns.size(); ++i) {
            const db::Field& f = *fields[i];
            const QVariant v = sheet.rowValue(r, f);
            const QString text = f.displayTextFor(v);
            row.texts << text;
            row.values << typedValue(v, st.columns[i].type, text);
        }
        const QVariant date = row.values.at(dateColumn);
        if (!date.isNull()) {
            if (!common.isValid())
                common = date.toDate();
            else if (common != date.toDate())
                datesAgree = false;
        }
        st.rows << std::move(row);
    }
    st.header.date = datesAgree && common.isValid() ? common : QDate::currentDate();

    // Rows computed only now may have shown a formula failing: a statement with empty cells
    // in its place would look complete.
    if (!calc.failedColumns().isEmpty()) {
        QStringList quoted;
        for (const QString& t : calc.failedColumns())
            quoted << QLatin1Char('"') + t + QLatin1Char('"');
        const QString what = quoted.size() == 1 ? QStringLiteral("Столбец %1 не вычисляется").arg(quoted.first())
                                                : QStringLiteral("Столбцы %1 не вычисляются").arg(quoted.join(QStringLiteral(", ")));
        throw Error(what + QStringLiteral(" по формуле настройки ведомости: ведомость не выгружена. Исправьте формулу "
                                          "(или баллы строк, на которых она не вычисляется) и повторите."));
    }
    st.summary = gradeSummary(dm, window, sheet);
    return st;
}

} // namespace qel::report
