// FN_CreateLogin: the portal login proposed for a student from the surname and given name.
#include "server/routines.h"

#include <sqlite3.h>

namespace qel::server {
namespace {

QString transliterate(const QString& text)
{
    static const char* const table[] = {
        "a", "b", "v", "g", "d", "e", "zh", "z", "i", "i", "k", "l", "m", "n", "o", "p",
        "r", "s", "t", "u", "f", "kh", "ts", "ch", "sh", "shch", "ie", "y", "", "e", "iu", "ia"};
    QString out;
    for (QChar ch : text.toLower()) {
        const char16_t u = ch.unicode();
        if (u >= 0x430 && u <= 0x44F)
            out += QLatin1String(table[u - 0x430]);
        else if (u == 0x451)
            out += QLatin1Char('e');
        else if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
            out += ch;
        else if (u == 0x456) // і
            out += QLatin1Char('i');
    }
    return out;
}

bool taken(sqlite3* db, const QString& login)
{
    static const char* sql = "SELECT 1 FROM Student WHERE login = ?1 UNION ALL SELECT 1 FROM QEL_User WHERE QEL_login = ?1";
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
        return false;
    const QByteArray u = login.toUtf8();
    sqlite3_bind_text(st, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
    const bool found = sqlite3_step(st) == SQLITE_ROW;
    sqlite3_finalize(st);
    return found;
}

void fnCreateLogin(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto text = [](sqlite3_value* v) {
        if (sqlite3_value_type(v) == SQLITE_NULL)
            return QString();
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
    };
    const QString base = proposedLogin(text(argv[0]), text(argv[1]));
    sqlite3* db = sqlite3_context_db_handle(ctx);
    QString login = base;
    for (int n = 2; taken(db, login) && n < 10000; ++n)
        login = base.left(36) + QString::number(n);
    const QByteArray u = login.toUtf8();
    sqlite3_result_text(ctx, u.constData(), u.size(), SQLITE_TRANSIENT);
}

} // namespace

QString proposedLogin(const QString& surname, const QString& name)
{
    QString login = transliterate(surname.trimmed());
    if (login.isEmpty())
        login = QStringLiteral("student");
    const QString initial = transliterate(name.trimmed()).left(1);
    if (!initial.isEmpty())
        login += QLatin1Char('.') + initial;
    return login.left(40);
}

void registerCreateLogin(Storage& storage)
{
    sqlite3_create_function_v2(storage.handle(), "FN_CreateLogin", 2, SQLITE_UTF8, nullptr, fnCreateLogin, nullptr,
                               nullptr, nullptr);
}

} // namespace qel::server
