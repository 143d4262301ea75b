#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <iostream>
#include <optional>
#include <random>
#include <thread>

#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "records/FileError.h"
#include "review/MessageViewer.h"
#include "support/Samples.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::numbersInFile;
using test::TempFolder;
constexpr const char* kPath = "c:\\田中callpad.txt";

// Runs `body` in a child process that ends with its result as exit code.
template <typename Body>
pid_t runInChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 1;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    return pid;
}

TEST(CrashConsistency, AKilledSaveLeavesTheOldOrTheNewFileNeverAMix) {
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
        const pid_t saver = runInChild([&] {
            const auto start = std::chrono::steady_clock::now();
            saveNewMessage(temp.folder(), kPath, test::numberedMessage(first));
            const auto took =
                std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
            const std::int64_t micros = took.count();
            if (::write(report[1], &micros, sizeof micros) != sizeof micros) {
                return 1;
            }
            for (int n = first + 1;; ++n) {
                saveNewMessage(temp.folder(), kPath, test::numberedMessage(n));
            }
            return 0;
        });
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
        const std::vector<int> numbers = numbersInFile(temp.folder(), kPath);
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

TEST(TwoCopies, SavesAndDeletionsOnOneFileLoseNothing) {
    TempFolder temp;
    // One copy saves messages 1 to 120 while the other deletes the oldest message 80 times, so messages
    // 81 to 120 must remain, newest first. A message file holds 50: the saver waits for the deleter.
    constexpr int kSaves = 120;
    constexpr int kDeletions = 80;
    // A copy gives up when it has not succeeded in a step for this long, so that a fault shows as a
    // failure instead of a hang, however slowly a loaded machine lets the copies go on. The saver waits
    // for the deleter only while the file is full, which a working deleter ends within moments.
    constexpr auto kStall = std::chrono::seconds(60);
    // Runs `step` until it has succeeded `times` times (it returns 0, or 1 to try again, or an exit code);
    // a lock held too long by the other copy is tried again.
    const auto repeat = [&](int times, auto step) {
        return runInChild([&, times, step] {
            auto lastStep = std::chrono::steady_clock::now();
            for (int done = 0; done < times;) {
                if (std::chrono::steady_clock::now() > lastStep + kStall) {
                    return 7;
                }
                try {
                    const int result = step(done + 1);
                    if (result == 0) {
                        ++done;
                        lastStep = std::chrono::steady_clock::now();
                    }
                    if (result > 1) {
                        return result;
                    }
                } catch (const FileError& error) {
                    if (error.operation() != FileOperation::Lock) {
                        return 2;
                    }
                }
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
            return 0;
        });
    };
    const pid_t saver = repeat(kSaves, [&](int n) {
        return saveNewMessage(temp.folder(), kPath, test::numberedMessage(n)) == SaveResult::Saved ? 0 : 1;
    });
    const pid_t deleter = repeat(kDeletions, [&](int) {
        MessageViewer viewer;
        viewer.load(temp.folder(), "田中");
        if (viewer.MessageCount() == 0) {
            return 1;
        }
        viewer.show(viewer.MessageCount());  // the oldest
        return viewer.deleteShownMessage(temp.folder()) == DeleteResult::Deleted ? 0 : 3;
    });
    // The test reads all the while, as a third copy would, until both are done.
    std::optional<int> saverCode;
    std::optional<int> deleterCode;
    int reads = 0;
    for (int status = 0; !saverCode || !deleterCode; ++reads) {
        MessageTable table;
        EXPECT_TRUE(LoadMessages(temp.folder(), kPath, table).isWhole()) << "a reader saw a malformed file";
        for (auto [pid, code] : {std::pair{saver, &saverCode}, {deleter, &deleterCode}}) {
            if (!*code && ::waitpid(pid, &status, WNOHANG) == pid) {
                *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
        }
    }
    EXPECT_EQ(saverCode, 0);
    EXPECT_EQ(deleterCode, 0);
    std::vector<int> expected;
    for (int n = kSaves; n > kDeletions; --n) {
        expected.push_back(n);
    }
    EXPECT_EQ(numbersInFile(temp.folder(), kPath), expected);
    std::cout << "operations by the two copies: " << kSaves << " saves, " << kDeletions << " deletions; " << reads
              << " reads meanwhile\n";
}

}  // namespace
}  // namespace callpad
