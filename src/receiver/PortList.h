#pragma once

#include <string>
#include <vector>

// The serial ports present, by name, each once, in UTF-16 code-unit order
// (so /dev/ttyS12 sorts before /dev/ttyS3). The main thread keeps it current;
// the setup window offers it.
class PortList
{
public:
    struct Changes
    {
        std::vector<std::string> arrived;
        std::vector<std::string> removed;
    };

    // True when the name was not there yet.
    bool insert(const std::string &name);
    // True when the name was there.
    bool erase(const std::string &name);
    bool contains(const std::string &name) const;
    void assign(const std::vector<std::string> &names);
    const std::vector<std::string> &names() const { return m_names; }

    // What arrived and what went away, for a new list of the ports present.
    Changes changesTo(const std::vector<std::string> &present) const;

private:
    std::vector<std::string> m_names;
};
