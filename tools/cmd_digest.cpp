// qel13-admin digest TEXT: the password digest of a text.
#include "data/password_digest.h"
#include "tools/admin.h"

namespace qel::admin {
namespace {

const AdminCommand digestCommand(
    "digest", "print the password digest (MD5 of the Windows-1251 bytes) of a text",
    "Usage: qel13-admin digest TEXT\n"
    "Prints the password digest of TEXT: MD5 over its Windows-1251 bytes as 32 upper-case\n"
    "hexadecimal digits, the form the server compares.\n",
    [](const QStringList& args, Io& io) {
        if (args.size() != 1)
            throw UsageError{QStringLiteral("expected exactly one TEXT")};
        io.out << passwordDigest(args[0]) << "\n";
        return 0;
    });

} // namespace
} // namespace qel::admin
