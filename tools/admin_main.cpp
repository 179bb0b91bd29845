// Entry of qel13-admin: dispatches to the registered commands.

#include "platform/os/errors.h"
#include "platform/os/system_info.h"
#include "server/wire.h"
#include "tools/admin.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHash>
#include <map>
#include <memory>

namespace qel::admin {
namespace {

struct Entry {
    QString summary;
    QString help;
    std::function<int(const QStringList&, Io&)> run;
    AppKind app = AppKind::Core;
};

std::map<QString, Entry>& registry()
{
    static std::map<QString, Entry> r;
    return r;
}

void printUsage(QTextStream& s)
{
    s << "Usage: qel13-admin COMMAND [ARGS...]\n"
         "The command-line companion of QEL 13 (grade sheets).\n\nCommands:\n";
    for (const auto& [name, e] : registry())
        s << "  " << name.leftJustified(10) << " " << e.summary << "\n";
    s << "\nqel13-admin COMMAND --help shows the command's own help.\n";
}

} // namespace

AdminCommand::AdminCommand(const char* name, const char* summary, const char* help,
                           std::function<int(const QStringList&, Io&)> run, AppKind app)
{
    registry()[QString::fromUtf8(name)] = {QString::fromUtf8(summary), QString::fromUtf8(help), std::move(run), app};
}

int runSubcommand(const QStringList& args, Io& io, const std::vector<Subcommand>& subcommands)
{
    if (args.isEmpty()) {
        QStringList names;
        for (const Subcommand& s : subcommands)
            names << QLatin1Char('\'') + QString::fromUtf8(s.first) + QLatin1Char('\'');
        const QString last = names.takeLast();
        throw UsageError{QStringLiteral("expected ")
                         + (names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last)};
    }
    const QString sub = args.first();
    for (const Subcommand& s : subcommands)
        if (sub == QLatin1String(s.first))
            return s.second(args.mid(1), io);
    throw UsageError{QStringLiteral("unknown subcommand '%1'").arg(sub)};
}

Options::Options(const QStringList& args, const QStringList& valueOptions, const QStringList& flags)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (valueOptions.contains(a)) {
            if (i + 1 >= args.size())
                throw UsageError{QStringLiteral("option %1 needs a value").arg(a)};
            values_.insert(a, args[++i]);
        } else if (flags.contains(a)) {
            flags_ << a;
        } else if (a.startsWith(QLatin1String("--")) && a.size() > 2) {
            throw UsageError{QStringLiteral("unknown option %1").arg(a)};
        } else {
            positional_ << a;
        }
    }
}

QString Options::value(const QString& key) const { return values_.value(key); }

QString Options::required(const QString& key) const
{
    if (!values_.contains(key))
        throw UsageError{QStringLiteral("missing option %1").arg(key)};
    return values_.value(key);
}

bool Options::has(const QString& key) const { return flags_.contains(key) || values_.contains(key); }

} // namespace qel::admin

int main(int argc, char** argv)
{
    using namespace qel::admin;
    // Exports convert a date per row: the time zone is read once, as the client reads it.
    qel::os::readTimeZoneOnce();
    // A command that paints (the sheet statements) gets a GUI application, offscreen: the
    // tool runs without a display.
    const auto named = argc > 1 ? registry().find(QString::fromLocal8Bit(argv[1])) : registry().end();
    std::unique_ptr<QCoreApplication> application;
    if (named != registry().end() && named->second.app == AppKind::Gui) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // Qt's own notes about the platform (no runtime folder, no window manager) would
        // read as the command's complaints; real errors still reach stderr.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                QTextStream(stderr) << message << "\n";
        });
        application = std::make_unique<QApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication& app = *application;
    QTextStream out(stdout), err(stderr);
    Io io{out, err};
    QStringList args = app.arguments().mid(1);

    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")
        || args[0] == QLatin1String("help")) {
        printUsage(args.isEmpty() ? err : out);
        return args.isEmpty() ? 1 : 0;
    }
    const QString name = args.takeFirst();
    auto it = registry().find(name);
    if (it == registry().end()) {
        err << "qel13-admin: unknown command '" << name << "'\n";
        printUsage(err);
        return 1;
    }
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        out << it->second.help;
        return 0;
    }
    try {
        const int code = it->second.run(args, io);
        out.flush();
        return code;
    } catch (const UsageError& e) {
        out.flush();
        err << "qel13-admin " << name << ": " << e.message << "\n"
            << "Try 'qel13-admin " << name << " --help'.\n";
    } catch (const qel::Error& e) {
        out.flush();
        err << "qel13-admin " << name << ": " << e.message() << "\n";
    } catch (const qel::wire::ServerError& e) {
        out.flush();
        err << "qel13-admin " << name << ": " << e.message() << "\n";
    } catch (const std::exception& e) {
        out.flush();
        err << "qel13-admin " << name << ": " << e.what() << "\n";
    }
    return 1;
}
