#include "names/NameListEditor.h"

#include "records/FileError.h"
#include "records/MessageFileName.h"

namespace callpad {

void NameListEditor::Form_Load(const DataFolder& folder) {
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
    m_currentSlot = 1;
    m_scrollValue = 1;
    ShowEntry();
    FitScrollRange();
}

NameListEditor::StoreResult NameListEditor::CmdTuika_Click(const std::string& boxText) {
    StoreResult result = storeAndShow(boxText);
    result.listFull = result.stored && m_shownSlot == NameList::kCapacity && !boxText.empty();
    return result;
}

NameListEditor::StoreResult NameListEditor::HScBN_Change(const std::string& boxText, int value) {
    const int previous = m_scrollValue;
    m_scrollValue = value;
    StoreResult result = storeAndShow(boxText);
    if (!result.stored) {
        m_scrollValue = previous;
    }
    return result;
}

NameListEditor::StoreResult NameListEditor::storeAndShow(const std::string& boxText) {
    const bool intoList = m_shownSlot <= m_list.NameCount || m_list.NameCount == 0;
    if (intoList) {
        if (auto refusal = checkName(boxText)) {
            return {false, false, refusal};
        }
    }
    // The blank slot left after deleting the only name becomes the first name once one is stored.
    if (m_list.NameCount == 0 && !boxText.empty()) {
        m_list.NameCount = 1;
    }
    if (m_shownSlot == m_list.NameCount && !boxText.empty() && m_list.NameCount < NameList::kCapacity) {
        openSlotAtEnd();
        FitScrollRange();
    }
    StoreEntry(boxText);
    m_currentSlot = m_scrollValue;
    ShowEntry();
    return {};
}

std::optional<NameListEditor::Refusal> NameListEditor::checkName(const std::string& name) const {
    if (auto problem = checkFieldText(name)) {
        return Refusal{Refusal::Field, *problem};
    }
    if (m_kind == Kind::Recipients) {
        if (auto problem = checkRecipientName(name); problem != FileNameProblem::None) {
            return Refusal{Refusal::FileName, {}, problem};
        }
    }
    return std::nullopt;
}

void NameListEditor::CmdDel_Click() {
    if (m_list.NameCount == 0) {
        return;
    }
    const int p = m_shownSlot;
    for (int i = p; i <= m_list.NameCount - 1; ++i) {
        m_list.slot[i] = m_list.slot[i + 1];
    }
    --m_list.NameCount;
    if (m_list.NameCount == 0) {
        // The list is empty: show a blank slot numbered 1, not the deleted name.
        m_list.slot[1].clear();
    }
    m_currentSlot = p;
    ShowEntry();
    FitScrollRange();
}

bool NameListEditor::CmdRt_Click(const DataFolder& folder) {
    if (m_list.damaged) {
        return false;
    }
    SaveNameList(folder, filePath(), m_list);
    return true;
}

void NameListEditor::ShowEntry() {
    m_shownSlot = m_currentSlot;
}

// Sets the bar's maximum to the count. A maximum below the bar's value moves the bar to it, which
// is a change of value like any other and runs the change steps at once.
void NameListEditor::FitScrollRange() {
    m_scrollMaximum = std::max(1, m_list.NameCount);
    if (m_scrollValue > m_scrollMaximum) {
        HScBN_Change(shownText(), m_scrollMaximum);
    }
}

void NameListEditor::StoreEntry(const std::string& boxText) {
    m_currentSlot = m_shownSlot;
    m_list.slot[m_currentSlot] = boxText;
}

// A slot opened at the end starts blank, never with a name deleted earlier.
void NameListEditor::openSlotAtEnd() {
    m_list.slot[++m_list.NameCount].clear();
}

}  // namespace callpad
