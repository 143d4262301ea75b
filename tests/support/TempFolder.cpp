#include "support/TempFolder.h"

#include <atomic>
#include <chrono>
#include <iterator>
#include <set>
#include <stdexcept>

namespace callpad::test {

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(in), {}};
}

namespace {

// Unique among the test programs that run at the same time: the start of this program, then a count.
std::filesystem::path freshPath() {
    static const auto started = std::chrono::steady_clock::now().time_since_epoch().count();
    static std::atomic<int> counter{0};
    return std::filesystem::temp_directory_path() /
           ("callpad-test-" + std::to_string(started) + "-" + std::to_string(counter++));
}

}  // namespace

TempFolder::TempFolder() : m_folder(freshPath()) {
    std::filesystem::create_directories(root());
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(root(), std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(root(), ignored);
}

std::string TempFolder::listing() const {
    std::set<std::u8string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root())) {
        names.insert(entry.path().filename().u8string());
    }
    std::string result;
    for (const auto& name : names) {
        result += (result.empty() ? "" : " ") + std::string(name.begin(), name.end());
    }
    return result;
}

std::string fixtureBytes(std::string_view fixture) {
    return fileBytes(utf8Path(CALLPAD_TEST_DATA) / utf8Path(fixture));
}

}  // namespace callpad::test
