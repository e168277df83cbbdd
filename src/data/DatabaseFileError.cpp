#include "data/DatabaseFileError.h"

#include <utility>

DatabaseFileError::DatabaseFileError(std::string path, std::string reason)
    : std::runtime_error {path + ": " + reason}
    , m_path {std::move(path)}
    , m_reason {std::move(reason)}
{
}
