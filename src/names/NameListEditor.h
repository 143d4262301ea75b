#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "names/NameList.h"
#include "records/TextRecordFile.h"

namespace callpad {

// The list editor's behaviour without its window: one shown slot of a name list, the scroll bar
// that selects it (its value and maximum, mirrored here so that the clamping of the bar and the
// change it triggers are part of the tested logic), and the load, store-and-move, delete and save.
class NameListEditor {
public:
    enum class Kind { Reporters, Recipients };
    explicit NameListEditor(Kind kind) : m_kind(kind) {}

    // Why a typed name was not stored.
    struct Refusal {
        enum Reason { Field, FileName } reason;
        FieldProblem field{};
        FileNameProblem fileName = FileNameProblem::None;
    };
    // The outcome of 登録 or a move: stored, stored at slot 20 where no slot follows, or refused.
    struct StoreResult {
        bool stored = true;
        bool listFull = false;
        std::optional<Refusal> refusal;
    };

    std::string_view filePath() const { return m_kind == Kind::Reporters ? kReporterListPath : kRecipientListPath; }

    // Opening: reads the file and shows slot 1. Throws FileError when the file cannot be read.
    void Form_Load(const DataFolder& folder);

    // 登録: stores the box into the shown slot; at the last slot with a name, opens a new one.
    StoreResult CmdTuika_Click(const std::string& boxText);
    // The scroll bar moved to `value`: stores the box into the slot being left, shows the new one.
    // When refused, the bar goes back to the shown slot and nothing else changes.
    StoreResult HScBN_Change(const std::string& boxText, int value);
    // 削除: removes the shown slot; the box's text plays no part.
    void CmdDel_Click();
    // 戻る: writes slots 1 to NameCount (and names beyond the 20th of the file) unless the file
    // could not be read whole. Returns whether the file was written. Throws FileError.
    bool CmdRt_Click(const DataFolder& folder);

    int shownSlot() const { return m_shownSlot; }
    const std::string& shownText() const { return m_list.slot[m_currentSlot]; }
    int NameCount() const { return m_list.NameCount; }
    int scrollValue() const { return m_scrollValue; }
    int scrollMaximum() const { return m_scrollMaximum; }
    const NameList& list() const { return m_list; }

private:
    StoreResult storeAndShow(const std::string& boxText);
    std::optional<Refusal> checkName(const std::string& name) const;
    void ShowEntry();
    void FitScrollRange();
    void StoreEntry(const std::string& boxText);
    void openSlotAtEnd();

    Kind m_kind;
    NameList m_list;
    int m_currentSlot = 1;
    int m_shownSlot = 1;  // the number the slot label shows
    int m_scrollValue = 1;
    int m_scrollMaximum = 1;
};

}  // namespace callpad
