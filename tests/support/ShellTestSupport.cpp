#include "support/ShellTestSupport.h"

#include <stdexcept>

#include <Poco/Data/SQLite/Connector.h>

#include "support/RawDatabase.h"

OperatorDatabase::OperatorDatabase()
{
    Poco::Data::SQLite::Connector::registerConnector();
    m_db = std::make_unique<DbManage>(m_folder.path());
}

OperatorDatabase::~OperatorDatabase() = default;

stUser OperatorDatabase::add(const std::string &name, const std::string &password, std::uint8_t authority,
                             const std::string &post, bool gender)
{
    stUser user {gender, authority, 0, password, name, post};
    if (!m_db->InsertOperator(user))
        throw std::runtime_error("cannot store the operator " + name);
    return user;
}

std::vector<stUser> OperatorDatabase::operators()
{
    return m_db->GetOperators();
}

std::optional<stUser> OperatorDatabase::stored(const std::string &name)
{
    for (stUser &user : m_db->GetOperators()) {
        if (user.Operator == name)
            return user;
    }
    return std::nullopt;
}

void OperatorDatabase::breakOperatorTable()
{
    RawDatabase(*m_db).system() << "ALTER TABLE TBOperator RENAME TO TBOperatorGone", Poco::Data::Keywords::now;
}
