// qel13-admin settings write|show: the 84-byte settings file of the first connection.
#include "data/settings_file.h"
#include "tools/admin.h"

namespace qel::admin {
namespace {

int writeSettings(const QStringList& args, Io& io)
{
    Options o(args, {QStringLiteral("--file"), QStringLiteral("--account"), QStringLiteral("--password"),
                     QStringLiteral("--server"), QStringLiteral("--catalog")}, {});
    if (!o.positional().isEmpty())
        throw UsageError{QStringLiteral("unexpected argument %1").arg(o.positional().first())};
    TFirstConnectInfo info;
    info.account = o.required(QStringLiteral("--account"));
    info.password = o.required(QStringLiteral("--password"));
    info.server = o.required(QStringLiteral("--server"));
    info.catalog = o.required(QStringLiteral("--catalog"));
    const QString file = o.required(QStringLiteral("--file"));
    writeSettingsFile(file, info);
    io.out << "written " << file << "\n";
    return 0;
}

int showSettings(const QStringList& args, Io& io)
{
    Options o(args, {QStringLiteral("--file")}, {QStringLiteral("--reveal")});
    if (!o.positional().isEmpty())
        throw UsageError{QStringLiteral("unexpected argument %1").arg(o.positional().first())};
    const TFirstConnectInfo info = readSettingsFile(o.required(QStringLiteral("--file")));
    const bool reveal = o.has(QStringLiteral("--reveal"));
    TFirstConnectInfo shown = info;
    if (!reveal)
        shown.password = QString(info.password.size(), QLatin1Char('*'));
    io.out << "account=" << info.account << "\n"
           << "password=" << shown.password << "\n"
           << "server=" << info.server << "\n"
           << "catalog=" << info.catalog << "\n"
           << "connection=" << connectionString(shown) << "\n";
    return 0;
}

const AdminCommand settingsCommand(
    "settings", "write or show the settings file (Data/QEL) of the first connection",
    "Usage:\n"
    "  qel13-admin settings write --file PATH --account A --password P --server S --catalog C\n"
    "      Writes the 84-byte settings file; each text holds at most 20 Windows-1251 bytes.\n"
    "  qel13-admin settings show --file PATH [--reveal]\n"
    "      Prints account=, password= (masked unless --reveal), server=, catalog= and\n"
    "      connection= (the connection string the client composes) lines.\n",
    [](const QStringList& args, Io& io) {
        return runSubcommand(args, io, {{"write", writeSettings}, {"show", showSettings}});
    });

} // namespace
} // namespace qel::admin
