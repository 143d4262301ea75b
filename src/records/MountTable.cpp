#include "records/MountTable.h"

#include <fstream>
#include <sstream>
#include <string_view>

namespace callpad {

namespace {

// The table writes space, tab, newline and backslash in a mount point as octal: "/mnt/a\040b".
std::string unescapeMountPoint(std::string_view field) {
    std::string point;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool octal = field[i] == '\\' && i + 3 < field.size() &&
                           field.substr(i + 1, 3).find_first_not_of("01234567") == std::string_view::npos;
        if (octal) {
            point += static_cast<char>(std::stoi(std::string(field.substr(i + 1, 3)), nullptr, 8));
            i += 3;
        } else {
            point += field[i];
        }
    }
    return point;
}

bool holds(const std::string& mountPoint, const std::string& folder) {
    if (mountPoint == "/") {
        return true;
    }
    return folder.starts_with(mountPoint) && (folder.size() == mountPoint.size() || folder[mountPoint.size()] == '/');
}

std::optional<std::string> lockKeepingOption(std::string_view type, const std::string& options) {
    std::istringstream list(options);
    for (std::string option; std::getline(list, option, ',');) {
        const bool nfs = type.starts_with("nfs");
        const bool smb = type == "cifs" || type == "smb3";
        if ((nfs && (option == "nolock" || option == "local_lock=posix" || option == "local_lock=all")) ||
            (smb && option == "nobrl")) {
            return option;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> localLockOption(const std::filesystem::path& folder,
                                           const std::filesystem::path& mountTable) {
    std::error_code error;
    std::filesystem::path real = std::filesystem::weakly_canonical(folder, error);
    const std::string where = error ? folder.string() : real.string();
    std::ifstream table(mountTable);
    std::string bestPoint;
    std::string bestType;
    std::string bestOptions;
    bool found = false;
    // The last of several mounts on the same point is the one that is seen.
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string device, point, type, options;
        if (!(fields >> device >> point >> type >> options)) {
            continue;
        }
        point = unescapeMountPoint(point);
        if (holds(point, where) && (!found || point.size() >= bestPoint.size())) {
            found = true;
            bestPoint = point;
            bestType = type;
            bestOptions = options;
        }
    }
    return found ? lockKeepingOption(bestType, bestOptions) : std::nullopt;
}

}  // namespace callpad
