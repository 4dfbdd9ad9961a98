// How soon the drum machine's window shows something: milliseconds from launching it to
// the map of its window, to the first frame seen on the screen, and to the program's own
// first drawing of the grid; the median of several launches. The map is the X server's
// own event; the frame is looked for by reading a few lines of the window's pixels every
// millisecond, and counts once they are no longer all one colour (an unpainted window is
// blank). With a window manager the map is that of the frame holding the window. E.g.
//   xvfb-run -a build/release/bench/startup/startup_bench [runs] [program]
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr long long kGiveUpMs = 10000;
constexpr int kSampledLines = 8;

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

double millisecondsSince(long long start) {
    return double(monotonicNanoseconds() - start) / 1e6;
}

struct Launch {
    double mapped = -1, framed = -1, gridDrawn = -1;
};

// Whether `window` belongs to the process `pid`, by the id the toolkit sets on its windows.
bool ownedBy(xcb_connection_t* x, xcb_atom_t pidAtom, xcb_window_t window, pid_t pid) {
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> owner(
        xcb_get_property_reply(x, xcb_get_property(x, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1),
                               nullptr),
        &std::free);
    return owner && xcb_get_property_value_length(owner.get()) == 4 &&
           *static_cast<const uint32_t*>(xcb_get_property_value(owner.get())) == uint32_t(pid);
}

// The program's own window at or inside `top` (a window manager's frame holds it), or none.
xcb_window_t programWindow(xcb_connection_t* x, xcb_atom_t pidAtom, xcb_window_t top, pid_t pid,
                           int depth = 3) {
    if (ownedBy(x, pidAtom, top, pid)) return top;
    if (depth == 0) return XCB_NONE;
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(x, xcb_query_tree(x, top), nullptr), &std::free);
    if (!tree) return XCB_NONE;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
        if (xcb_window_t found = programWindow(x, pidAtom, children[i], pid, depth - 1))
            return found;
    return XCB_NONE;
}

// The program's window, once what holds it on the screen has been mapped since the last
// call; else none.
xcb_window_t mappedWindow(xcb_connection_t* x, xcb_atom_t pidAtom, pid_t pid) {
    xcb_window_t found = XCB_NONE;
    while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY && found == XCB_NONE && pid > 0) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (!map->override_redirect) found = programWindow(x, pidAtom, map->window, pid);
        }
        std::free(event);
    }
    return found;
}

// Whether some sampled line of the window holds more than one colour.
bool showsSomething(xcb_connection_t* x, xcb_window_t window) {
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(x, xcb_get_geometry(x, window), nullptr), &std::free);
    if (!geometry || geometry->width == 0 || geometry->height == 0) return false;
    for (int i = 1; i <= kSampledLines; ++i) {
        const auto y = static_cast<int16_t>(geometry->height * i / (kSampledLines + 1));
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> line(
            xcb_get_image_reply(
                x,
                xcb_get_image(x, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, y, geometry->width, 1, ~0u),
                nullptr),
            &std::free);
        if (!line) return false;
        const auto* pixels = reinterpret_cast<const uint32_t*>(xcb_get_image_data(line.get()));
        const int count = xcb_get_image_data_length(line.get()) / 4;
        for (int p = 1; p < count; ++p)
            if ((pixels[p] & 0xffffff) != (pixels[0] & 0xffffff)) return true;
    }
    return false;
}

// The program's own report of its first grid drawing, if it came.
double reportedGridDrawing(int out, long long launched) {
    std::string text;
    char buffer[4096];
    pollfd ready{out, POLLIN, 0};
    while (poll(&ready, 1, 0) > 0) {
        const ssize_t got = read(out, buffer, sizeof buffer);
        if (got <= 0) break;
        text.append(buffer, size_t(got));
    }
    const size_t at = text.find("first-paint ");
    if (at == std::string::npos) return -1;
    return double(std::atoll(text.c_str() + at + 12) - launched) / 1e6;
}

Launch launchOnce(xcb_connection_t* x, xcb_atom_t pidAtom, const char* program) {
    Launch result;
    int out[2];
    if (pipe(out) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.emplace_back("PATTAPLEX_STARTUP_PROBE=1");
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program), nullptr};

    mappedWindow(x, pidAtom, 0);  // forgets maps from before
    pid_t child = 0;
    const long long launched = monotonicNanoseconds();
    const int failed = posix_spawn(&child, program, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (failed) {
        close(out[0]);
        std::fprintf(stderr, "cannot start %s: %s\n", program, std::strerror(failed));
        return result;
    }

    xcb_window_t window = XCB_NONE;
    pollfd events{xcb_get_file_descriptor(x), POLLIN, 0};
    while (window == XCB_NONE && millisecondsSince(launched) < kGiveUpMs) {
        poll(&events, 1, 1);
        window = mappedWindow(x, pidAtom, child);
    }
    if (window != XCB_NONE) {
        result.mapped = millisecondsSince(launched);
        while (millisecondsSince(launched) < kGiveUpMs) {
            if (showsSomething(x, window)) {
                result.framed = millisecondsSince(launched);
                break;
            }
            usleep(1000);
        }
    }
    result.gridDrawn = reportedGridDrawing(out[0], launched);
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    close(out[0]);
    return result;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const char* program = argc > 2 ? argv[2] : PATTAPLEX_PROGRAM;
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "no X display (run it under xvfb-run)\n");
        return 1;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    const char* const pidName = "_NET_WM_PID";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> pidAtom(
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, std::strlen(pidName), pidName), nullptr),
        &std::free);
    if (!pidAtom) return 1;

    std::vector<double> mapped, framed, blank, drawn;
    for (int i = 0; i < runs; ++i) {
        const Launch launch = launchOnce(x, pidAtom->atom, program);
        if (launch.framed < 0) {
            std::fprintf(stderr, "launch %d: no window or no frame within %lld ms\n", i + 1,
                         kGiveUpMs);
            return 1;
        }
        mapped.push_back(launch.mapped);
        framed.push_back(launch.framed);
        blank.push_back(launch.framed - launch.mapped);
        drawn.push_back(launch.gridDrawn);
        std::printf(
            "launch %2d: mapped %6.1f ms, first frame on screen %6.1f ms, grid drawn "
            "%6.1f ms\n",
            i + 1, launch.mapped, launch.framed, launch.gridDrawn);
    }
    std::printf(
        "median of %d launches: mapped %.1f ms, first frame on screen %.1f ms "
        "(%.1f ms after the map), grid drawn %.1f ms\n",
        runs, median(mapped), median(framed), median(blank), median(drawn));
    xcb_disconnect(x);
    return 0;
}
