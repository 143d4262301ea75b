#include "records/FileFaults.h"

namespace callpad {

void FileFaults::failAt(FileStep step, int error, int occurrence) {
    m_planned.push_back({step, error, occurrence});
}

void FileFaults::beforeCall(FileStep step, std::function<void()> action, int occurrence) {
    m_actions.push_back({step, std::move(action), occurrence});
}

int FileFaults::next(FileStep step) {
    const int call = ++m_calls[static_cast<std::size_t>(step)];
    for (const auto& action : m_actions) {
        if (action.step == step && action.occurrence == call) {
            action.run();
        }
    }
    for (const auto& planned : m_planned) {
        if (planned.step == step && planned.occurrence == call) {
            ++m_injected;
            return planned.error;
        }
    }
    return 0;
}

}  // namespace callpad
