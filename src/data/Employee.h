#pragma once

#include <cstdint>
#include <memory>
#include <string>

// One attendant (a row of TBEmployee).
struct stEmployee
{
    bool Gender = false;
    std::string EmpID;
    std::string EmpName;
    std::string Telephone;
    std::string Remark;
    std::uint64_t ID = 0;
};

using EmployeePtr = std::shared_ptr<stEmployee>;
