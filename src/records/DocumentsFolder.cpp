#include "records/DocumentsFolder.h"

#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace callpad {

namespace {

constexpr std::string_view kDocumentsKey = "XDG_DOCUMENTS_DIR=";

// The value of a user-dirs.dirs line: "$HOME/ドキュメント" -> home/ドキュメント. The file is written by
// xdg-user-dirs as shell assignments of a double-quoted "$HOME/..." or absolute path.
std::optional<std::filesystem::path> documentsValue(std::string_view line, const std::filesystem::path& home) {
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    if (!line.starts_with(kDocumentsKey)) {
        return std::nullopt;
    }
    line.remove_prefix(kDocumentsKey.size());
    std::string value;
    if (line.starts_with('"')) {
        for (std::size_t i = 1; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                ++i;
            }
            value += line[i];
        }
    } else {
        value = std::string(line.substr(0, line.find_first_of(" \t\r")));
    }
    constexpr std::string_view kHome = "$HOME";
    if (value.starts_with(kHome) && (value.size() == kHome.size() || value[kHome.size()] == '/')) {
        const std::filesystem::path below = std::filesystem::path(value.substr(kHome.size())).relative_path();
        return below.empty() ? home : home / below;
    }
    if (value.starts_with('/')) {
        return std::filesystem::path(value);
    }
    return std::nullopt;
}

bool isFolder(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

}  // namespace

std::filesystem::path documentsFolder(const std::filesystem::path& home, const std::filesystem::path& configHome) {
    std::ifstream userDirs(configHome / "user-dirs.dirs");
    std::optional<std::filesystem::path> configured;
    for (std::string line; std::getline(userDirs, line);) {
        if (auto value = documentsValue(line, home)) {
            configured = std::move(value);
        }
    }
    if (configured && isFolder(*configured)) {
        return *configured;
    }
    if (isFolder(home / "Documents")) {
        return home / "Documents";
    }
    return home;
}

}  // namespace callpad
