#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "records/DataFolder.h"

namespace callpad::test {

// The path that UTF-8 text names, on every platform.
inline std::filesystem::path utf8Path(std::string_view text) {
    return std::u8string(text.begin(), text.end());
}
// The bytes of a file; throws when it is missing.
std::string fileBytes(const std::filesystem::path& path);
// The bytes of tests/data/<fixture>.
std::string fixtureBytes(std::string_view fixture);

// A fresh data folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const DataFolder& folder() const { return m_folder; }
    const std::filesystem::path& root() const { return m_folder.root(); }

    // The real path of "c:\<name>".
    std::filesystem::path path(std::string_view name) const { return root() / utf8Path(name); }
    // The bytes of "c:\<name>"; throws when the file is missing.
    std::string read(std::string_view name) const { return fileBytes(path(name)); }
    bool exists(std::string_view name) const { return std::filesystem::exists(path(name)); }
    void write(std::string_view name, std::string_view bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    // Copies a fixture from tests/data/<subsystem>/<file> to "c:\<name>".
    void copyFixture(std::string_view fixture, std::string_view name) const { write(name, fixtureBytes(fixture)); }
    // The names of all files in the folder, sorted.
    std::string listing() const;

private:
    DataFolder m_folder;
};

// The error a call of the file layer throws, or nothing.
template <typename Call>
std::optional<FileError> errorOf(Call call) {
    try {
        call();
    } catch (const FileError& error) {
        return error;
    }
    return std::nullopt;
}

}  // namespace callpad::test
