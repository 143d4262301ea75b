#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "records/AtomicFile.h"
#include "records/Cp932.h"
#include "records/FileError.h"
#include "records/FileFaults.h"
#include "records/FolderLock.h"
#include "records/Platform.h"
#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/TempFolder.h"

namespace callpad::test {
namespace {

// The codec's tables are compared with Windows' own conversion character by character
// (Cp932MatchesWindowsTest); here what lies beyond single characters of the basic plane: texts of several
// characters, characters outside it and invalid UTF-8, which are refused, and a text far longer than the
// decoder's buffer on the stack. Half-width yen and overline are refused: they would read back as
// backslash and tilde.
TEST(Cp932, TextsWriteTheBytesWindowsWritesOrNameTheCharacterThatWouldNotReadBack) {
    const struct {
        const char* text;
        const char* hex;    // nullptr: refused
        const char* other;  // what the bytes read as where that is not the text, or the refused character
    } cases[] = {
        {"a\\~至急", "61 5c 7e 8e 8a 8b 7d", nullptr},
        {"①Ⅰ髙﨑纊\u0080\uf8f0\uf8f1\uf8f3", "87 40 87 54 fb fc fa b1 fa 5c 80 a0 fd ff", nullptr},
        {"〜−—¢", "81 60 81 7c 81 5c 81 91", "～－―￠"},
        {"予定😀です", nullptr, "😀"},
        {"100¥", nullptr, "¥"},
        {"a\xff", nullptr, "\xff"},
        {"a\xed\xa0\x80", nullptr, "\xed\xa0\x80"},  // a surrogate, which stands for no character
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto encoded = encodeCp932(c.text);
        EXPECT_TRUE(sameBytes(c.hex ? bytesFromHex(c.hex) : "", encoded.bytes));
        EXPECT_EQ(encoded.unencodable, c.hex ? std::nullopt : std::optional<std::string>(c.other));
        if (c.hex) {
            EXPECT_EQ(decodeCp932(encoded.bytes), c.other ? c.other : c.text);
        }
    }
    EXPECT_EQ(decodeCp932(std::string(1000, 'a') + "\xb1"), std::string(1000, 'a') + "ｱ");
}

using Records = std::vector<std::vector<std::optional<std::string>>>;

// Reads every record of `fieldCount` fields, up to an empty optional field where the file is damaged.
Records readAll(std::string_view bytes, std::size_t fieldCount) {
    RecordDecoder decoder(bytes);
    Records records;
    while (!decoder.atEnd() && (records.empty() || records.back().back())) {
        auto& record = records.emplace_back();
        while (record.size() < fieldCount && (record.empty() || record.back())) {
            record.push_back(decoder.readField());
        }
    }
    return records;
}

// The records as the program writes them; all must be whole.
std::string writeAll(const Records& records) {
    std::string bytes;
    for (const auto& record : records) {
        std::vector<std::string> fields;
        for (const auto& field : record) {
            fields.push_back(field.value());
        }
        bytes += encodeRecord(fields);
    }
    return bytes;
}

// Fields written by hand without quotes, one holding a quote, and a short last record are also met where
// message files are loaded (MessageFileTest).
TEST(RecordFormat, RecordsAreWrittenByteForByteAndReadAsWritersAndHandsProduceThem) {
    const struct {
        const char* name;
        std::string bytes;
        std::size_t fields;
        Records records;
        bool written;  // the program writes these records as these bytes
    } cases[] = {
        {"two fields, the second empty", "\"ab\",\"\"\r\n", 2, {{"ab", ""}}, true},
        {"spaces and commas kept", "\" a, b \",\"\"\r\n", 2, {{" a, b ", ""}}, true},
        {"Japanese", bytesFromHex("22 8e 8a 8b 7d 22 0d 0a"), 1, {{"至急"}}, true},
        {"line break inside a field", "\"x\r\ny\"\r\n\"z\"\r\n", 1, {{"x\r\ny"}, {"z"}}, true},
        {"empty file", "", 1, {}, false},
        {"text behind a closing quote is skipped", "\"ab\"xy,\"c\"\r\n", 2, {{"ab", "c"}}, false},
        {"lone LF line ends", "\"a\"\n\"b\"\n", 1, {{"a"}, {"b"}}, false},
        {"no line end after the last record", "\"a\",\"b\"", 2, {{"a", "b"}}, false},
        {"quote never closed", "\"abc\r\n", 1, {{std::nullopt}}, false},
        {"quote inside an unquoted field", "\"a\"\r\nab\"c\r\n", 1, {{"a"}, {std::nullopt}}, false},
        {"undefined bytes", "\"\x85\x40\"\r\n", 1, {{std::nullopt}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readAll(c.bytes, c.fields), c.records);
        if (c.written) {
            EXPECT_TRUE(sameBytes(c.bytes, writeAll(c.records)));
        }
    }
    // What the format cannot hold is never written.
    EXPECT_THROW(encodeRecord({"say \"hi\""}), std::invalid_argument);
    EXPECT_THROW(encodeRecord({"ok", "😀"}), std::invalid_argument);
}

// Drive C paths map into the folder; names are given as the part before "callpad.txt".
TEST(DataFolder, MapsDriveCPathsAndTellsWhichNamesCannotBeFileNames) {
    const DataFolder folder("/data");
    EXPECT_EQ(folder.resolve("C:\\田中callpad.txt"), std::filesystem::path(u8"/data/田中callpad.txt"));
    for (const char* bad : {"d:\\x.txt", "c:\\", "c:\\a\\b.txt", "c:\\a/b.txt", "c:\\..", "callpad.txt"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(folder.resolve(bad), std::invalid_argument);
    }
#ifdef _WIN32
    // On Windows "c:\" is the folder C:\callpad\, with the workbook beside the data files.
    EXPECT_EQ(DataFolder::forThisMachine().shownPath("c:\\田中callpad.txt"), "C:\\callpad\\田中callpad.txt");
    EXPECT_EQ(DataFolder::workbookFolderForThisMachine().shownPath("c:\\callpad.xls"), "C:\\callpad\\callpad.xls");
#endif
    using enum FileNameProblem;
    const std::pair<std::string, FileNameProblem> cases[] = {
        {" a.b ", None},
        {"a/b", Separator},
        {"a\\b", Separator},
        {"c:x", ReservedCharacter},
        {std::string("a\0b", 3), ControlCharacter},
        {"..", DotName},
        {"CON.x", DeviceName},  // a device before the first dot
        {"nul .a.b", DeviceName},
        {"Com9.", DeviceName},
        {"LPT\u00B2.x", DeviceName},
        {"CON", None},  // joined to the suffix
        {"COM.x", None},
        {"LPT0.x", None},
    };
    for (const auto& [part, problem] : cases) {
        SCOPED_TRACE(part);
        EXPECT_EQ(checkFileNamePart(part, "", "callpad.txt"), problem);
    }
}

// Names reach the file system whole: Japanese ones, also those whose code page 932 bytes end in 0x5C ("\\")
// under either ANSI code page of Windows, and the longest recipient name the check lets through, also in a
// folder given with forward slashes; on Windows its whole path is far beyond 260 characters. A shorter text
// replaces a file and its temporary file left by a crash whole; one byte more is refused by the file system
// and leaves nothing behind; a folder not made yet is made.
TEST(AtomicFile, ReplacesWholeUnderJapaneseAndTheLongestNamesAndLeavesNoTemporaryFile) {
    TempFolder temp;
    const std::string japanese = "表ソ田中callpad.txt";
    const std::string longest = std::string(240, 'a') + "callpad.txt";
    temp.write(japanese, std::string(100, 'x'));
    temp.write(japanese + ".tmp", "left by a crash");
    const DataFolder slashes(temp.root().generic_u8string());
    for (const std::string& name : {japanese, longest}) {
        writeFileAtomically(temp.folder(), "c:\\" + name, name);
        EXPECT_TRUE(fileExists(slashes, "c:\\" + name));
        EXPECT_EQ(readWholeFile(slashes, "c:\\" + name), name);
    }
    EXPECT_THROW(writeFileAtomically(temp.folder(), "c:\\b" + longest, "x"), FileError);
    EXPECT_EQ(temp.listing(), longest + " " + japanese);
    const DataFolder nested(temp.root() / "not-yet");
    writeFileAtomically(nested, "c:\\a.txt", "");
    EXPECT_EQ(readWholeFile(nested, "c:\\a.txt"), "");
}

// A folder, and on Windows a hidden or system file, is reported, never taken for a missing file nor
// written over; nor is a file left where the program kept its files before (C:\ on Windows): the user is
// told to move it, and nothing is created.
TEST(AtomicFile, AnExistingFileIsNeverTakenForAMissingOne) {
    TempFolder temp;
    EXPECT_FALSE(fileExists(DataFolder(temp.root() / "no-folder"), "c:\\none.txt"));
    std::filesystem::create_directory(temp.root() / "dir.txt");
    std::vector<std::string> refused{"dir.txt"};
#ifdef _WIN32
    // Wine lets MoveFileExW replace a hidden file where Windows refuses; the program refuses on both.
    for (const auto& [name, attribute] :
         {std::pair{"hidden.txt", FILE_ATTRIBUTE_HIDDEN}, {"system.txt", FILE_ATTRIBUTE_SYSTEM}}) {
        temp.write(name, "kept");
        ASSERT_TRUE(SetFileAttributesW(temp.path(name).c_str(), attribute));
        refused.push_back(name);
    }
#endif
    for (const auto& name : refused) {
        SCOPED_TRACE(name);
        EXPECT_THROW(fileExists(temp.folder(), "c:\\" + name), FileError);
        EXPECT_THROW(writeFileAtomically(temp.folder(), "c:\\" + name, "new"), FileError);
        if (name != "dir.txt") {
            EXPECT_EQ(temp.read(name), "kept");
        }
    }
    EXPECT_THROW(readWholeFile(temp.folder(), "c:\\dir.txt"), FileError);

    temp.write("田中callpad.txt", "old");
    DataFolder folder(temp.root() / "callpad");
    folder.useFormerFolder(temp.root());
    const FileError left = errorOf([&] { fileExists(folder, "c:\\田中callpad.txt"); }).value();
    EXPECT_EQ(left.operation(), FileOperation::LeftInFormerFolder);
    EXPECT_EQ(left.path(), folder.shownPath("c:\\田中callpad.txt"));
    EXPECT_EQ(left.detail(), temp.folder().shownPath("c:\\田中callpad.txt"));
    EXPECT_FALSE(fileExists(folder, "c:\\鈴木callpad.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder.root()));
}

TEST(FolderLock, ASecondHolderWaitsThenGivesUpOrTakesItAsSoonAsTheHolderLetsGo) {
    TempFolder temp;
    auto first = std::make_unique<FolderLock>(temp.folder());
#ifdef _WIN32
    // While it is held the lock file cannot be deleted, so no next copy locks a new one meanwhile.
    EXPECT_FALSE(DeleteFileW(temp.path(kLockFileName).c_str()));
#endif
    const auto started = std::chrono::steady_clock::now();
    const FileError error = errorOf([&] { FolderLock second(temp.folder(), std::chrono::milliseconds(200)); }).value();
    EXPECT_EQ(error.operation(), FileOperation::Lock);
    EXPECT_EQ(error.kind(), platform::ErrorKind::Busy);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    const std::jthread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        first.reset();
    });
    EXPECT_NO_THROW(FolderLock third(temp.folder(), std::chrono::milliseconds(3000)));
}

// Failures are told by their kind; the system's own description goes into the message whole. The kinds
// that other tests meet are not repeated: Busy (FolderLock, and HeldOpen on Windows) and, on POSIX, the
// refusals of permission (the message texts).
TEST(PlatformErrors, KindsForTheScreensAndTheSystemsOwnDescription) {
    using platform::ErrorKind;
    const std::pair<int, ErrorKind> cases[] = {
#ifdef _WIN32
        {ERROR_ACCESS_DENIED, ErrorKind::NotPermitted},
        {ERROR_WRITE_PROTECT, ErrorKind::NotPermitted},
        {ERROR_FILE_NOT_FOUND, ErrorKind::Missing},
        {ERROR_DISK_FULL, ErrorKind::NoSpace},
        {ERROR_CRC, ErrorKind::Other},
#else
        {ENOENT, ErrorKind::Missing},
        {ENOSPC, ErrorKind::NoSpace},
        {EIO, ErrorKind::Other},
#endif
    };
    for (const auto& [number, kind] : cases) {
        SCOPED_TRACE(number);
        EXPECT_EQ(platform::errorKind(number), kind);
        const std::string description = platform::errorDescription(number);
        EXPECT_FALSE(description.empty());
        EXPECT_NE(description.back(), '\n');
    }
}

#ifdef _WIN32
TEST(AtomicFile, OnWindowsMomentaryRefusalsArePassedOver) {
    TempFolder temp;
    DataFolder folder = temp.folder();
    auto faults = std::make_shared<FileFaults>();
    folder.injectFaults(faults);
    temp.write("a.txt", "first");
    faults->failAt(FileStep::Open, ERROR_SHARING_VIOLATION);
    faults->failAt(FileStep::Rename, ERROR_ACCESS_DENIED);
    faults->failAt(FileStep::Rename, ERROR_LOCK_VIOLATION, 2);
    writeFileAtomically(folder, "c:\\a.txt", std::string(100000, 'x'));
    EXPECT_EQ(faults->injected(), 3);
    EXPECT_EQ(temp.read("a.txt"), std::string(100000, 'x'));
    EXPECT_EQ(temp.listing(), "a.txt");
}
#endif

}  // namespace
}  // namespace callpad::test
