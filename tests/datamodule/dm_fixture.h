// A small embedded database for the data module's tests (one group, three students, a
// sheet of marks), and the steps the client takes to log in and open the sheet.
#pragma once

#include "data/dm_cde_3.h"

#include <QString>
#include <memory>

namespace qel::test {

// The ids the fixture uses.
namespace dmfx {
inline constexpr int kGroup = 1, kSemester = 1, kAlgebra = 1, kExam = 1, kScale = 1;
inline constexpr int kSheetForm = 1;      // "Ведомость", not a session statement
inline constexpr int kLooseForm = 5;      // marks of a statement form that f_est lacks
inline constexpr int kUser = 1;
} // namespace dmfx

// The connection string the client composes (Part of the login) for an account.
QString connectionString(const QString& user, const QString& password, const QString& catalog = QStringLiteral("QEL"));

struct DmFixture {
    QString dir;    // the data folder (QEL_DATA_DIR while the fixture lives)
    QString path;   // <dir>/QEL.sqlite

    // Creates the database in a fresh folder named after the test; rows adds mark rows
    // beyond the fixture's own (for the benchmark).
    explicit DmFixture(const QString& name, int extraStudents = 0);
    ~DmFixture();

    // Runs statements as the server's administrator.
    void admin(const QString& sql) const;

    // Logs dm in as "teacher" the way the login window does: the first connection as
    // qel_start, GET_USER, then the account it hands out; SET DATEFORMAT dmy.
    void login(data::TDM_CDE_3& dm) const;

    // Opens the lookup sources of the mark record as the reference loading and the sheet
    // selection leave them.
    static void openLookupSources(data::TDM_CDE_3& dm);

    // Sets the thirteen parameters by position and opens ADO_SP_Sort.
    static void openSheet(data::TDM_CDE_3& dm, int statementForm = dmfx::kSheetForm,
                          const QString& condition = QStringLiteral("1=1"));
};

} // namespace qel::test
