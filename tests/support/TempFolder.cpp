#include "support/TempFolder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

#include <atomic>
#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace callpad::test {

namespace {

// Unique among the test programs that run at the same time: the start of this program, then a count.
std::filesystem::path freshPath() {
    static const auto started = std::chrono::steady_clock::now().time_since_epoch().count();
    static std::atomic<int> counter{0};
    return std::filesystem::temp_directory_path() /
           ("callpad-test-" + std::to_string(started) + "-" + std::to_string(counter++));
}

std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::filesystem::path pathOf(const DataFolder& folder, std::string_view name) {
    return folder.root() / pathFromUtf8(name);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace

TempFolder::TempFolder() : m_folder(freshPath()) {
    std::filesystem::create_directories(m_folder.root());
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(root(), std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(root(), ignored);
}

std::string TempFolder::read(std::string_view name) const {
    return readFile(pathOf(m_folder, name));
}

bool TempFolder::exists(std::string_view name) const {
    return std::filesystem::exists(pathOf(m_folder, name));
}

void TempFolder::write(std::string_view name, std::string_view bytes) const {
    std::ofstream out(pathOf(m_folder, name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TempFolder::copyFixture(std::string_view fixture, std::string_view name) const {
    write(name, fixtureBytes(fixture));
}

std::string TempFolder::listing() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root())) {
        const auto name = entry.path().filename().u8string();
        names.insert(std::string(name.begin(), name.end()));
    }
    std::string result;
    for (const auto& name : names) {
        result += (result.empty() ? "" : " ") + name;
    }
    return result;
}

#ifdef _WIN32
const int kDiskError = ERROR_CRC;
const int kLockRefusedError = ERROR_NOT_SUPPORTED;
#else
const int kDiskError = EIO;
const int kLockRefusedError = ENOLCK;
#endif

std::string fixtureBytes(std::string_view fixture) {
    return readFile(pathFromUtf8(CALLPAD_TEST_DATA) / pathFromUtf8(fixture));
}

}  // namespace callpad::test
