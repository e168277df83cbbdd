#include "support/DataFixture.h"

#include <Poco/Data/SQLite/Connector.h>

DataFixture::DataFixture()
{
    Poco::Data::SQLite::Connector::registerConnector();
}

DataFixture::~DataFixture() = default;

std::unique_ptr<DbManage> DataFixture::open() const
{
    return std::make_unique<DbManage>(m_folder.path());
}
