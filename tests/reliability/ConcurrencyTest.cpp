#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <random>
#include <set>
#include <thread>

#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "records/FileError.h"
#include "review/MessageViewer.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::TempFolder;
constexpr const char* kPath = "c:\\田中callpad.txt";

PhoneMessage numbered(int n) {
    PhoneMessage message;
    message.CallerParty = message.CallerPartyCopy = std::to_string(n);
    message.MessageText = "連絡事項\r\n" + std::string(static_cast<std::size_t>(n % 7) * 40, 'x');
    message.CallBackFlag = "0";
    return message;
}

// The numbers of the file's messages, top first; fails the test when the file is not whole.
std::vector<int> numbersInFile(const DataFolder& folder) {
    MessageTable table;
    const MessageLoad load = LoadMessages(folder, kPath, table);
    EXPECT_TRUE(load.isWhole());
    std::vector<int> numbers;
    for (int i = 1; i <= table.MessageCount(); ++i) {
        numbers.push_back(std::stoi(table.slot(i).CallerParty));
    }
    return numbers;
}

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

int exitCode(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CrashConsistency, AKilledSaveLeavesTheOldOrTheNewFileNeverAMix) {
    TempFolder temp;
    std::mt19937 random(20261206);
    int kills = 0;
    int top = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < deadline) {
        if (top % 50 >= 45) {
            temp.write("田中callpad.txt", "");  // start a fresh file before it is full
        }
        const int first = top + 1;
        const pid_t saver = runInChild([&] {
            for (int n = first;; ++n) {
                saveNewMessage(temp.folder(), kPath, numbered(n));
            }
            return 0;
        });
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ::kill(saver, SIGKILL);
        exitCode(saver);
        ++kills;

        // Saved messages run down without a gap from the newest; none saved before is lost.
        const std::vector<int> numbers = numbersInFile(temp.folder());
        for (std::size_t i = 1; i < numbers.size(); ++i) {
            ASSERT_EQ(numbers[i], numbers[i - 1] - 1) << "after kill " << kills;
        }
        const int newTop = numbers.empty() ? top : numbers.front();
        ASSERT_GE(newTop, top) << "after kill " << kills;
        top = newTop;
    }
    std::cout << "kills survived: " << kills << ", messages saved: " << top << "\n";
}

TEST(TwoCopies, SavesAndDeletionsOnOneFileLoseNothing) {
    TempFolder temp;
    constexpr int kSaves = 120;
    constexpr int kDeletions = 80;  // at most 50 may remain: a message file holds 50
    int deletedPipe[2];
    ASSERT_EQ(::pipe(deletedPipe), 0);
    // Both copies give up after this, so a fault shows as a failure instead of a hang.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const auto late = [deadline] { return std::chrono::steady_clock::now() > deadline; };

    const pid_t saver = runInChild([&] {
        ::close(deletedPipe[0]);
        ::close(deletedPipe[1]);
        for (int n = 1; n <= kSaves;) {
            if (late()) {
                return 7;
            }
            try {
                if (saveNewMessage(temp.folder(), kPath, numbered(n)) == SaveResult::Saved) {
                    ++n;
                    continue;
                }
            } catch (const FileError& error) {
                if (error.operation() != FileOperation::Lock) {
                    return 2;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return 0;
    });
    const pid_t deleter = runInChild([&] {
        ::close(deletedPipe[0]);
        for (int deleted = 0; deleted < kDeletions;) {
            if (late()) {
                return 7;
            }
            MessageViewer viewer;
            viewer.load(temp.folder(), "田中");
            if (viewer.MessageCount() == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            viewer.HSclNo_Change(viewer.MessageCount());  // the oldest
            const int number = std::stoi(viewer.currentMessage().CallerParty);
            try {
                if (viewer.CmdDel_Click(temp.folder()) != MessageViewer::DeleteOutcome::Deleted) {
                    return 3;
                }
            } catch (const FileError& error) {
                if (error.operation() != FileOperation::Lock) {
                    return 2;
                }
                continue;
            }
            if (::write(deletedPipe[1], &number, sizeof number) != sizeof number) {
                return 4;
            }
            ++deleted;
        }
        return 0;
    });
    ::close(deletedPipe[1]);
    // The reader reads all the while, until the test leaves a stop file once both copies are done.
    const auto stopFile = temp.root() / "stop";
    const pid_t reader = runInChild([&] {
        ::close(deletedPipe[0]);
        int reads = 0;
        while (!std::filesystem::exists(stopFile)) {
            MessageTable table;
            if (!LoadMessages(temp.folder(), kPath, table).isWhole()) {
                return 5;
            }
            ++reads;
        }
        return reads > 0 ? 0 : 6;
    });

    std::set<int> deleted;
    int number = 0;
    while (::read(deletedPipe[0], &number, sizeof number) == sizeof number) {
        deleted.insert(number);
    }
    ::close(deletedPipe[0]);
    EXPECT_EQ(exitCode(saver), 0);
    EXPECT_EQ(exitCode(deleter), 0);
    temp.write("stop", "");
    EXPECT_EQ(exitCode(reader), 0) << "the reader saw a malformed file";
    EXPECT_EQ(deleted.size(), static_cast<std::size_t>(kDeletions));

    std::vector<int> expected;
    for (int n = kSaves; n >= 1; --n) {
        if (!deleted.count(n)) {
            expected.push_back(n);
        }
    }
    EXPECT_EQ(numbersInFile(temp.folder()), expected);
    std::cout << "operations by the two copies: " << kSaves << " saves, " << deleted.size() << " deletions\n";
}

}  // namespace
}  // namespace callpad
