#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

#include <exception>

namespace callpad::ui {

// Whose read-me the messages point to: the README.txt that ships with the Windows program, which says
// what a Windows user can do, or the project's README with its advice on groups and mounts.
enum class HelpFor { Windows, Linux };
#ifdef Q_OS_WIN
inline constexpr HelpFor kThisSystem = HelpFor::Windows;
#else
inline constexpr HelpFor kThisSystem = HelpFor::Linux;
#endif

// What the user is told of a failure that abandoned a handler: a file-system error names the file,
// the error's number and its description.
QString failureText(const std::exception& failure, HelpFor help = kThisSystem);

// Reports that failure in a message box.
void reportFailure(QWidget* screen, const std::exception& failure);

// Runs a handler to completion or to its first failure, which is reported in a message box. The
// program keeps running; what the handler had not yet written stays as it was on disk.
template <typename Handler>
void runHandler(QWidget* screen, Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& failure) {
        reportFailure(screen, failure);
    }
}

// Connects a control's signal to a screen's handler, run through runHandler.
template <typename Sender, typename Signal, typename Screen>
void connectHandler(Sender* sender, Signal signal, Screen* screen, void (Screen::*handler)()) {
    QObject::connect(sender, signal, screen, [screen, handler] { runHandler(screen, [&] { (screen->*handler)(); }); });
}

}  // namespace callpad::ui
