// nubivo-bench-window-watch [--timeout-ms N] -- PROGRAM [ARGUMENT...]
//
// Starts PROGRAM on the X display of $DISPLAY and watches the X server the way a user's eye
// would: when the program's first top-level window is mapped, and when a picture first
// appears in it (drawn after the map and not of one colour, so that neither an empty window
// nor a background fill counts). Prints "mapped-ms N" and "frame-ms N", milliseconds from
// just before the program was created ("none" when it did not happen within the time
// limit, 10 s unless given). Then, half a second later, it compares that first picture with
// what the window shows by then and prints "later-differs N", the count of pixels that
// changed: 0 when the first picture shown was already the whole start-up picture. Last it
// ends the program (SIGTERM, SIGKILL after 5 s).
//
// Drawing is seen through the DAMAGE extension, so the server is asked for the window's
// pixels only after something was drawn into it.
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

struct Window {
    uint16_t width = 0;
    uint16_t height = 0;
    bool mapped = false;
    xcb_damage_damage_t damage = 0;
};

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The window's pixels, 4 bytes each (24- and 32-bit visuals; the fourth byte is padding);
// empty when the server gives none.
std::string windowPixels(xcb_connection_t* connection, xcb_window_t window, const Window& state) {
    if (state.width == 0 || state.height == 0) {
        return std::string();
    }
    xcb_get_image_cookie_t cookie = xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0,
                                                  0, state.width, state.height, ~0u);
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
        xcb_get_image_reply(connection, cookie, nullptr), &std::free);
    if (!reply) {
        return std::string();
    }
    const auto* data = reinterpret_cast<const char*>(xcb_get_image_data(reply.get()));
    return std::string(data, static_cast<size_t>(xcb_get_image_data_length(reply.get())));
}

// True when the pixels hold more than one colour.
bool showsAPicture(const std::string& pixels) {
    for (size_t at = 4; at + 3 < pixels.size(); at += 4) {
        if (std::memcmp(pixels.data(), pixels.data() + at, 3) != 0) {
            return true;
        }
    }
    return false;
}

// The count of pixels that differ between two pictures of the same window.
long differingPixels(const std::string& first, const std::string& later) {
    if (first.size() != later.size()) {
        return static_cast<long>(std::max(first.size(), later.size()) / 4);
    }
    long count = 0;
    for (size_t at = 0; at + 3 < first.size(); at += 4) {
        count += std::memcmp(first.data() + at, later.data() + at, 3) != 0 ? 1 : 0;
    }
    return count;
}

pid_t startProgram(char** argv) {
    pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[0], argv);
        std::perror(argv[0]);
        _exit(127);
    }
    return pid;
}

void endProgram(pid_t pid) {
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            return;
        }
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

void printTime(const char* name, double milliseconds) {
    if (milliseconds < 0) {
        std::printf("%s none\n", name);
    } else {
        std::printf("%s %.2f\n", name, milliseconds);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int limitMs = 10000;
    int first = 1;
    while (first < argc && std::strcmp(argv[first], "--") != 0) {
        if (std::strcmp(argv[first], "--timeout-ms") == 0 && first + 1 < argc) {
            limitMs = std::atoi(argv[++first]);
        }
        ++first;
    }
    if (first + 1 >= argc) {
        std::fprintf(stderr, "usage: %s [--timeout-ms N] -- PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }

    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        std::fprintf(stderr, "window-watch: cannot open the display\n");
        return 1;
    }
    const xcb_query_extension_reply_t* damageExtension =
        xcb_get_extension_data(connection, &xcb_damage_id);
    if (damageExtension == nullptr || damageExtension->present == 0) {
        std::fprintf(stderr, "window-watch: the X server has no DAMAGE extension\n");
        return 1;
    }
    std::free(xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1),
                                             nullptr));
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&screens);
    }
    const xcb_window_t root = screens.data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    // A round trip: the server watches the root before the program exists.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

    std::map<xcb_window_t, Window> windows;
    double mappedMs = -1;
    double frameMs = -1;
    xcb_window_t shown = XCB_NONE;
    std::string firstPicture;
    const Clock::time_point start = Clock::now();
    const pid_t pid = startProgram(argv + first + 1);
    pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};

    while (frameMs < 0 && millisecondsSince(start) < limitMs) {
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (event == nullptr) {
            if (xcb_connection_has_error(connection) != 0) {
                break;
            }
            poll(&descriptor, 1, 50);
            continue;
        }
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
            if (created->parent == root && created->override_redirect == 0) {
                Window& window = windows[created->window];
                window.width = created->width;
                window.height = created->height;
                window.damage = xcb_generate_id(connection);
                // An input-only window refuses a damage object; the error is let go.
                xcb_damage_create(connection, window.damage, created->window,
                                  XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                xcb_flush(connection);
            }
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            auto* configured = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            auto found = windows.find(configured->window);
            if (found != windows.end()) {
                found->second.width = configured->width;
                found->second.height = configured->height;
            }
        } else if (type == XCB_MAP_NOTIFY) {
            auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(event);
            auto found = windows.find(mapped->window);
            if (found != windows.end()) {
                found->second.mapped = true;
                if (mappedMs < 0) {
                    mappedMs = millisecondsSince(start);
                }
            }
        } else if (type == damageExtension->first_event + XCB_DAMAGE_NOTIFY) {
            auto* damaged = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            auto found = windows.find(damaged->drawable);
            if (found != windows.end()) {
                xcb_damage_subtract(connection, found->second.damage, XCB_NONE, XCB_NONE);
                if (found->second.mapped) {
                    std::string pixels = windowPixels(connection, damaged->drawable, found->second);
                    if (showsAPicture(pixels)) {
                        frameMs = millisecondsSince(start);
                        shown = damaged->drawable;
                        firstPicture = std::move(pixels);
                    }
                }
            }
        }
        std::free(event);
    }

    printTime("mapped-ms", mappedMs);
    printTime("frame-ms", frameMs);
    if (shown != XCB_NONE) {
        usleep(500000);
        std::string later = windowPixels(connection, shown, windows[shown]);
        std::printf("later-differs %ld\n", differingPixels(firstPicture, later));
    }
    std::fflush(stdout);
    endProgram(pid);
    xcb_disconnect(connection);
    return 0;
}
