#pragma once

#include <filesystem>

namespace callpad {

// The user's documents folder, where the exported workbook goes so that file managers and the
// spreadsheet's open dialog show it: XDG_DOCUMENTS_DIR from configHome/user-dirs.dirs (e.g.
// ~/ドキュメント on a Japanese desktop), else home/Documents, else home. Only a folder that exists is
// chosen, so the export never creates one.
std::filesystem::path documentsFolder(const std::filesystem::path& home, const std::filesystem::path& configHome);

}  // namespace callpad
