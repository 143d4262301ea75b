#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "records/DataFolder.h"

namespace callpad {

inline constexpr std::string_view kReporterListPath = "c:\\callpadRT.txt";
inline constexpr std::string_view kRecipientListPath = "c:\\callpadUT.txt";

// One name list in memory: names in slots 1 to NameCount, slot 0 never used, at most 20 names.
struct NameList {
    static constexpr int kCapacity = 20;

    std::array<std::string, kCapacity + 1> slot{};
    int NameCount = 0;
    // Names after the 20th of a file made by hand; kept so that nothing of such a file is lost.
    std::vector<std::string> beyondCapacity;
    // The file could not be read whole: it holds bytes that are no text of code page 932.
    bool damaged = false;
};

// Reads the file into slots 1 onward. A missing file gives an empty list; throws FileError.
void LoadNameList(const DataFolder& folder, std::string_view drivePath, NameList& list);

// Replaces the file with slots 1 to NameCount, then the names beyond the 20th; throws FileError.
// Every name must pass checkFieldText.
void SaveNameList(const DataFolder& folder, std::string_view drivePath, const NameList& list);

// Every name of the list in file order, for a choice list: slots 1 to NameCount, then the names
// beyond the 20th, so that no name of the file is missing from the box.
std::vector<std::string> choiceItems(const NameList& list);

}  // namespace callpad
