#include "names/NameList.h"

#include "records/FolderLock.h"
#include "records/TextRecordFile.h"

namespace callpad {

void LoadNameList(const DataFolder& folder, std::string_view drivePath, NameList& list) {
    list.NameCount = 0;
    list.beyondCapacity.clear();
    list.damaged = false;
    TextRecordFile file(folder);
    if (!file.FileExists(drivePath)) {
        return;
    }
    file.OpenForInput(drivePath);
    while (!file.AtEndOfFile()) {
        auto name = file.ReadField();
        if (!name) {
            list.damaged = true;
            break;
        }
        if (list.NameCount < NameList::kCapacity) {
            list.slot[++list.NameCount] = std::move(*name);
        } else {
            list.beyondCapacity.push_back(std::move(*name));
        }
    }
    file.CloseFile();
}

void SaveNameList(const DataFolder& folder, std::string_view drivePath, const NameList& list) {
    underFolderLock(folder, [&] {
        TextRecordFile file(folder);
        file.OpenForOutput(drivePath);
        for (int i = 1; i <= list.NameCount; ++i) {
            file.WriteRecord({list.slot[i]});
        }
        for (const auto& name : list.beyondCapacity) {
            file.WriteRecord({name});
        }
        file.CloseFile();
    });
}

std::vector<std::string> choiceItems(const NameList& list) {
    std::vector<std::string> items(list.slot.begin() + 1, list.slot.begin() + 1 + list.NameCount);
    items.insert(items.end(), list.beyondCapacity.begin(), list.beyondCapacity.end());
    return items;
}

}  // namespace callpad
