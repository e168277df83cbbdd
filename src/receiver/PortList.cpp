#include "receiver/PortList.h"

#include <algorithm>

#include "base/TextOrder.h"

namespace
{
bool lessByUtf16Units(const std::string &left, const std::string &right)
{
    return compareUtf16(left, right) < 0;
}
}

bool PortList::insert(const std::string &name)
{
    const auto at = std::lower_bound(m_names.begin(), m_names.end(), name, lessByUtf16Units);
    if (at != m_names.end() && *at == name)
        return false;
    m_names.insert(at, name);
    return true;
}

bool PortList::erase(const std::string &name)
{
    const auto at = std::find(m_names.begin(), m_names.end(), name);
    if (at == m_names.end())
        return false;
    m_names.erase(at);
    return true;
}

bool PortList::contains(const std::string &name) const
{
    return std::find(m_names.begin(), m_names.end(), name) != m_names.end();
}

void PortList::assign(const std::vector<std::string> &names)
{
    m_names.clear();
    for (const std::string &name : names)
        insert(name);
}

PortList::Changes PortList::changesTo(const std::vector<std::string> &present) const
{
    PortList next;
    next.assign(present);
    Changes changes;
    for (const std::string &name : next.m_names) {
        if (!contains(name))
            changes.arrived.push_back(name);
    }
    for (const std::string &name : m_names) {
        if (!next.contains(name))
            changes.removed.push_back(name);
    }
    return changes;
}
