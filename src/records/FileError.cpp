#include "records/FileError.h"

namespace callpad {

FileError::FileError(FileOperation operation, int number, std::string path, std::string detail, FolderKind folder)
    : std::runtime_error(path + ": " + platform::errorDescription(number)),
      m_operation(operation),
      m_number(number),
      m_description(platform::errorDescription(number)),
      m_path(std::move(path)),
      m_detail(std::move(detail)),
      m_folder(folder) {}

}  // namespace callpad
