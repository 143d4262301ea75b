#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
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

namespace callpad {
namespace {

using test::bytesFromHex;
using test::sameBytes;
using test::TempFolder;

TEST(Cp932, FixedTextsWriteTheirBytesAndReadBack) {
    // Texts whose bytes are fixed both ways, then the input method's variants of four characters, which
    // are stored as the Windows characters (and so read back as those).
    const struct {
        const char* text;
        const char* bytes;
        bool readsBack;
    } cases[] = {
        {"a\\~", "61 5c 7e", true},
        {"至急", "8e 8a 8b 7d", true},
        {"\u3000ｱ～", "81 40 b1 81 60", true},
        {"①Ⅰ髙﨑", "87 40 87 54 fb fc fa b1", true},
        {"纊黑", "fa 5c fc 4b", true},
        {"\u0080\uf8f0\uf8f1\uf8f2\uf8f3", "80 a0 fd fe ff", true},
        {"\ue000\r\n\t", "f0 40 0d 0a 09", true},
        {"〜−—¢", "81 60 81 7c 81 5c 81 91", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const auto encoded = encodeCp932(c.text);
        ASSERT_FALSE(encoded.unencodable);
        EXPECT_TRUE(sameBytes(bytesFromHex(c.bytes), encoded.bytes));
        EXPECT_EQ(decodeCp932(bytesFromHex(c.bytes)) == std::string(c.text), c.readsBack);
    }
    // The NEC selected codes of 纊黑 read as the same characters.
    EXPECT_EQ(decodeCp932(bytesFromHex("ed 40 ee ec")), std::string("纊黑"));
    // A text far longer than the decoder's buffer on the stack.
    std::string longText;
    for (int i = 0; i < 25000; ++i) {
        longText += "連絡\r\n";
    }
    EXPECT_EQ(decodeCp932(encodeCp932(longText).bytes), longText);
}

TEST(Cp932, CharactersThatWouldNotReadBackAreReportedNotReplaced) {
    // Half-width yen and overline would read back as backslash and tilde.
    for (const auto& [text, offending] :
         {std::pair{"予定😀です", "😀"}, {"𠮷野家", "𠮷"}, {"100¥", "¥"}, {"a‾", "‾"}, {"a\xff", "\xff"}}) {
        SCOPED_TRACE(text);
        const auto encoded = encodeCp932(text);
        ASSERT_TRUE(encoded.unencodable);
        EXPECT_EQ(*encoded.unencodable, offending);
        EXPECT_TRUE(encoded.bytes.empty());
    }
    // Undefined pairs, a lead byte at the end and an invalid trail byte make a text unreadable.
    for (const char* bytes : {"85 40", "61 82", "81 7f"}) {
        EXPECT_FALSE(decodeCp932(bytesFromHex(bytes))) << bytes;
    }
}

using Records = std::vector<std::vector<std::optional<std::string>>>;

// Reads every record of `fieldCount` fields, up to an empty optional field where the file is damaged.
Records readAll(std::string_view bytes, int fieldCount) {
    RecordDecoder decoder(bytes);
    Records records;
    bool damaged = false;
    while (!decoder.atEnd() && !damaged) {
        auto& record = records.emplace_back();
        for (int i = 0; i < fieldCount && !damaged; ++i) {
            record.push_back(decoder.readField());
            damaged = !record.back();
        }
    }
    return records;
}

// The first `count` records as the program writes them.
std::string writeAll(const Records& records, std::size_t count) {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) {
        std::vector<std::string> fields;
        for (const auto& field : records[i]) {
            fields.push_back(field.value());
        }
        bytes += encodeRecord(fields);
    }
    return bytes;
}

TEST(RecordFormat, RecordsAreWrittenByteForByteAndReadAsWritersAndHandsProduceThem) {
    const struct {
        const char* name;
        std::string bytes;
        int fields;
        Records records;
        bool written;  // the program writes these records as these bytes
    } cases[] = {
        {"two fields, the second empty", "\"ab\",\"\"\r\n", 2, {{"ab", ""}}, true},
        {"one empty field", "\"\"\r\n", 1, {{""}}, true},
        {"spaces and commas kept", "\" a, b \",\"\"\r\n", 2, {{" a, b ", ""}}, true},
        {"Japanese", bytesFromHex("22 8e 8a 8b 7d 22 0d 0a"), 1, {{"至急"}}, true},
        {"line break inside a field", "\"x\r\ny\"\r\n\"z\"\r\n", 1, {{"x\r\ny"}, {"z"}}, true},
        {"empty file", "", 1, {}, false},
        {"unquoted fields by the comma rule", "ab,cd\r\n", 2, {{"ab", "cd"}}, false},
        {"text behind a closing quote is skipped", "\"ab\"xy,\"c\"\r\n", 2, {{"ab", "c"}}, false},
        {"lone LF line ends", "\"a\"\n\"b\"\n", 1, {{"a"}, {"b"}}, false},
        {"no line end after the last record", "\"a\",\"b\"", 2, {{"a", "b"}}, false},
        {"short last record", "\"a\",\"b\"\r\n\"c\"\r\n", 2, {{"a", "b"}, {"c", std::nullopt}}, false},
        {"quote never closed", "\"abc\r\n", 1, {{std::nullopt}}, false},
        {"quote inside an unquoted field", "\"a\"\r\nab\"c\r\n", 1, {{"a"}, {std::nullopt}}, false},
        {"quote inside an unquoted last field", "a,b\"\r\n", 2, {{"a", std::nullopt}}, false},
        {"undefined bytes", "\"\x85\x40\"\r\n", 1, {{std::nullopt}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readAll(c.bytes, c.fields), c.records);
        if (c.written) {
            EXPECT_TRUE(sameBytes(c.bytes, writeAll(c.records, c.records.size())));
        }
    }
    // What the format cannot hold is never written.
    EXPECT_THROW(encodeRecord({"say \"hi\""}), std::invalid_argument);
    EXPECT_THROW(encodeRecord({"ok", "😀"}), std::invalid_argument);
    EXPECT_FALSE(checkFieldText(TextInput::Content, "〜 and , and spaces  "));
}

TEST(RecordFormat, EveryWindowsFixtureReadsAndWritesBackByteForByte) {
    // The shared data files, written as Windows writes them: each whole record written again gives the
    // file's bytes, except that a rewrite writes the NEC-selected codes as the IBM codes.
    const struct {
        const char* file;
        int fields;
        std::size_t wholeRecords;
        bool damaged;
        std::string firstField;
        const char* rewrittenHex;  // where a rewrite differs from the file
    } cases[] = {
        {"messages/three-messages.txt", 10, 3, false, "山田商事", nullptr},
        {"messages/fifty-messages.txt", 10, 50, false, "取引先1", nullptr},
        {"messages/fifty-five-messages.txt", 10, 55, false, "取引先1", nullptr},
        {"messages/damaged-last-record.txt", 10, 2, true, "山田商事", nullptr},
        {"names/reporters.txt", 1, 4, false, "佐藤", nullptr},
        {"names/twenty-one-names.txt", 1, 21, false, "名前1", nullptr},
        {"records/ten-empty-fields.txt", 10, 1, false, "", nullptr},
        {"records/windows-single-bytes.txt", 1, 1, false, "\u0080a\uf8f0\uf8f1\uf8f2\uf8f3", nullptr},
        {"records/nec-selected-rows.txt", 1, 1, false, "纊黑", "22 fa 5c fc 4b 22 0d 0a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string bytes = test::fixtureBytes(c.file);
        const auto records = readAll(bytes, c.fields);
        ASSERT_EQ(records.size(), c.wholeRecords + (c.damaged ? 1 : 0));
        EXPECT_EQ(records[0][0], c.firstField);
        const std::string written = writeAll(records, c.wholeRecords);
        const std::string expected = c.rewrittenHex ? bytesFromHex(c.rewrittenHex) : bytes;
        EXPECT_TRUE(sameBytes(c.damaged ? expected.substr(0, written.size()) : expected, written));
        EXPECT_EQ(c.damaged, !records.back().back().has_value());
    }
}

TEST(DataFolder, MapsDriveCPathsIntoTheFolder) {
    const DataFolder folder("/data");
    EXPECT_EQ(folder.resolve("c:\\callpadRT.txt"), "/data/callpadRT.txt");
    EXPECT_EQ(folder.resolve("C:\\田中callpad.txt"), std::filesystem::path(u8"/data/田中callpad.txt"));
    for (const char* bad : {"d:\\x.txt", "c:\\", "c:\\a\\b.txt", "c:\\a/b.txt", "c:\\..", "callpad.txt"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(folder.resolve(bad), std::invalid_argument);
    }
}

#ifdef _WIN32
// On Windows "c:\" is the folder C:\callpad\, with the workbook beside the data files; messages show
// the whole path, Japanese names included.
TEST(DataFolder, OnWindowsTheFilesLiveInCCallpad) {
    EXPECT_EQ(DataFolder::forThisMachine().shownPath("c:\\田中callpad.txt"), "C:\\callpad\\田中callpad.txt");
    EXPECT_EQ(DataFolder::workbookFolderForThisMachine().shownPath("c:\\callpad.xls"), "C:\\callpad\\callpad.xls");
}
#endif

TEST(DataFolder, TellsWhichNamesCannotBeFileNames) {
    const struct {
        const char* name;
        std::string part;
        FileNameProblem problem;
    } cases[] = {
        {"plain Japanese name", "田中", FileNameProblem::None},
        {"spaces and dots inside", " a.b ", FileNameProblem::None},
        {"slash", "a/b", FileNameProblem::Separator},
        {"parent folder", "../x", FileNameProblem::Separator},
        {"drive letter", "c:x", FileNameProblem::ReservedCharacter},
        {"NUL", std::string("a\0b", 3), FileNameProblem::ControlCharacter},
        {"dot dot", "..", FileNameProblem::DotName},
        {"longest that fits", std::string(255 - 15, 'a'), FileNameProblem::None},
        {"one byte too long", std::string(255 - 14, 'a'), FileNameProblem::TooLong},
        {"a device before the first dot", "CON.x", FileNameProblem::DeviceName},
        {"a device in lower case, blanks before the dot", "nul .a.b", FileNameProblem::DeviceName},
        {"a numbered port", "Com9.", FileNameProblem::DeviceName},
        {"a port with a superscript digit", "LPT\u00B2.x", FileNameProblem::DeviceName},
        {"a device name joined to the suffix", "CON", FileNameProblem::None},
        {"a port without its digit", "COM.x", FileNameProblem::None},
        {"port zero", "LPT0.x", FileNameProblem::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(checkFileNamePart(c.part, "", "callpad.txt"), c.problem);
    }
}

TEST(AtomicFile, ReplacesWholeAndLeavesNoTemporaryFile) {
    TempFolder temp;
    const DataFolder nested(temp.root() / "not-yet");
    writeFileAtomically(nested, "c:\\a.txt", "new");
    EXPECT_EQ(readWholeFile(nested, "c:\\a.txt"), "new");
    temp.write("b.txt", "old content");
    temp.write("b.txt.tmp", "left by a crash");
    writeFileAtomically(temp.folder(), "c:\\b.txt", "");
    EXPECT_EQ(temp.read("b.txt"), "");
    EXPECT_EQ(temp.listing(), "b.txt not-yet");
}

// Files kept where the program kept them before (C:\ on Windows) are not taken for missing ones: the
// user is told to move them, and nothing is created.
TEST(DataFolder, AFileLeftInTheFormerFolderIsToldAndNothingIsCreated) {
    TempFolder former;
    former.write("田中callpad.txt", "old");
    DataFolder folder(former.root() / "callpad");
    folder.useFormerFolder(former.root());
    try {
        (void)fileExists(folder, "c:\\田中callpad.txt");
        FAIL() << "the file left in the former folder was taken for a missing one";
    } catch (const FileError& error) {
        EXPECT_EQ(error.operation(), FileOperation::LeftInFormerFolder);
        EXPECT_EQ(error.path(), folder.shownPath("c:\\田中callpad.txt"));
        EXPECT_EQ(error.detail(), former.folder().shownPath("c:\\田中callpad.txt"));
        EXPECT_EQ(error.kind(), platform::ErrorKind::Missing);
    }
    EXPECT_FALSE(fileExists(folder, "c:\\鈴木callpad.txt"));
    EXPECT_EQ(former.listing(), "田中callpad.txt");
}

// Names reach the file system whole: Japanese ones, also those whose code page 932 bytes end in 0x5C
// ("\\") under either ANSI code page of Windows, and the longest recipient name the check lets through,
// also in a folder given with forward slashes; on Windows its whole path is far beyond 260 characters.
// One byte more is refused by the file system and leaves nothing behind.
TEST(AtomicFile, JapaneseAndTheLongestNamesSaveAndReadBack) {
    TempFolder temp;
    const std::string longest = std::string(240, 'a') + "callpad.txt";
    const DataFolder slashes(temp.root().generic_u8string());
    for (const std::string& name : {std::string("表ソ田中callpad.txt"), longest}) {
        writeFileAtomically(temp.folder(), "c:\\" + name, name);
        EXPECT_TRUE(fileExists(slashes, "c:\\" + name));
        EXPECT_EQ(readWholeFile(slashes, "c:\\" + name), name);
    }
    EXPECT_THROW(writeFileAtomically(temp.folder(), "c:\\b" + longest, "x"), FileError);
    EXPECT_EQ(temp.listing(), longest + " 表ソ田中callpad.txt");
}

// A folder, and on Windows a hidden or system file, is reported, never taken for a missing file nor
// written over.
TEST(AtomicFile, AnExistingFileIsNeverTakenForAMissingOne) {
    TempFolder temp;
    EXPECT_FALSE(fileExists(temp.folder(), "c:\\none.txt"));
    EXPECT_FALSE(fileExists(DataFolder(temp.root() / "no-folder"), "c:\\none.txt"));
    temp.write(".hidden.txt", "x");
#ifdef _WIN32
    // Wine marks a file whose name starts with a dot hidden.
    EXPECT_THROW(fileExists(temp.folder(), "c:\\.hidden.txt"), FileError);
#else
    EXPECT_TRUE(fileExists(temp.folder(), "c:\\.hidden.txt"));
#endif
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
}

TEST(FolderLock, ASecondHolderWaitsThenGivesUpOrTakesItAsSoonAsTheHolderLetsGo) {
    TempFolder temp;
    auto first = std::make_unique<FolderLock>(temp.folder());
#ifdef _WIN32
    // While it is held the lock file cannot be deleted, so no next copy locks a new one meanwhile.
    EXPECT_FALSE(DeleteFileW(temp.path(kLockFileName).c_str()));
#endif
    const auto started = std::chrono::steady_clock::now();
    try {
        FolderLock second(temp.folder(), std::chrono::milliseconds(200));
        FAIL() << "the folder is already locked";
    } catch (const FileError& error) {
        EXPECT_EQ(error.operation(), FileOperation::Lock);
        EXPECT_EQ(error.kind(), platform::ErrorKind::Busy);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        first.reset();
    });
    EXPECT_NO_THROW(FolderLock third(temp.folder(), std::chrono::milliseconds(3000)));
    releaser.join();
    EXPECT_TRUE(temp.exists(kLockFileName));
}

// Failures are told by their kind; the system's own description goes into the message whole.
TEST(PlatformErrors, KindsForTheScreensAndTheSystemsOwnDescription) {
    using platform::ErrorKind;
    const std::pair<int, ErrorKind> cases[] = {
#ifdef _WIN32
        {ERROR_SHARING_VIOLATION, ErrorKind::Busy},
        {ERROR_LOCK_VIOLATION, ErrorKind::Busy},
        {ERROR_FILE_NOT_FOUND, ErrorKind::Missing},
        {ERROR_PATH_NOT_FOUND, ErrorKind::Missing},
        {ERROR_ACCESS_DENIED, ErrorKind::NotPermitted},
        {ERROR_WRITE_PROTECT, ErrorKind::NotPermitted},
        {ERROR_DISK_FULL, ErrorKind::NoSpace},
        {ERROR_HANDLE_DISK_FULL, ErrorKind::NoSpace},
        {ERROR_CRC, ErrorKind::Other},
#else
        {EWOULDBLOCK, ErrorKind::Busy},   {ENOENT, ErrorKind::Missing}, {EACCES, ErrorKind::NotPermitted},
        {EPERM, ErrorKind::NotPermitted}, {ENOSPC, ErrorKind::NoSpace}, {EIO, ErrorKind::Other},
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

// The data folder lets every signed-in account change what is created in it, whatever C:\ allows.
TEST(DataFolder, OnWindowsTheFolderGrantsAuthenticatedUsersInheritableModifyRights) {
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        GTEST_SKIP() << "Wine keeps no security descriptor on a file; it shows one made from the Unix mode";
    }
    TempFolder scratch;
    const std::filesystem::path folder = scratch.path("callpad");
    ASSERT_EQ(platform::createFolder(folder), 0);
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl,
                                    nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    BYTE authenticatedUsers[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof authenticatedUsers;
    ASSERT_TRUE(CreateWellKnownSid(WinAuthenticatedUserSid, nullptr, authenticatedUsers, &sidSize));
    constexpr DWORD kModify = 0x1301bf;
    constexpr BYTE kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    bool granted = false;
    for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
        void* entry = nullptr;
        if (GetAce(acl, i, &entry) && static_cast<ACE_HEADER*>(entry)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
            granted = granted ||
                      (EqualSid(const_cast<DWORD*>(&allowed->SidStart), authenticatedUsers) &&
                       (allowed->Mask & kModify) == kModify && (allowed->Header.AceFlags & kInherited) == kInherited);
        }
    }
    LocalFree(descriptor);
    EXPECT_TRUE(granted);
}
#endif

}  // namespace
}  // namespace callpad
