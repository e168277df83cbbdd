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

// The process's locale for the life of the object, as the desk takes the
// user's at start-up.
class ProcessLocale
{
public:
    explicit ProcessLocale(const char *name)
        : m_previous {std::setlocale(LC_ALL, nullptr)}
        , m_active {std::setlocale(LC_ALL, name) != nullptr}
    {
    }
    ~ProcessLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
    ProcessLocale(const ProcessLocale &) = delete;
    ProcessLocale &operator=(const ProcessLocale &) = delete;

    bool active() const { return m_active; }

private:
    std::string m_previous;
    bool m_active;
};

TEST_F(OperatorLogin, NamesFoldOnlyAsciiLettersUnderAnyLocale)
{
    add("ADMIN", "root", 0xFF);
    add("Jos\xc3\xa9", "ol\xc3\xa9", 0x08); // José
    const struct
    {
        const char *name;
        const char *password;
        Outcome outcome;
    } cases[] = {
        {"admin", "root", Outcome::LoggedIn},
        {"Admin", "", Outcome::WrongPassword},
        {"Jos\xc3\xa9", "ol\xc3\xa9", Outcome::LoggedIn},
        {"jOS\xc3\xa9", "ol\xc3\xa9", Outcome::LoggedIn},
        // É is not é to the database's upper(), so not to the login either.
        {"JOS\xc3\x89", "ol\xc3\xa9", Outcome::NoSuchOperator},
        // Dotless ı and dotted İ are not ASCII letters: neither names ADMIN.
        {"adm\xc4\xb1n", "", Outcome::NoSuchOperator},
        {"ADM\xc4\xb0N", "", Outcome::NoSuchOperator},
    };
    // Turkish folds i to İ: a locale-folded "admin" found no ADMIN and made
    // another all-rights account with an empty password.
    for (const char *locale : {"C.UTF-8", "tr_TR.UTF-8"}) {
        SCOPED_TRACE(locale);
        ProcessLocale active(locale);
        ASSERT_TRUE(active.active()) << locale << " is not installed; scripts/install-deps generates it";
        for (const auto &c : cases) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(c.outcome, logIn(*m_db, c.name, c.password).outcome);
        }
        EXPECT_EQ(2u, operatorCount()) << "no login adds a row";
    }
}

TEST_F(OperatorLogin, AFailedAdminInsertIsAFailure)
{
    RawDatabase(*m_db).system() << "ALTER TABLE TBOperator RENAME TO TBOperatorGone", now;
    EXPECT_EQ(Outcome::Failed, logIn(*m_db, "ADMIN", "").outcome);
}
}
