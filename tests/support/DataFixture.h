#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "data/DbManage.h"
#include "support/TempFolder.h"

// A data folder of its own per test, with POCO's SQLite connector registered.
class DataFixture : public ::testing::Test
{
protected:
    DataFixture();
    ~DataFixture() override;

    std::unique_ptr<DbManage> open() const;
    std::string file(const std::string &name) const { return m_folder.file(name); }
    const std::string &folder() const { return m_folder.path(); }

private:
    TempFolder m_folder;
};
