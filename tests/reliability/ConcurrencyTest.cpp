#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <iostream>
#include <random>
#include <thread>

#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "support/Samples.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::numbersInFile;
using test::TempFolder;
constexpr const char* kPath = "c:\\田中callpad.txt";

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

}  // namespace
}  // namespace callpad
