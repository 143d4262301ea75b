#pragma once

#include <array>
#include <functional>
#include <vector>

namespace callpad {

// The steps of the file layer at which the file system can fail.
enum class FileStep { Open, Read, Write, Flush, Rename, Close, Lock };
// How many steps there are; Lock stays the last.
inline constexpr std::size_t kFileStepCount = static_cast<std::size_t>(FileStep::Lock) + 1;

// Failures that tests inject into the file layer of one data folder, so that every failing step of
// every writer can be tried without root tricks: the n-th call of a step fails with an error number.
class FileFaults {
public:
    void failAt(FileStep step, int error, int occurrence = 1);
    // Runs `action` just before the n-th call of a step: what another PC does at that moment.
    void beforeCall(FileStep step, std::function<void()> action, int occurrence = 1);
    // The error this call of the step fails with, or 0 when it goes through.
    int next(FileStep step);
    // How many failures were injected so far.
    int injected() const { return m_injected; }
    // How many times the step was reached so far, failed or not.
    int calls(FileStep step) const { return m_calls[static_cast<std::size_t>(step)]; }

private:
    struct Planned {
        FileStep step;
        int error;
        int occurrence;
    };
    struct Action {
        FileStep step;
        std::function<void()> run;
        int occurrence;
    };
    std::vector<Planned> m_planned;
    std::vector<Action> m_actions;
    std::array<int, kFileStepCount> m_calls{};
    int m_injected = 0;
};

}  // namespace callpad
