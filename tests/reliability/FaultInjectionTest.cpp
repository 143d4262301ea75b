#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <thread>

#include "export/Workbook.h"
#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "names/NameList.h"
#include "records/FileError.h"
#include "records/FileFaults.h"
#include "records/FolderLock.h"
#include "review/MessageViewer.h"
#include "support/Samples.h"
#include "support/TempFolder.h"

namespace callpad::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Error numbers of this platform for injected faults, neither of which the file layer waits out: a
// failing disk, and a lock that the file system refuses.
#ifdef _WIN32
constexpr int kDiskError = ERROR_CRC;
constexpr int kLockRefusedError = ERROR_NOT_SUPPORTED;
#else
constexpr int kDiskError = EIO;
constexpr int kLockRefusedError = ENOLCK;
#endif

// One writer of the program, run on a folder that already holds its file.
struct Writer {
    const char* name;
    const char* file;     // the file it rewrites, in the data folder
    const char* fixture;  // what that file holds before, or nullptr for no file
    bool rereads;         // it reads the file afresh under the folder lock before it rewrites it
    void (*run)(const DataFolder&);
};

void saveMessage(const DataFolder& folder) {
    saveNewMessage(folder, "c:\\田中callpad.txt", numberedMessage(1));
}

const Writer kWriters[] = {
    {"entry screen's save", "田中callpad.txt", "messages/three-messages.txt", true, saveMessage},
    {"entry screen's first save", "田中callpad.txt", nullptr, false, saveMessage},
    {"viewer's deletion", "田中callpad.txt", "messages/three-messages.txt", true,
     [](const DataFolder& folder) {
         MessageViewer viewer;
         viewer.load(folder, "田中");
         viewer.show(2);
         try {
             viewer.deleteShownMessage(folder);
         } catch (const FileError&) {
             // What the viewer shows does not change either.
             EXPECT_EQ(viewer.positionText() + " " + viewer.currentMessage().CallerParty, " 2/ 3 ABC, Inc.");
             throw;
         }
     }},
    {"list editor's save", "callpadRT.txt", "names/reporters.txt", false,
     [](const DataFolder& folder) {
         NameList list;
         LoadNameList(folder, kReporterListPath, list);
         list.slot[1] = "山本";
         SaveNameList(folder, kReporterListPath, list);
     }},
    {"workbook's save", "callpad.xls", "messages/three-messages.txt", false,
     [](const DataFolder& folder) { Workbook().saveas(folder, "c:\\callpad.xls"); }},
};

// The steps of FileStep, in its order.
const char* const kStepNames[] = {"open", "read", "write", "flush", "rename", "close", "lock"};
static_assert(std::size(kStepNames) == kFileStepCount, "a step of FileStep is missing");

// A writer's file before it runs, in a temporary folder whose file layer counts (and may fail) each step.
struct Scene {
    explicit Scene(const Writer& w) : writer(w), folder(temp.folder()) {
        if (w.fixture) {
            before = fixtureBytes(w.fixture);
            temp.write(w.file, *before);
        }
        folder.injectFaults(faults);
    }
    // The file's bytes, or nothing when it is missing.
    std::optional<std::string> file() const {
        return temp.exists(writer.file) ? std::optional(temp.read(writer.file)) : std::nullopt;
    }
    // Runs the writer, which must report a failure of `failing` and leave its file as it was and no
    // temporary file.
    void expectRefused(const std::string& failing, std::optional<FileOperation> operation = std::nullopt) const {
        const auto error = errorOf([&] { writer.run(folder); });
        EXPECT_EQ(file(), before);
        EXPECT_EQ(temp.listing().find(".tmp"), std::string::npos) << temp.listing();
        ASSERT_TRUE(error) << "the failure was not reported";
        EXPECT_EQ(error->path(), folder.shownPath("c:\\" + failing));
        EXPECT_NE(error->number(), 0);
        EXPECT_EQ(error->operation(), operation.value_or(error->operation()));
    }
    const Writer& writer;
    TempFolder temp;
    std::optional<std::string> before;
    DataFolder folder;
    std::shared_ptr<FileFaults> faults = std::make_shared<FileFaults>();
};

