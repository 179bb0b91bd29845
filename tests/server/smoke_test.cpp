#include "server/server.h"
#include "tests/support/modal.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QCryptographicHash>
#include <QDebug>
#include <gtest/gtest.h>

using namespace qel;

TEST(Smoke, Basics)
{
    const QString dir = test::freshTempDir(QStringLiteral("smoke"));
    const QString path = dir + QStringLiteral("/QEL.sqlite");
    server::createDatabase(path, false);
    auto admin = server::Session::administrator(path);
    admin->execute(QStringLiteral("INSERT INTO s_fio (id_student, s_fio, idid) VALUES (1, 'Иванов Иван', '001'), (2, 'петров пётр', '002')"));
    auto r = admin->execute(QStringLiteral("SELECT TOP 1 * FROM qel.dbo.s_fio WHERE s_fio = 'ИВАНОВ ИВАН  ' ORDER BY id_student"));
    ASSERT_EQ(r.resultSets.size(), 1);
    ASSERT_EQ(r.resultSets[0].rows.size(), 1);
    EXPECT_EQ(r.resultSets[0].columns[1].baseTable, QStringLiteral("s_fio"));
    EXPECT_EQ(r.resultSets[0].columns[1].size, 100);
    auto u = admin->execute(QStringLiteral("UPDATE s_fio SET idid = ? WHERE id_student = ? AND idid = ?"), {QStringLiteral("X"), 2, QStringLiteral("nope")});
    EXPECT_EQ(u.rowsAffected, 0);
    try {
        server::Session s(path, QStringLiteral("qel_start"), QStringLiteral("bad"));
        FAIL();
    } catch (const wire::ServerError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Login failed for user 'qel_start'."));
    }
}

TEST(Smoke, TypesAndDates)
{
    const QString dir = test::freshTempDir(QStringLiteral("smoke2"));
    const QString path = dir + QStringLiteral("/QEL.sqlite");
    server::createDatabase(path, false);
    auto admin = server::Session::administrator(path);
    admin->execute(QStringLiteral("SET DATEFORMAT dmy"));
    auto ins = admin->execute(QStringLiteral("INSERT INTO mark_mag([id_group],[p36],[dopusk_izm],[m1],[p35]) VALUES (1,'01.02.03',1,7.5,'a''b')"));
    EXPECT_EQ(ins.rowsAffected, 1);
    auto r = admin->execute(QStringLiteral("SELECT id_mark_mag, p36, dopusk_izm, m1, p35, oper, QEL_Update FROM mark_mag WHERE p36 = '01.02.2003'"));
    ASSERT_EQ(r.resultSets[0].rows.size(), 1);
    const auto& row = r.resultSets[0].rows[0];
    EXPECT_EQ(row[1].typeId(), QMetaType::QDateTime);
    EXPECT_EQ(row[1].toDateTime().date(), QDate(2003, 2, 1));
    EXPECT_EQ(row[2].typeId(), QMetaType::Bool);
    EXPECT_EQ(row[3].toDouble(), 7.5);
    EXPECT_EQ(row[4].toString(), QStringLiteral("a'b"));
    EXPECT_EQ(row[5].toString(), QStringLiteral("I"));
    EXPECT_TRUE(r.resultSets[0].columns[0].identity);
    auto u = admin->execute(QStringLiteral("UPDATE mark_mag SET p36 = ? WHERE id_mark_mag = ? AND p36 = ?"),
                            {QDate(2020, 5, 6), row[0], row[1]});
    EXPECT_EQ(u.rowsAffected, 1);
    auto r2 = admin->execute(QStringLiteral("SELECT p36 FROM mark_mag"));
    EXPECT_EQ(r2.resultSets[0].rows[0][0].toDateTime(), QDateTime(QDate(2020, 5, 6), QTime(0, 0)));
}

#include "server/contract.h"
TEST(Smoke, Demo)
{
    const QString dir = test::freshTempDir(QStringLiteral("smoke3"));
    const QString path = dir + QStringLiteral("/QEL.sqlite");
    QElapsedTimer t; t.start();
    server::Session start(path, QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    qDebug() << "created in" << t.elapsed();
    auto r = start.execute(QStringLiteral("EXEC GET_USER 'demo','%1',NULL, 'QEL 13', '10.0.0.1', 'host', 'demo','0','4'")
        .arg(QString::fromLatin1(QCryptographicHash::hash("demo2026", QCryptographicHash::Md5).toHex()).toUpper()));
    ASSERT_EQ(r.resultSets.size(), 1);
    for (auto& v : r.resultSets[0].rows[0]) qDebug() << v;
    QString acc, pwd;
    for (QChar c : r.resultSets[0].rows[0][0].toString()) acc += QChar(c.unicode() + 1);
    for (QChar c : r.resultSets[0].rows[0][1].toString()) pwd += QChar(c.unicode() + 1);
    server::Session user(path, acc, pwd);
    user.execute(QStringLiteral("SET DATEFORMAT dmy"));
    auto params = server::contract::parametersOf(*server::contract::findRoutine(QStringLiteral("SORT_MARK_MAG")));
    QList<QVariant> vals = {1, 1, 1, 1, 1, QStringLiteral("1=1"), 0, 0, 0, 1, -1, 1, 5};
    for (int i = 0; i < vals.size(); ++i) params[i + 1].value = vals[i];
    auto sheet = user.callProcedure(QStringLiteral("SORT_MARK_MAG"), params);
    qDebug() << "rows" << sheet.resultSets[0].rows.size();
    for (auto& c : sheet.resultSets[0].columns) qDebug() << c.name << wire::columnTypeName(c.type) << c.size << c.baseTable << c.identity;
    for (auto& v : sheet.resultSets[0].rows[0]) qDebug() << v;
}
