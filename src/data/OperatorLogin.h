#pragma once

#include <string>

#include "data/User.h"

class DbManage;

// The check of a login against the stored operators.
//
// Main thread only.
struct LoginResult
{
    enum class Outcome
    {
        LoggedIn,
        // The first login as ADMIN on a database without that account made it.
        AdminCreated,
        WrongPassword,
        NoSuchOperator,
        // Making the ADMIN account failed.
        Failed,
    };

    Outcome outcome = Outcome::Failed;
    // The operator as typed (name, password) with the stored rights, gender
    // and post, when logged in or created.
    stUser user;
};

// Names that differ only in case may have been stored before duplicates were
// refused: the row whose password matches logs in.
LoginResult logIn(DbManage &db, const std::string &name, const std::string &password);
