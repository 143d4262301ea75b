#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/AtomicFile.h"
#include "records/DataFolder.h"

namespace callpad {

// The texts a user types that end up in a data file: the entry screen's inputs. The list editors
// edit reporter and recipient names.
enum class TextInput { Party, Person, PhoneNumber, Content, Deadline, Reporter, Recipient };

// A typed text refused before anything is written: which input, and why. The entry screen and the
// list editors refuse with it and keep the text for the user to correct.
struct Refusal {
    enum Problem {
        DoubleQuote,   // the format has no way to hold one
        Unencodable,   // code page 932 lacks the character: it would read back as another
        NotAFileName,  // a recipient that cannot name a message file
    };
    TextInput input;
    Problem problem;
    std::string character;                             // the offending character, as UTF-8
    FileNameProblem fileName = FileNameProblem::None;  // why, for NotAFileName
};

// Refuses `text` typed into `input` unless it reads back as itself after it is written as a field.
std::optional<Refusal> checkFieldText(TextInput input, std::string_view text);

// One record as a line: "ab","" -> 22 61 62 22 2C 22 22 0D 0A. Every field must pass
// checkFieldText; a field that does not throws std::invalid_argument, so nothing unreadable is
// ever written.
std::string encodeRecord(const std::vector<std::string>& fields);

// Reads fields one by one from the bytes of a data file.
class RecordDecoder {
public:
    explicit RecordDecoder(std::string_view bytes) : m_bytes(bytes) {}

    bool atEnd() const { return m_pos >= m_bytes.size(); }
    // Offset of the next unread byte; lets callers keep a record's original bytes.
    std::size_t position() const { return m_pos; }

    // The next field, or nothing when the file is damaged there: no field left (a short last
    // record), a quote that never closes, a double quote inside a field written without quotes
    // (no rewrite could hold it), or bytes that code page 932 does not define.
    std::optional<std::string> readField();

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

// The primitives of the data files, one file at a time: whole-file reads, and rewrites that replace
// the file in one step when it is closed.
class TextRecordFile {
public:
    explicit TextRecordFile(const DataFolder& folder) : m_folder(folder) {}

    bool FileExists(std::string_view drivePath) const;
    void OpenForInput(std::string_view drivePath);
    void OpenForOutput(std::string_view drivePath, WriteMode mode = WriteMode::Replace);
    bool AtEndOfFile() const { return m_decoder.atEnd(); }
    std::optional<std::string> ReadField() { return m_decoder.readField(); }
    void WriteRecord(const std::vector<std::string>& fields);
    // For output, replaces the file with everything written since OpenForOutput. False only when a
    // file opened with WriteMode::CreateNew exists after all; nothing is written then.
    bool CloseFile();

private:
    const DataFolder& m_folder;
    std::string m_path;
    std::string m_content;
    RecordDecoder m_decoder{{}};
    bool m_writing = false;
    WriteMode m_mode = WriteMode::Replace;
};

}  // namespace callpad
