// Server logins stored in the database file (table sys_logins): the shared first-connection
// account, the per-user working accounts that GET_USER hands out, and their check at connect.
#pragma once

#include "server/storage.h"

#include <QString>

namespace qel::server {

enum class LoginRole : unsigned char {
    Start,          // the first connection: may only run the user check (GET_USER) and SET
    User,           // a working account of one QEL user: the client's statements and routines
    Administrator,  // the server's administrator (qel13-admin db exec): everything
};

struct LoginInfo {
    QString name;
    LoginRole role = LoginRole::User;
    int idQelUser = 0;     // the QEL user a working account belongs to
    QString qelLogin;      // that user's login
};

inline constexpr const char* kStartLogin = "qel_start";
inline constexpr const char* kStartPassword = "qel13start";

// Checks the pair; a wrong one (or a working account of a removed or blocked user) fails
// with "Login failed for user 'NAME'.".
LoginInfo checkLogin(Storage& storage, const QString& name, const QString& password);

// Adds or replaces a login. keepSecret: store the password so that GET_USER can hand it out.
void saveLogin(Storage& storage, const QString& name, const QString& password, LoginRole role, int idQelUser,
               bool keepSecret);

struct Account {
    QString name;
    QString password;
};

// The working account of a QEL user, made on first use with a random password.
Account userAccount(Storage& storage, int idQelUser);

} // namespace qel::server
