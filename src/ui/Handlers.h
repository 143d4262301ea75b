#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

#include <exception>

namespace callpad::ui {

// What the user is told of a failure that abandoned a handler: a file-system error names the file,
// the error's number and its description.
QString failureText(const std::exception& failure);

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
