// Statements on the program's operators.
#include "data/DbManage.h"

#include <Poco/Data/Statement.h>

#include "data/OperatorRules.h"
#include "data/RowReaders.h"
#include "data/StatementRunner.h"

using namespace Poco::Data::Keywords;
using Poco::Data::Statement;

namespace
{
// The operator record binder: Operator, Password, Post, Gender, Authority, ID.
void bindOperator(Statement &statement, const stUser &u)
{
    statement, bind(nullIfEmpty(u.Operator)), bind(nullIfEmpty(u.Password)), bind(nullIfEmpty(u.Post)),
        bind(Poco::Int32(u.Gender ? 1 : 0)), bind(Poco::Int32(u.Authority)), bind(nullIfZero(u.ID));
}
}

std::vector<std::string> DbManage::GetOperatorNames()
{
    std::vector<std::string> names;
    runLogged("read the operator names", [&] { SystemSession << "SELECT Operator FROM TBOperator;", into(names), now; });
    return names;
}

std::vector<stUser> DbManage::GetOperators()
{
    std::vector<stUser> users;
    runLogged("read the operators", [&] {
        SystemSession << "SELECT ID,Operator,Password,Post,Gender,Authority FROM TBOperator;", into(users), now;
    });
    return users;
}

void DbManage::FindOperator(const std::string &name, const OperatorFound &found)
{
    runLogged("find an operator", [&] {
        std::string upper = OperatorRules::asciiUpper(name);
        std::string password;
        std::string post;
        Poco::Int64 gender = 0;
        Poco::Int64 authority = 0;
        Statement select(SystemSession);
        select << "SELECT Password,Post,Gender,Authority FROM TBOperator where upper(Operator)=?", use(upper),
            into(password), into(post), into(gender), into(authority), limit(1);
        // One row per execution, each handed on before the next is read.
        while (!select.done()) {
            if (select.execute() == 0)
                break;
            found(password, post, gender != 0, static_cast<std::uint64_t>(authority));
        }
    });
}

bool DbManage::InsertOperator(stUser &user)
{
    return insertSystemRow("insert an operator", user.ID, [&] {
        Statement insert(SystemSession);
        insert << "INSERT INTO TBOperator (Operator,Password,Post,Gender,Authority,ID)values(?,?,?,?,?,?)";
        bindOperator(insert, user);
        insert.execute();
    });
}

bool DbManage::UpdateOperator(const stUser &user)
{
    return changeSystemRows("update an operator", [&] {
        Statement update(SystemSession);
        update << "UPDATE TBOperator SET Operator=:na,Password=:pw,Post=:po,Gender=:gn,Authority=:au WHERE ID=:id;";
        bindOperator(update, user);
        update.execute();
    });
}

bool DbManage::UpdateOperatorRights(std::uint8_t authority, std::uint64_t id)
{
    return changeSystemRows("change an operator's rights", [&] {
        SystemSession << "UPDATE TBOperator SET Authority=:au WHERE ID=:id;", bind(Poco::Int32(authority)),
            bind(Poco::UInt64(id)), now;
    });
}

bool DbManage::UpdateOperatorPassword(const std::string &password, std::uint64_t id)
{
    return changeSystemRows("change an operator's password", [&] {
        SystemSession << "UPDATE TBOperator SET Password=:pw WHERE ID=:id;", bind(password), bind(Poco::UInt64(id)),
            now;
    });
}

bool DbManage::DeleteOperator(std::uint64_t id)
{
    return changeSystemRows("delete an operator", [&] {
        SystemSession << "DELETE FROM TBOperator WHERE ID=?;", bind(Poco::UInt64(id)), now;
    });
}

std::optional<std::string> DbManage::GetAdminPassword()
{
    std::string password;
    if (!runLogged("read the administrator's password", [&] {
            SystemSession << "SELECT Password from TBOperator where upper(Operator)=\"ADMIN\";", into(password),
                limit(1), now;
        }))
        return std::nullopt;
    return password;
}
