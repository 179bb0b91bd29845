// A small database built by the tests: a few reference rows, two groups, four students,
// one user, a grading scale and marks, written through the server's own T-SQL path.
#pragma once

#include <functional>

#include "server/server.h"

#include <QString>
#include <memory>

namespace qel::test {

// The server's message of the error the action raises; empty when it raises none.
QString errorOf(const std::function<void()>& action);

// The MD5 digest of an ASCII password, as the client sends it.
QString digestOf(const QString& asciiPassword);

// Reverses the per-byte shift of GET_USER's account columns (ASCII accounts).
QString unshift(const QString& text);

struct ServerFixture {
    QString path;

    // Builds the fixture in a fresh folder named after the test.
    explicit ServerFixture(const QString& name);

    std::unique_ptr<server::Session> admin() const;
    // Logs in as the fixture's user "teacher" / "secret1" the way the client does:
    // qel_start, GET_USER, then the account it hands out; SET DATEFORMAT dmy.
    std::unique_ptr<server::Session> teacher() const;
    // The same for any QEL user of the file.
    std::unique_ptr<server::Session> login(const QString& user, const QString& password) const;
};

// Every row of the tables the client writes or the rights guard, as text (read by the
// administrator): equal before and after a refused statement when nothing changed.
QString snapshot(const QString& path);

// The working session of a QEL user of any database file, logged in as the client does.
std::unique_ptr<server::Session> loginAs(const QString& path, const QString& user, const QString& password);

// The ids the fixture uses.
namespace fx {
inline constexpr int kGroup = 1, kExtramuralGroup = 2;
inline constexpr int kSemester = 1;
inline constexpr int kAlgebra = 1, kHistory = 2;
inline constexpr int kExam = 1, kCredit = 2;
inline constexpr int kUser = 1;
inline constexpr int kScale = 1, kCreditScale = 2;
} // namespace fx

} // namespace qel::test
