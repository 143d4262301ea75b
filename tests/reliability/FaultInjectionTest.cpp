#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <thread>

#include "export/Workbook.h"
#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "names/NameList.h"
#include "records/FileError.h"
#include "records/FileFaults.h"
#include "records/FolderLock.h"
#include "review/MessageViewer.h"
#include "support/Bytes.h"
#include "support/Samples.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::TempFolder;

// One writer of the program, run on a folder that already holds its file.
struct Writer {
    const char* name;
    const char* file;     // the file it rewrites, in the data folder
    const char* fixture;  // what that file holds before, or nullptr for no file
    std::function<void(const DataFolder&)> run;
};

const std::vector<Writer>& writers() {
    static const std::vector<Writer> all = {
        {"entry screen's save", "田中callpad.txt", "messages/three-messages.txt",
         [](const DataFolder& folder) { saveNewMessage(folder, "c:\\田中callpad.txt", test::sampleMessage("新規")); }},
        {"entry screen's first save", "田中callpad.txt", nullptr,
         [](const DataFolder& folder) { saveNewMessage(folder, "c:\\田中callpad.txt", test::sampleMessage("新規")); }},
        {"viewer's deletion", "田中callpad.txt", "messages/three-messages.txt",
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
        {"list editor's save", "callpadRT.txt", "names/reporters.txt",
         [](const DataFolder& folder) {
             NameList list;
             LoadNameList(folder, kReporterListPath, list);
             list.slot[1] = "山本";
             SaveNameList(folder, kReporterListPath, list);
         }},
        {"workbook's save", "callpad.xls", "messages/three-messages.txt",
         [](const DataFolder& folder) {
             Workbook workbook;
             workbook.sheets("sheet1")->cells(1, 2, "相手先");
             workbook.saveas(folder, "c:\\callpad.xls");
         }},
    };
    return all;
}

// The steps in the order of FileStep, with their names.
struct Step {
    FileStep step;
    const char* name;
};
const Step kSteps[] = {{FileStep::Open, "open"},   {FileStep::Read, "read"},     {FileStep::Write, "write"},
                       {FileStep::Flush, "flush"}, {FileStep::Rename, "rename"}, {FileStep::Close, "close"},
                       {FileStep::Lock, "lock"}};
static_assert(std::size(kSteps) == static_cast<std::size_t>(FileStep::Lock) + 1, "a step of FileStep is missing");

// What every writer must do for a rewrite that survives a crash: take the folder lock, open a temporary file,
// write it, flush it to disk, close it and rename it over the old file. Reading depends on the writer.
const FileStep kStepsOfEveryRewrite[] = {FileStep::Open,  FileStep::Write,  FileStep::Flush,
                                         FileStep::Close, FileStep::Rename, FileStep::Lock};

// A writer's file before it runs, in a temporary folder whose file layer counts (and may fail) each step.
struct Scene {
    explicit Scene(const Writer& writer) : file(writer.file), folder(temp.folder()) {
        if (writer.fixture) {
            before = test::fixtureBytes(writer.fixture);
            temp.write(writer.file, *before);
        }
        folder.injectFaults(faults);
    }
    // The file is as it was before: the same bytes, or still missing.
    ::testing::AssertionResult unchanged() const {
        if (!before) {
            return temp.exists(file) ? ::testing::AssertionFailure() << file << " was created"
                                     : ::testing::AssertionSuccess();
        }
        return test::sameBytes(*before, temp.read(file));
    }
    TempFolder temp;
    const char* file;
    std::optional<std::string> before;
    DataFolder folder;
    std::shared_ptr<FileFaults> faults = std::make_shared<FileFaults>();
};

// Whether another copy of the program could take the folder lock now.
bool lockIsFree(const DataFolder& folder) {
    try {
        FolderLock other(folder, std::chrono::milliseconds(0));
        return true;
    } catch (const FileError&) {
        return false;
    }
}

// How often a run without failures reaches each step; a failure of a step's n-th call then happens in
// exactly the runs where n is at most this count, since the run is the same up to that call. From the
// writer's lock on, every step happens while it holds the folder lock, so that no other copy reads or
// writes between its read and its rename.
std::array<int, std::size(kSteps)> callsOfACleanRun(const Writer& writer) {
    Scene scene(writer);
    bool locking = false;
    scene.faults->beforeCall(FileStep::Lock, [&] { locking = true; });
    for (const Step& step : kSteps) {
        for (int n = 1; n <= 10 && step.step != FileStep::Lock; ++n) {
            scene.faults->beforeCall(
                step.step,
                [&, step, n] {
                    EXPECT_FALSE(locking && lockIsFree(scene.temp.folder()))
                        << writer.name << ": " << step.name << " #" << n;
                },
                n);
        }
    }
    writer.run(scene.folder);
    EXPECT_FALSE(scene.unchanged()) << writer.name << " did not write";
    std::array<int, std::size(kSteps)> calls{};
    for (const Step& step : kSteps) {
        calls[static_cast<std::size_t>(step.step)] = scene.faults->calls(step.step);
    }
    return calls;
}

// Fails each call of each step that a clean run makes, one at a time: each failure is reported and
// leaves the old file. Every writer takes every step of a safe rewrite, or a failure there goes untried.
TEST(FaultInjection, EveryWriterKeepsTheOldFileWhateverCallOfAStepFails) {
    int survived = 0;
    for (const auto& writer : writers()) {
        const auto calls = callsOfACleanRun(writer);
        for (const FileStep step : kStepsOfEveryRewrite) {
            EXPECT_GE(calls[static_cast<std::size_t>(step)], 1)
                << writer.name << " never reaches the step " << kSteps[static_cast<std::size_t>(step)].name;
        }
        for (const Step& step : kSteps) {
            const bool lock = step.step == FileStep::Lock;
            for (int occurrence = 1; occurrence <= calls[static_cast<std::size_t>(step.step)]; ++occurrence) {
                SCOPED_TRACE(std::string(writer.name) + ", failing " + step.name + " #" + std::to_string(occurrence));
                Scene scene(writer);
                scene.faults->failAt(step.step, lock ? test::kLockRefusedError : test::kDiskError, occurrence);
                try {
                    writer.run(scene.folder);
                    ADD_FAILURE() << "the failure was not reported";
                } catch (const FileError& error) {
                    EXPECT_EQ(error.path(), scene.temp.folder().shownPath(std::string("c:\\") +
                                                                          (lock ? "callpad.lock" : writer.file)));
                    EXPECT_NE(error.number(), 0);
                }
                EXPECT_EQ(scene.faults->injected(), 1) << "the call to fail did not happen";
                EXPECT_EQ(scene.temp.listing().find(".tmp"), std::string::npos) << scene.temp.listing();
                EXPECT_TRUE(scene.unchanged());
                ++survived;
            }
        }
    }
    std::cout << "faults injected and survived: " << survived << " (" << writers().size() << " writers, every call of "
              << std::size(kSteps) << " steps)\n";
}

// A file that a user protected (no write bit; the read-only attribute on Windows) is refused by every
// writer, and neither its bytes nor its mode change.
TEST(ProtectedFiles, EveryWriterRefusesAReadOnlyFileAndChangesNothing) {
    namespace fs = std::filesystem;
    const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    for (const auto& writer : writers()) {
        SCOPED_TRACE(writer.name);
        Scene scene(writer);
        const fs::path file = scene.temp.path(writer.file);
        if (!scene.before) {
            continue;
        }
        fs::permissions(file, write, fs::perm_options::remove);
        const fs::perms mode = fs::status(file).permissions();
        try {
            writer.run(scene.folder);
            ADD_FAILURE() << "the read-only file was not refused";
        } catch (const FileError& error) {
            EXPECT_EQ(error.operation(), FileOperation::ReadOnly);
            EXPECT_EQ(error.path(), scene.folder.shownPath(std::string("c:\\") + writer.file));
        }
        EXPECT_TRUE(scene.unchanged());
        EXPECT_EQ(fs::status(file).permissions(), mode);
        EXPECT_EQ(scene.temp.listing().find(".tmp"), std::string::npos) << scene.temp.listing();
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
    }
}

// A data folder reached through a symbolic link, and a data file that is one, are written where the links
// lead, and both links stay.
TEST(LinkedFiles, EveryWriterWritesWhereTheLinksLeadAndKeepsThem) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine cannot create symbolic links";
#endif
    namespace fs = std::filesystem;
    for (const auto& writer : writers()) {
        SCOPED_TRACE(writer.name);
        Scene scene(writer);
        const TempFolder elsewhere;
        const fs::path file = scene.temp.path(writer.file);
        if (scene.before) {
            fs::rename(file, elsewhere.path(writer.file));
            fs::create_symlink(elsewhere.path(writer.file), file);
        }
        const fs::path linkedFolder = elsewhere.path("data-link");
        fs::create_directory_symlink(scene.temp.root(), linkedFolder);
        writer.run(DataFolder(linkedFolder));
        EXPECT_TRUE(fs::is_symlink(linkedFolder));
        EXPECT_EQ(fs::is_symlink(file), scene.before.has_value());
        EXPECT_FALSE(scene.unchanged());
        EXPECT_EQ(elsewhere.listing().find(".tmp"), std::string::npos) << elsewhere.listing();
        EXPECT_EQ(scene.temp.listing().find(".tmp"), std::string::npos) << scene.temp.listing();
    }
}

