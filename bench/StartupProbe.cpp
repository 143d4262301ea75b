// Starts a program on the X server of $DISPLAY and measures the time until a top-level window with the
// given title is mapped, then, after letting it settle (first paint), ends it and reads its peak memory.
//
//   callpad_startup_probe <title> <settle ms> <program> [arguments...]
//
// Prints "<milliseconds to mapped> <peak resident set in KiB>".

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::string textProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property) {
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr),
        &std::free);
    if (!reply) {
        return {};
    }
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

int fail(const char* what, pid_t child) {
    std::fprintf(stderr, "callpad_startup_probe: %s\n", what);
    if (child > 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <title> <settle ms> <program> [arguments...]\n", argv[0]);
        return 2;
    }
    const std::string title = argv[1];
    const int settleMs = std::atoi(argv[2]);

    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        return fail("cannot connect to the X server", 0);
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_request_check(connection, xcb_change_window_attributes_checked(connection, root, XCB_CW_EVENT_MASK, &mask));
    const xcb_atom_t netWmName = atom(connection, "_NET_WM_NAME");

    pid_t child = 0;
    const Clock::time_point start = Clock::now();
    if (::posix_spawn(&child, argv[3], nullptr, nullptr, argv + 3, environ) != 0) {
        return fail("cannot start the program", 0);
    }

    const Clock::time_point deadline = start + std::chrono::seconds(30);
    std::chrono::duration<double, std::milli> elapsed{};
    bool mapped = false;
    pollfd watch{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (!mapped) {
        if (Clock::now() > deadline || ::waitpid(child, nullptr, WNOHANG) == child) {
            return fail("the window was not mapped", child);
        }
        ::poll(&watch, 1, 50);
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const Clock::time_point now = Clock::now();
            if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
                const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
                if (!map->override_redirect && !mapped) {
                    const std::string name = textProperty(connection, map->window, netWmName);
                    const std::string plainName = textProperty(connection, map->window, XCB_ATOM_WM_NAME);
                    if (name == title || plainName == title) {
                        mapped = true;
                        elapsed = now - start;
                    }
                }
            }
            std::free(event);
        }
        if (xcb_connection_has_error(connection)) {
            return fail("lost the X server", child);
        }
    }

    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    ::kill(child, SIGTERM);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    xcb_disconnect(connection);
    std::printf("%.2f %ld\n", elapsed.count(), usage.ru_maxrss);
    return 0;
}
