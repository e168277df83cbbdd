#include <clocale>
#include <string>

#include <gtest/gtest.h>

#include "data/OperatorLogin.h"
#include "data/OperatorRules.h"
#include "support/DataFixture.h"
#include "support/RawDatabase.h"

using namespace Poco::Data::Keywords;
using Outcome = LoginResult::Outcome;

namespace
{
class OperatorLogin : public DataFixture
{
protected:
    OperatorLogin()
        : m_db {open()}
    {
    }

    void add(const std::string &name, const std::string &password, std::uint8_t authority, const std::string &post = {},
             bool gender = false)
    {
        stUser user {gender, authority, 0, password, name, post};
        ASSERT_TRUE(m_db->InsertOperator(user));
    }

    std::size_t operatorCount() { return m_db->GetOperators().size(); }

    std::unique_ptr<DbManage> m_db;
};

TEST_F(OperatorLogin, NamesIgnoreCaseAndPasswordsDoNot)
{
    add("Clerk", "Secret", 0x05, "Front desk", true);
    // Names equal but for case, stored before duplicates were refused: the
    // row whose password matches logs in.
    add("Anna", "first", 0x01);
    add("ANNA", "second", 0x04);
    const struct
    {
        const char *name;
        const char *password;
        Outcome outcome;
        std::uint8_t authority;
    } cases[] = {
        {"Clerk", "Secret", Outcome::LoggedIn, 0x05},
        {"clerk", "Secret", Outcome::LoggedIn, 0x05},
        {"CLERK", "Secret", Outcome::LoggedIn, 0x05},
        {"Clerk", "secret", Outcome::WrongPassword, 0},
        {"Clerk", "Secret ", Outcome::WrongPassword, 0},
        {"Clerk", "", Outcome::WrongPassword, 0},
        {"anna", "second", Outcome::LoggedIn, 0x04},
        {"anna", "first", Outcome::LoggedIn, 0x01},
        {"anna", "third", Outcome::WrongPassword, 0},
        {"Nobody", "", Outcome::NoSuchOperator, 0},
        {"", "", Outcome::NoSuchOperator, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.name) + "/" + c.password);
        const LoginResult result = logIn(*m_db, c.name, c.password);
        EXPECT_EQ(c.outcome, result.outcome);
        if (c.outcome != Outcome::LoggedIn)
            continue;
        EXPECT_EQ(c.name, result.user.Operator) << "the name as typed";
        EXPECT_EQ(c.password, result.user.Password);
        EXPECT_EQ(c.authority, result.user.Authority);
        EXPECT_EQ(0u, result.user.ID);
    }
    const LoginResult clerk = logIn(*m_db, "clerk", "Secret");
    EXPECT_EQ("Front desk", clerk.user.Post);
    EXPECT_TRUE(clerk.user.Gender);
    EXPECT_EQ(3u, operatorCount()) << "no login adds a row";
}

TEST_F(OperatorLogin, TheFirstAdminLoginMakesTheAccountWithAnEmptyPassword)
{
    const LoginResult created = logIn(*m_db, "Admin", "typed");
    ASSERT_EQ(Outcome::AdminCreated, created.outcome);
    EXPECT_EQ("Admin", created.user.Operator);
    EXPECT_EQ("", created.user.Password);
    EXPECT_EQ(OperatorRules::AdminAuthority, created.user.Authority);
    EXPECT_NE(0u, created.user.ID);

    EXPECT_EQ(Outcome::WrongPassword, logIn(*m_db, "admin", "typed").outcome);
    EXPECT_EQ(Outcome::LoggedIn, logIn(*m_db, "ADMIN", "").outcome);
    EXPECT_EQ(1u, operatorCount());
}

TEST_F(OperatorLogin, AnAdminNameBeyondAsciiMakesNoAccount)
{
    // "admın" (dotless ı) upper-cases to ADMIN under a UTF-8 locale but not
    // in the database: an account made from it would not be the ADMIN
    // account, and the next login would make another one.
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_TRUE(std::setlocale(LC_CTYPE, "C.UTF-8"));
    const LoginResult result = logIn(*m_db, "adm\xc4\xb1n", "");
    std::setlocale(LC_CTYPE, previous.c_str());
    EXPECT_EQ(Outcome::NoSuchOperator, result.outcome);
    EXPECT_EQ(0u, operatorCount());
}

TEST_F(OperatorLogin, AFailedAdminInsertIsAFailure)
{
    RawDatabase(*m_db).system() << "ALTER TABLE TBOperator RENAME TO TBOperatorGone", now;
    EXPECT_EQ(Outcome::Failed, logIn(*m_db, "ADMIN", "").outcome);
}
}
