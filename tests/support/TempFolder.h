#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with its
// content when the object goes. path() ends in a separator.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::string &path() const { return m_path; }
    std::string file(const std::string &name) const { return m_path + name; }

private:
    std::string m_path;
};

bool fileExists(const std::string &path);
std::string readFile(const std::string &path);
void writeFile(const std::string &path, const std::string &content);
