// The session state every window and rule reads: who is logged in, on which computer,
// the identifiers looked up by name after login and the institution settings. The main
// window carries these fields (TForm2 derives from SessionState); the lower layers get
// them through a reference to this struct.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace qel {

// id_examination of each named form of control; 0 when the name is not in the table.
struct TExamIds {
    qint32 Exam = 0;          // "Экзамен"
    qint32 FinalGrade = 0;    // "Итог/оценка"
    qint32 ControlWork = 0;   // "Контр/раб"
    qint32 Credit = 0;        // "Зачет"
    qint32 CourseProject = 0; // "Курc/пр" (Latin c)
    qint32 CourseWork = 0;    // "Курс/раб"
    qint32 DiffCredit = 0;    // "Диф/зачет"
    qint32 Attestation = 0;   // "Аттестация"
};

// id_estimation of each named grade.
struct TGradeIds {
    qint32 Excellent = 0;      // "отл"
    qint32 Good = 0;           // "хор"
    qint32 Satisfactory = 0;   // "удов"
    qint32 Unsatisfactory = 0; // "н/у"
    qint32 NotCredited = 0;    // "н/з"
    qint32 Credited = 0;       // "зачет"
    qint32 NP = 0;             // " н/п" (leading blank)
    qint32 Dash = 0;           // "-"
    qint32 Absent = 0;         // "н/я"
    qint32 NotAttested = 0;    // "н/ат"
    qint32 Attested = 0;       // "ат"
};

// The points interval of a grade: beg_bal <= t < end_bal.
struct TGradeInterval {
    double beg_bal = 0;
    double end_bal = 0;
    bool contains(double t) const { return beg_bal <= t && t < end_bal; }
};

struct TGradeScale {
    TGradeInterval NotCredited, Unsatisfactory, Credited, Satisfactory, Good, Excellent, NotAttested, Attested, Absent;
};

struct SessionState {
    qint32 SessionLoginId = 0;
    QString SessionLogin;
    char SessionComputerName[101] = {};   // Windows-1251 bytes, zero-terminated
    TExamIds ExamIds;
    TGradeIds GradeIds;
    bool FlaggedFormsOnly = false;
    TGradeScale GradeScale;

    // Set by a successful login: the main window may be shown when the event loop starts.
    bool MainWindowMayShow = false;
    // Grade names the estimation table lacked at login (reported once to the user).
    QStringList MissingGradeNames;

    QString computerNameText() const;
    void setComputerName(const QString& name); // keeps at most 100 bytes
};

} // namespace qel
