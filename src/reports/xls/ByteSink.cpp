#include "reports/xls/ByteSink.h"

namespace YExcel
{
void CountingSink::write(const void *, std::size_t size)
{
    m_position += size;
}

void StringSink::write(const void *data, std::size_t size)
{
    m_bytes.append(static_cast<const char *>(data), size);
    m_position += size;
}
}