// A clean run counts each step's calls; then each call of each step fails, one at a time: each failure
// is reported and leaves the old file. Every writer takes every step of a safe rewrite (take the folder
// lock, open a temporary file, write, flush and close it, rename it over the old file), or a failure there
// goes untried; from its lock on, every step happens while it holds the folder lock, so that no other copy
// reads or writes between its read and its rename.
TEST(FaultInjection, EveryWriterKeepsTheOldFileWhateverCallOfAStepFails) {
    for (const Writer& writer : kWriters) {
        Scene clean(writer);
        bool locking = false;
        int readsUnderLock = 0;
        clean.faults->beforeCall(FileStep::Lock, [&] { locking = true; });
        for (std::size_t s = 0; s < kFileStepCount; ++s) {
            const FileStep step = static_cast<FileStep>(s);
            if (step == FileStep::Lock) {  // set above
                continue;
            }
            for (int n = 1; n <= 10; ++n) {
                clean.faults->beforeCall(
                    step,
                    [&, s, step, n] {
                        if (locking) {  // no other copy can take the lock now
                            EXPECT_THROW(FolderLock(clean.temp.folder(), 0ms), FileError)
                                << writer.name << ": " << kStepNames[s] << " #" << n;
                        }
                        readsUnderLock += locking && step == FileStep::Read;
                    },
                    n);
            }
        }
        writer.run(clean.folder);
        EXPECT_NE(clean.file(), clean.before) << writer.name << " did not write";
        EXPECT_EQ(readsUnderLock > 0, writer.rereads) << writer.name;
        for (std::size_t s = 0; s < kFileStepCount; ++s) {
            const FileStep step = static_cast<FileStep>(s);
            EXPECT_TRUE(clean.faults->calls(step) > 0 || step == FileStep::Read)
                << writer.name << " never reaches the step " << kStepNames[s];
            for (int occurrence = 1; occurrence <= clean.faults->calls(step); ++occurrence) {
                SCOPED_TRACE(std::string(writer.name) + ", failing " + kStepNames[s] + " #" +
                             std::to_string(occurrence));
                Scene scene(writer);
                scene.faults->failAt(step, step == FileStep::Lock ? kLockRefusedError : kDiskError, occurrence);
                scene.expectRefused(step == FileStep::Lock ? "callpad.lock" : writer.file);
                EXPECT_EQ(scene.faults->injected(), 1) << "the call to fail did not happen";
            }
        }
    }
}

// A file that a user protected (no write bit; the read-only attribute on Windows) is refused by every
// writer, and neither its bytes nor its mode change. A data folder reached through a symbolic link, and a
// data file that is one, are written where the links lead, and both links stay.
TEST(FaultInjection, EveryWriterRefusesAReadOnlyFileAndWritesWhereLinksLead) {
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        const Scene scene(writer);
        const fs::path file = scene.temp.path(writer.file);
        if (scene.before) {
            fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
            const fs::perms mode = fs::status(file).permissions();
            scene.expectRefused(writer.file, FileOperation::ReadOnly);
            EXPECT_EQ(fs::status(file).permissions(), mode);
            fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
        }
#ifndef _WIN32  // Wine cannot create symbolic links
        const TempFolder elsewhere;
        if (scene.before) {
            fs::rename(file, elsewhere.path(writer.file));
            fs::create_symlink(elsewhere.path(writer.file), file);
        }
        const fs::path linkedFolder = elsewhere.path("data-link");
        fs::create_directory_symlink(scene.temp.root(), linkedFolder);
        writer.run(DataFolder(linkedFolder));
        EXPECT_TRUE(fs::is_symlink(linkedFolder));
        EXPECT_EQ(fs::is_symlink(file), scene.before.has_value());
        EXPECT_NE(scene.file(), scene.before);
        EXPECT_EQ(elsewhere.listing().find(".tmp"), std::string::npos) << elsewhere.listing();
        EXPECT_EQ(scene.temp.listing().find(".tmp"), std::string::npos) << scene.temp.listing();
#endif
    }
}

// Reads take no lock: another copy's load meets the old file or the new one while a rewrite runs, never
// a missing or half-written file.
TEST(Rewrites, AReaderMeetsTheOldFileOrTheNewOneNeverAMissingOrHalfWrittenOne) {
    TempFolder temp;
    NameList lists[2];
    lists[0].NameCount = 1;
    lists[0].slot[1] = "佐藤";
    lists[1].NameCount = NameList::kCapacity;
    lists[1].slot.fill("名前");
    SaveNameList(temp.folder(), kReporterListPath, lists[1]);
    std::atomic<bool> rewriting = true;
    auto rewrites = std::async(std::launch::async, [&] {
        const struct Ended {
            std::atomic<bool>& rewriting;
            ~Ended() { rewriting = false; }
        } ended{rewriting};
        for (int n = 0; n < 200; ++n) {
            SaveNameList(temp.folder(), kReporterListPath, lists[n % 2]);
        }
    });
    int reads = 0;
    for (; rewriting; ++reads) {
        NameList read;
        LoadNameList(temp.folder(), kReporterListPath, read);
        ASSERT_TRUE(!read.damaged && (read.NameCount == 1 || read.NameCount == NameList::kCapacity))
            << read.NameCount << " names at read " << reads;
#ifdef _WIN32
        // Where a file that is open cannot be replaced (Wine, older Windows), a reader that never let go
        // would hold every rewrite off.
        std::this_thread::sleep_for(1ms);
#endif
    }
    rewrites.get();
    EXPECT_GT(reads, 0) << "every rewrite was done before the first read";
}

