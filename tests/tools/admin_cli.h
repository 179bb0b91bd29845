// Running qel13-admin as a user would, from the tests.
#pragma once

#include <QProcess>
#include <QStringList>

namespace qel::test {

struct CliResult {
    int exitCode = -1;
    QString out;
    QString err;
};

inline CliResult runAdmin(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(QEL_ADMIN_PATH), args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace qel::test
