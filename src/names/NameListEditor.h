#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "names/NameList.h"
#include "records/TextRecordFile.h"

namespace callpad {

// The list editor's behaviour without its window: a name list, the slot on screen, and the load,
// store, move, removal and save. The screen's scroll bar offers slots 1 to slotCount().
class NameListEditor {
public:
    enum class Kind { Reporters, Recipients };
    explicit NameListEditor(Kind kind) : m_kind(kind) {}

    std::string_view filePath() const { return m_kind == Kind::Reporters ? kReporterListPath : kRecipientListPath; }

    // Opening the screen: reads the file and shows slot 1. Throws FileError when it cannot be read.
    void load(const DataFolder& folder);
    // 登録: stores the box into the shown slot; at the last slot with a name, opens a new one.
    std::optional<Refusal> store(const std::string& boxText);
    // The scroll bar moved to `slot`: stores the box into the shown slot, then shows `slot`. When
    // refused, nothing changes and the bar goes back to the shown slot.
    std::optional<Refusal> moveTo(const std::string& boxText, int slot);
    // 削除: removes the shown slot and moves every later name up; the box's text plays no part.
    void removeShownSlot();
    // 戻る: writes the list unless its file could not be read whole. Returns whether the file was
    // written. Throws FileError.
    bool save(const DataFolder& folder);

    int shownSlot() const { return m_shownSlot; }
    const std::string& shownText() const { return m_list.slot[m_shownSlot]; }
    // The slots the bar offers: every slot of the list, at least the blank first one.
    int slotCount() const { return std::max(1, m_list.NameCount); }
    // The shown slot is the 20th and holds a name: 登録 there opens no slot after it.
    bool isFullAtShownSlot() const { return m_shownSlot == NameList::kCapacity && !shownText().empty(); }
    int NameCount() const { return m_list.NameCount; }
    const NameList& list() const { return m_list; }

private:
    std::optional<Refusal> checkName(const std::string& name) const;
    void showWithinList(int slot);

    Kind m_kind;
    NameList m_list;
    int m_shownSlot = 1;
};

}  // namespace callpad