#ifdef _WIN32
// Another program, in a process of its own (hold-file.exe, built next to this test), that holds a file
// open until the test ends it: sharing nothing, or as a reader that shares everything.
class OtherProgram {
public:
    OtherProgram(const fs::path& file, bool sharesEverything) {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring command = L"\"" + fs::path(self).replace_filename(L"hold-file.exe").wstring() + L"\" \"" +
                               file.wstring() + (sharesEverything ? L"\" shares" : L"\"");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &m_process)) {
            ADD_FAILURE() << "cannot start hold-file.exe: error " << GetLastError();
            return;
        }
        // It holds the file once an open that shares nothing meets a sharing violation. Starting a process
        // under Wine on a busy machine may take seconds.
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < limit && WaitForSingleObject(m_process.hProcess, 5) == WAIT_TIMEOUT) {
            const HANDLE probe = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            if (probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
                return;
            }
            CloseHandle(probe);
        }
        ADD_FAILURE() << "the other program did not take hold of " << file;
    }
    // Ends it, which closes its handle.
    void end() {
        if (m_process.hProcess) {
            TerminateProcess(m_process.hProcess, 0);
            WaitForSingleObject(m_process.hProcess, INFINITE);
            CloseHandle(m_process.hThread);
            CloseHandle(m_process.hProcess);
            m_process = {};
        }
    }
    ~OtherProgram() { end(); }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

private:
    PROCESS_INFORMATION m_process{};
};

// Another program holds a file open: a reader or a virus scanner a moment, which a read or rewrite waits
// for; a spreadsheet holds the workbook until the user closes it, which is told at once; a message file
// held longer than the program waits is told too. Meanwhile the folder lock stays free for the other
// copies of the program.
TEST(HeldOpen, AHeldFileIsWaitedForOrToldBusyWhileTheFolderLockStaysFree) {
    const auto& [save, firstSave, deletion, listSave, workbookSave] = kWriters;
    const Writer read{"read", "田中callpad.txt", "messages/three-messages.txt", false, [](const DataFolder& folder) {
                          MessageTable table;
                          LoadMessages(folder, "c:\\田中callpad.txt", table);
                          EXPECT_EQ(table.MessageCount(), 3);
                      }};
    const struct {
        const Writer& writer;
        bool sharesEverything;
        bool heldForGood = false;  // else the other program ends after 1.5 s
        // When the writer is done. Past a reader that shares everything, Windows 10 1607 and later on NTFS
        // replace the file at once; Wine waits for the reader.
        std::pair<std::chrono::milliseconds, std::chrono::milliseconds> window = {1500ms, platform::kPatience};
    } cases[] = {
        {save, false},
        {save, true, false, {0ms, platform::kPatience}},
        {read, false},
        {deletion, false},
        {listSave, false},
        {workbookSave, false, true, {0ms, 1000ms}},
        {save, false, true, {platform::kPatience, platform::kPatience + 1500ms}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.writer.name) + (c.sharesEverything ? " past a reader that shares everything" : "") +
                     (c.heldForGood ? ", held for good" : ""));
        const Scene scene(c.writer);
        OtherProgram other(scene.temp.path(c.writer.file), c.sharesEverything);
        const auto started = std::chrono::steady_clock::now();
        std::optional<platform::ErrorKind> refused;
        auto run = std::async(std::launch::async, [&] {
            if (const auto error = errorOf([&] { c.writer.run(scene.folder); })) {
                refused = error->kind();
            }
            return std::chrono::steady_clock::now() - started;
        });
        std::this_thread::sleep_for(300ms);
        EXPECT_NO_THROW(FolderLock(scene.temp.folder(), 700ms));
        if (!c.heldForGood) {
            std::this_thread::sleep_until(started + 1500ms);
            other.end();
        }
        const auto took = run.get();
        other.end();
        EXPECT_EQ(refused, c.heldForGood ? std::optional(platform::ErrorKind::Busy) : std::nullopt);
        EXPECT_GE(took, c.window.first);
        EXPECT_LT(took, c.window.second);
        // A read, and a writer told Busy, leave the file as it was; every other writer has written it.
        EXPECT_EQ(scene.file() == scene.before, c.heldForGood || &c.writer == &read);
    }
}
#endif

}  // namespace
}  // namespace callpad::test
