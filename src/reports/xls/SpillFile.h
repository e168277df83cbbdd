#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reports/xls/ByteSink.h"

namespace YExcel
{
// A file without a name that sheets are written out to as they fill, so a
// workbook of any size holds no more than one sheet's cells in memory. It
// lives in the folder of the workbook (on the disk that will take the
// workbook anyway) and goes with the object, or with the process.
// Used on one thread at a time.
class SpillFile : public ByteSink
{
public:
    SpillFile() = default;
    ~SpillFile() override;
    SpillFile(const SpillFile &) = delete;
    SpillFile &operator=(const SpillFile &) = delete;

    // False with error when no file can be made in folder.
    bool open(const std::string &folder, std::string &error);
    bool isOpen() const { return m_fd >= 0; }

    // Appends; the first failure sticks and is told by flush().
    void write(const void *data, std::size_t size) override;
    // Puts out what is buffered; false with error after any failed write.
    bool flush(std::string &error);

    // Copies length bytes from offset (written and flushed before) into
    // sink; false with error when they cannot all be read.
    bool copyTo(ByteSink &sink, std::uint64_t offset, std::uint64_t length, std::string &error) const;

private:
    void writeOut(const char *data, std::size_t size);

    int m_fd = -1;
    int m_errno = 0;
    std::vector<char> m_buffer;
};
}