#ifndef _WIN32
TEST(CrashConsistency, AKilledSaveLeavesTheOldOrTheNewFileNeverAMix) {
    constexpr const char* kPath = "c:\\田中callpad.txt";
    TempFolder temp;
    std::mt19937 random(20261206);
    // Each round a saver reports its first save done and how long it took, goes on saving and is killed
    // at a random moment of about the next two saves. The rounds, not the clock, end the test, so a
    // loaded machine makes it slower but no weaker; the limit only turns a hang into a failure.
    constexpr int kRounds = 50;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    int top = 0;
    std::size_t held = 0;
    for (int kills = 1; kills <= kRounds; ++kills) {
        ASSERT_LT(std::chrono::steady_clock::now(), limit) << "only " << kills - 1 << " rounds within the limit";
        if (held >= 45) {
            temp.write("田中callpad.txt", "");  // start a fresh file before it is full
        }
        const int first = top + 1;
        int report[2];
        ASSERT_EQ(::pipe(report), 0);
        const pid_t saver = ::fork();
        if (saver == 0) {
            try {
                const auto start = std::chrono::steady_clock::now();
                saveNewMessage(temp.folder(), kPath, test::numberedMessage(first));
                const std::int64_t micros =
                    std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start)
                        .count();
                if (::write(report[1], &micros, sizeof micros) == sizeof micros) {
                    for (int n = first + 1;; ++n) {
                        saveNewMessage(temp.folder(), kPath, test::numberedMessage(n));
                    }
                }
            } catch (...) {
            }
            ::_exit(1);
        }
        ::close(report[1]);
        std::int64_t firstSave = 0;
        const bool saved = ::read(report[0], &firstSave, sizeof firstSave) == sizeof firstSave;
        ::close(report[0]);
        if (saved) {
            std::this_thread::sleep_for(
                std::chrono::microseconds(random() % static_cast<std::uint64_t>(2 * firstSave + 1)));
        }
        ::kill(saver, SIGKILL);
        ::waitpid(saver, nullptr, 0);
        ASSERT_TRUE(saved) << "the saver ended before its first save, round " << kills;

        // Saved messages run down without a gap from the newest; none saved before is lost, nor the save
        // the saver reported done.
        const std::vector<int> numbers = test::numbersInFile(temp.folder(), kPath);
        for (std::size_t i = 1; i < numbers.size(); ++i) {
            ASSERT_EQ(numbers[i], numbers[i - 1] - 1) << "after kill " << kills;
        }
        held = numbers.size();
        ASSERT_FALSE(numbers.empty()) << "no message saved at all, after kill " << kills;
        ASSERT_GE(numbers.front(), first) << "after kill " << kills;
        top = numbers.front();
    }
    std::cout << "kills survived: " << kRounds << ", messages saved: " << top << "\n";
}
#endif

}  // namespace
}  // namespace callpad
