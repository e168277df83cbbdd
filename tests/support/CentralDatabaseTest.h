#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "support/PostgresCluster.h"

// A suite of tests on one throw-away cluster, started once for the suite;
// each test gets a fresh database with the central schema. A cluster that
// cannot be started fails every test with the reason: never a silent skip.
class CentralDatabaseTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_cluster = std::make_unique<PostgresCluster>();
        s_clusterError.clear();
        s_cluster->start(s_clusterError);
    }
    static void TearDownTestSuite() { s_cluster.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_clusterError.empty()) << "PostgreSQL could not be started: " << s_clusterError;
        std::string error;
        ASSERT_TRUE(s_cluster->createDatabase(m_database, error)) << error;
    }

    static PostgresCluster &cluster() { return *s_cluster; }
    // The test's database, as the superuser.
    std::string central() const { return s_cluster->connection(m_database); }
    // The query's first value, as the superuser.
    std::string query(const std::string &sql) const { return s_cluster->value(m_database, sql); }

    std::string m_database;

private:
    static inline std::unique_ptr<PostgresCluster> s_cluster;
    static inline std::string s_clusterError;
};
