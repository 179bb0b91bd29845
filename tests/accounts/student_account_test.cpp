// The texts behind a student's account change: the name split that feeds the login
// proposal and the audit description.
#include "accounts/student_account.h"

#include <gtest/gtest.h>

using namespace qel;

TEST(StudentAccount, FullNamesSplitAtBlanksUntilTwoBlanksInARow)
{
    struct Case {
        QString name;
        QStringList parts;
    };
    const Case cases[] = {
        {QStringLiteral("Иванов Пётр Сергеевич"), {"Иванов", "Пётр", "Сергеевич"}},
        {QStringLiteral("Иванов"), {"Иванов"}},
        {QStringLiteral("Иванов  Пётр Сергеевич"), {"Иванов", " Пётр Сергеевич"}},
        {QStringLiteral(" Иванов Пётр"), {" Иванов Пётр"}},
        {QStringLiteral("Иванов Пётр "), {"Иванов", "Пётр", ""}},
        {QString(), {""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(accounts::splitFullName(c.name), c.parts) << c.name.toStdString();
}

TEST(StudentAccount, TheChangeDescriptionQuotesEachValue)
{
    EXPECT_EQ(accounts::accountChangeDescription(QStringLiteral("old"), QStringLiteral("A1"), QStringLiteral("new"),
                                                 QStringLiteral("B2")),
              QStringLiteral("Логин-\"old\" и Пароль-\"A1\" изменили значения на Логин-\"new\" и Пароль-\"B2\""));
}
