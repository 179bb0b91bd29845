// qel13-admin: the command-line companion. Each command lives in its own file and
// registers itself here with a static AdminCommand object.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <utility>
#include <vector>

namespace qel::admin {

struct Io {
    QTextStream& out;
    QTextStream& err;
};

// Thrown by commands for a wrong invocation; the message goes to stderr with exit code 1.
struct UsageError {
    QString message;
};

// What a command needs of Qt: the core alone, or fonts and painting (a GUI application on
// the offscreen platform unless QT_QPA_PLATFORM says otherwise).
enum class AppKind { Core, Gui };

struct AdminCommand {
    // name: the first word ("digest", "settings", "formula", "db"); help: the text of
    // "qel13-admin NAME --help"; run: gets the words after the name, returns the exit code.
    AdminCommand(const char* name, const char* summary, const char* help,
                 std::function<int(const QStringList&, Io&)> run, AppKind app = AppKind::Core);
};

// A command's second word and what it runs on the words after it.
using Subcommand = std::pair<const char*, std::function<int(const QStringList&, Io&)>>;

// Runs the subcommand the first word names; a missing or unknown one is a UsageError
// ("expected 'a', 'b' or 'c'", "unknown subcommand 'x'").
int runSubcommand(const QStringList& args, Io& io, const std::vector<Subcommand>& subcommands);

// Options of the form "--key value" and flags "--flag"; everything else is positional.
class Options {
public:
    Options(const QStringList& args, const QStringList& valueOptions, const QStringList& flags);
    QString value(const QString& key) const;      // empty when absent
    QString required(const QString& key) const;   // throws UsageError when absent
    bool has(const QString& key) const;
    const QStringList& positional() const { return positional_; }

private:
    QHash<QString, QString> values_;
    QStringList flags_;
    QStringList positional_;
};

} // namespace qel::admin
