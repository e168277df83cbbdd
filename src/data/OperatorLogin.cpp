#include "data/OperatorLogin.h"

#include <optional>

#include "data/DbManage.h"
#include "data/OperatorRules.h"

namespace
{
// The account keeps the name as typed; its password starts empty whatever
// was typed.
LoginResult createAdmin(DbManage &db, const std::string &name)
{
    LoginResult result;
    stUser admin {false, OperatorRules::AdminAuthority, 0, {}, name, {}};
    if (!db.InsertOperator(admin))
        return result;
    result.outcome = LoginResult::Outcome::AdminCreated;
    result.user = admin;
    return result;
}
}

LoginResult logIn(DbManage &db, const std::string &name, const std::string &password)
{
    bool found = false;
    std::optional<stUser> matched;
    db.FindOperator(name, [&](const std::string &stored, const std::string &post, bool gender,
                              std::uint64_t authority) {
        found = true;
        if (!matched && stored == password)
            matched = stUser {gender, static_cast<std::uint8_t>(authority), 0, password, name, post};
    });
    if (matched)
        return {LoginResult::Outcome::LoggedIn, *matched};
    if (found)
        return {LoginResult::Outcome::WrongPassword, {}};
    if (OperatorRules::isAdminName(name))
        return createAdmin(db, name);
    return {LoginResult::Outcome::NoSuchOperator, {}};
}
