#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "records/DataFolder.h"

namespace callpad::test {

// A fresh data folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const DataFolder& folder() const { return m_folder; }
    const std::filesystem::path& root() const { return m_folder.root(); }

    // The bytes of "c:\<name>"; throws when the file is missing.
    std::string read(std::string_view name) const;
    bool exists(std::string_view name) const;
    void write(std::string_view name, std::string_view bytes) const;
    // Copies a fixture from tests/data/<subsystem>/<file> to "c:\<name>".
    void copyFixture(std::string_view fixture, std::string_view name) const;
    // The names of all files in the folder, sorted.
    std::string listing() const;

private:
    DataFolder m_folder;
};

// Error numbers of this platform for injected faults, neither of which the file layer waits out: a
// failing disk, and a lock that the file system refuses.
extern const int kDiskError;
extern const int kLockRefusedError;

// The bytes of tests/data/<fixture>.
std::string fixtureBytes(std::string_view fixture);

}  // namespace callpad::test
