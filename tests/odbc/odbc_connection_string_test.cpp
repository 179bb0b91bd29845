// The FreeTDS connection string built from the client's OLE DB keys.
#include "platform/db/driver.h"
#include "platform/db/odbc_connection_string.h"
#include "platform/db/odbc_driver.h"

#include <gtest/gtest.h>

using qel::db::ConnectionString;

namespace {

ConnectionString oledb(const QString& dataSource, const QString& catalog, const QString& user, const QString& password)
{
    ConnectionString cs;
    cs.set(QStringLiteral("Provider"), QStringLiteral("SQLOLEDB.1"));
    cs.set(QStringLiteral("Password"), password);
    cs.set(QStringLiteral("User ID"), user);
    if (!catalog.isNull())
        cs.set(QStringLiteral("Initial Catalog"), catalog);
    cs.set(QStringLiteral("Data Source"), dataSource);
    return cs;
}

const QString kTail = QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;TextSize=2147483647;");

} // namespace

TEST(OdbcConnectionString, MapsTheOleDbKeys)
{
    struct Case { QString dataSource, catalog, user, password, expected; };
    const Case cases[] = {
        {"srv01", "QEL", "qel_user", "secret",
         "DRIVER={FreeTDS};SERVER=srv01;DATABASE=QEL;UID=qel_user;PWD=secret;" + kTail},
        // Named instance: FreeTDS asks the server's browser for the port.
        {"srv01\\SQLEXPRESS", "QEL", "u", "p",
         "DRIVER={FreeTDS};SERVER=srv01\\SQLEXPRESS;DATABASE=QEL;UID=u;PWD=p;" + kTail},
        {"10.0.0.5,1444", "QEL", "u", "p",
         "DRIVER={FreeTDS};SERVER=10.0.0.5;PORT=1444;DATABASE=QEL;UID=u;PWD=p;" + kTail},
        {" tcp:srv01 , 01444 ", "QEL", "u", "p",
         "DRIVER={FreeTDS};SERVER=srv01;PORT=1444;DATABASE=QEL;UID=u;PWD=p;" + kTail},
        // A port wins over the instance name, as with the native clients.
        {"srv01\\INST,1500", "QEL", "u", "p",
         "DRIVER={FreeTDS};SERVER=srv01;PORT=1500;DATABASE=QEL;UID=u;PWD=p;" + kTail},
        {"(local)", "QEL", "u", "p", "DRIVER={FreeTDS};SERVER=localhost;DATABASE=QEL;UID=u;PWD=p;" + kTail},
        {".\\SQLEXPRESS", "QEL", "u", "p",
         "DRIVER={FreeTDS};SERVER=localhost\\SQLEXPRESS;DATABASE=QEL;UID=u;PWD=p;" + kTail},
        {"", "QEL", "u", "p", "DRIVER={FreeTDS};SERVER=localhost;DATABASE=QEL;UID=u;PWD=p;" + kTail},
        // No catalogue: the login's default database.
        {"srv01", QString(), "u", "p", "DRIVER={FreeTDS};SERVER=srv01;UID=u;PWD=p;" + kTail},
        // An empty account is sent as it is and fails at the server like any wrong login.
        {"srv01", "QEL", "", "", "DRIVER={FreeTDS};SERVER=srv01;DATABASE=QEL;UID=;PWD=;" + kTail},
        {"srv01", "Учёба", "Иванов", "пароль",
         "DRIVER={FreeTDS};SERVER=srv01;DATABASE=Учёба;UID=Иванов;PWD=пароль;" + kTail},
        // Values that would end or open an attribute go in braces with "}" doubled.
        {"srv01", "QEL", "u", "a;b", "DRIVER={FreeTDS};SERVER=srv01;DATABASE=QEL;UID=u;PWD={a;b};" + kTail},
        {"srv01", "QEL", "u", "p{a}ss", "DRIVER={FreeTDS};SERVER=srv01;DATABASE=QEL;UID=u;PWD={p{a}}ss};" + kTail},
        {"srv01", "QEL", "u", "}", "DRIVER={FreeTDS};SERVER=srv01;DATABASE=QEL;UID=u;PWD={}}};" + kTail},
        {"srv01", "QEL", "u", " pad ", "DRIVER={FreeTDS};SERVER=srv01;DATABASE=QEL;UID=u;PWD={ pad };" + kTail},
        {"srv01", "QEL", "u", "a=b'c\"d", "DRIVER={FreeTDS};SERVER=srv01;DATABASE=QEL;UID=u;PWD=a=b'c\"d;" + kTail},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qel::db::odbcConnectionString(oledb(c.dataSource, c.catalog, c.user, c.password)), c.expected)
            << c.dataSource.toStdString() << " / " << c.password.toStdString();
}

TEST(OdbcConnectionString, ReadsTheClientsOwnConnectionString)
{
    const auto cs = ConnectionString::parse(QStringLiteral(
        "Provider=SQLOLEDB.1;Password=pw;Persist Security Info=True;User ID=sa1;Initial Catalog=QEL;"
        "Data Source=db-server\\MAIN;Use Procedure for Prepare=1;Auto Translate=True;"
        "Packet Size=4096;Use Encryption for Data=False;Tag with column collation when possible=False"));
    EXPECT_EQ(qel::db::odbcConnectionString(cs),
              "DRIVER={FreeTDS};SERVER=db-server\\MAIN;DATABASE=QEL;UID=sa1;PWD=pw;" + kTail);

    const auto driver = qel::db::makeOdbcDriver(cs);
    const auto* odbc = dynamic_cast<const qel::db::OdbcDriver*>(driver.get());
    ASSERT_NE(odbc, nullptr);
    EXPECT_EQ(odbc->connectionString(), qel::db::odbcConnectionString(cs));
    EXPECT_FALSE(odbc->isOpen());
}

TEST(OdbcConnectionString, RefusesAPortThatIsNotOne)
{
    for (const QString dataSource : {"srv01,abc", "srv01,0", "srv01,65536", "srv01,", "srv01,-1"}) {
        try {
            qel::db::odbcConnectionString(oledb(dataSource, "QEL", "u", "p"));
            ADD_FAILURE() << "accepted " << dataSource.toStdString();
        } catch (const qel::db::DbError& e) {
            EXPECT_TRUE(e.message().contains(dataSource)) << e.message().toStdString();
        }
    }
}
