#include "names/NameListEditor.h"

#include <stdexcept>

#include "records/FileError.h"
#include "records/MessageFileName.h"

namespace callpad {

void NameListEditor::load(const DataFolder& folder) {
    m_list = NameList{};
    try {
        LoadNameList(folder, filePath(), m_list);
    } catch (const FileError&) {
        // A file that could not be read is never replaced with the empty list that 戻る would write.
        m_list = NameList{};
        m_list.damaged = true;
        throw;
    }
    if (m_list.NameCount < 1) {
        m_list.NameCount = 1;
    }
    m_shownSlot = 1;
}

std::optional<Refusal> NameListEditor::store(const std::string& boxText) {
    if (auto refusal = checkName(boxText)) {
        return refusal;
    }
    // The blank slot left after deleting the only name becomes the first name once one is stored.
    if (m_list.NameCount == 0 && !boxText.empty()) {
        m_list.NameCount = 1;
    }
    // A name at the last slot opens a blank one after it, up to the 20th.
    if (m_shownSlot == m_list.NameCount && !boxText.empty() && m_list.NameCount < NameList::kCapacity) {
        m_list.slot[++m_list.NameCount].clear();
    }
    m_list.slot[m_shownSlot] = boxText;
    return std::nullopt;
}

std::optional<Refusal> NameListEditor::moveTo(const std::string& boxText, int slot) {
    if (slot < 1 || slot > slotCount()) {
        throw std::out_of_range("the scroll bar offers slots 1 to " + std::to_string(slotCount()));
    }
    if (auto refusal = store(boxText)) {
        return refusal;
    }
    showWithinList(slot);
    return std::nullopt;
}

std::optional<Refusal> NameListEditor::checkName(const std::string& name) const {
    const TextInput input = m_kind == Kind::Reporters ? TextInput::Reporter : TextInput::Recipient;
    if (auto refusal = checkFieldText(input, name)) {
        return refusal;
    }
    if (m_kind == Kind::Recipients) {
        if (const FileNameProblem problem = checkRecipientName(name); problem != FileNameProblem::None) {
            return Refusal{input, Refusal::NotAFileName, {}, problem};
        }
    }
    return std::nullopt;
}

void NameListEditor::removeShownSlot() {
    if (m_list.NameCount == 0) {
        return;
    }
    auto& slots = m_list.slot;
    std::move(slots.begin() + m_shownSlot + 1, slots.begin() + m_list.NameCount + 1, slots.begin() + m_shownSlot);
    // A file of more than 20 names is one list: its 21st name moves up into slot 20.
    if (!m_list.beyondCapacity.empty()) {
        slots[m_list.NameCount] = std::move(m_list.beyondCapacity.front());
        m_list.beyondCapacity.erase(m_list.beyondCapacity.begin());
    } else {
        slots[m_list.NameCount--].clear();
    }
    showWithinList(m_shownSlot);
}

bool NameListEditor::save(const DataFolder& folder) {
    if (m_list.damaged) {
        return false;
    }
    SaveNameList(folder, filePath(), m_list);
    return true;
}

// The scroll bar's rule, once: a value above the bar's maximum, which follows the list, moves down to
// it, and that move is the change that decides which slot is shown.
void NameListEditor::showWithinList(int slot) {
    m_shownSlot = std::min(slot, slotCount());
}

}  // namespace callpad
