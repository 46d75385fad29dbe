// SPDX-License-Identifier: GPL-3.0-or-later
// Watches screen pixels for a chat window's colour and times how long it shows: the exposure a
// user would see, measured on the screen itself rather than taken from Tessavo's own account.
//
//   tessavo-exposure-probe --colour RRGGBB[,RRGGBB...] [options] X,Y,W,H...
//
// Each area is sampled as a few rows of pixels across its whole width (--rows, 5 by default),
// read from the root window about once a millisecond (--interval-us). A sample "shows" the
// colour when any pixel read has one of the colours given.
//
// Timing one exposure (the default): with --send FIFO LINE the probe itself writes LINE to the
// FIFO (a stand-in application's command input) after one sample, so the trigger and the clock
// are the same; --jitter MS waits a random time up to MS first, so that trials run one after
// another do not fall into step with Tessavo's own poll. With --run COMMAND the trigger is the
// user's own input instead: the probe starts COMMAND (xdotool, say) and starts the clock when
// the X server tells of the input's first key or button press (--on release: release), as it
// tells every client, Tessavo included. It then samples until the colour has shown
// and stayed away for --quiet ms (300), or until --limit ms (1500) after the trigger, and prints
// one line:
//   exposure_ms= error_ms= start_ms= end_ms= visible_ms= flashes= at_trigger= capped=
//   active_ms= samples= interval_ms= max_gap_ms=
// exposure_ms runs from the first sample that shows the colour (the trigger itself when it
// already showed then) to the first sample after the last one that shows it: 0 when it never
// showed. start_ms and end_ms are those two moments after the trigger; visible_ms adds up only
// the time it showed, over `flashes` separate showings; capped=1 when it still showed at the
// limit. active_ms is when the window manager announced a new active window after the trigger
// (-1: it did not). Every moment is good to one sampling gap: error_ms adds up the gaps before
// the first sample that showed the colour and after the last one, the most the exposure can be
// off by; max_gap_ms is the largest gap of the whole trial.
//
// With --watch NAME the line ends in asked_ms= and changes=: changes counts the changes the
// server carried out, after the trigger and up to the exposure's end, to the windows over the
// areas whose name starts with NAME (Tessavo's covers: a map, a move or resize, a new shape, a
// new opacity). asked_ms is when the probe learnt of the last one that came while the colour
// showed, or else of the first that came before it showed (-1: none came). Whatever time
// passes after that before the screen shows it is the compositor's.
//
// Waiting (--wait any|none|all): samples until some pixel shows a colour (any), none does
// (none), or every one does (all), held for --quiet ms (0 here unless given); exits 1 if that
// does not happen within --limit ms and then says which colours it saw.
//
// Counting (--count): reads every row of the areas once and prints "matching=N of=M", the
// pixels that have one of the colours: what of a covered chat still shows in the steady state.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace {

struct Area {
    int x = 0, y = 0, w = 0, h = 0;
};

struct Options {
    std::vector<std::uint32_t> colours;
    std::vector<Area> areas;
    int rows = 5;
    long intervalUs = 1000;
    double limitMs = 1500;
    double quietMs = -1;  // unset: 300 when timing, 0 when waiting
    double jitterMs = 0;
    std::string fifo, line;
    std::string run;         // a command that sends the user's input
    bool onRelease = false;  // with run: the input counts from its release, not its press
    std::string wait;        // empty: time one exposure
    bool count = false;
    std::string watch;  // windows whose changes are timed, by the start of their name
};

[[noreturn]] void usage(const char* why) {
    std::fprintf(stderr,
                 "exposure probe: %s\n"
                 "usage: tessavo-exposure-probe --colour RRGGBB[,RRGGBB...] [--rows N]\n"
                 "         [--interval-us N] [--limit MS] [--quiet MS] [--send FIFO LINE]\n"
                 "         [--run COMMAND [--on press|release]] [--watch NAME]\n"
                 "         [--jitter MS] [--wait any|none|all | --count] X,Y,W,H...\n",
                 why);
    std::exit(2);
}

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

std::vector<std::uint32_t> parseColours(const char* text) {
    std::vector<std::uint32_t> out;
    std::string s(text);
    std::size_t start = 0;
    while (start <= s.size()) {
        const std::size_t comma = std::min(s.find(',', start), s.size());
        const std::string one = s.substr(start, comma - start);
        char* end = nullptr;
        const unsigned long v = std::strtoul(one.c_str(), &end, 16);
        if (one.size() != 6 || *end != '\0') {
            usage("a colour is six hexadecimal digits, rrggbb");
        }
        out.push_back(static_cast<std::uint32_t>(v));
        start = comma + 1;
    }
    return out;
}

Area parseArea(const char* text) {
    Area a;
    if (std::sscanf(text, "%d,%d,%d,%d", &a.x, &a.y, &a.w, &a.h) != 4 || a.w < 1 || a.h < 1) {
        usage("an area is X,Y,W,H with W and H at least 1");
    }
    return a;
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--colour" && hasValue) {
            o.colours = parseColours(argv[++i]);
        } else if (arg == "--rows" && hasValue) {
            o.rows = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--interval-us" && hasValue) {
            o.intervalUs = std::max(0L, std::atol(argv[++i]));
        } else if (arg == "--limit" && hasValue) {
            o.limitMs = std::atof(argv[++i]);
        } else if (arg == "--quiet" && hasValue) {
            o.quietMs = std::atof(argv[++i]);
        } else if (arg == "--jitter" && hasValue) {
            o.jitterMs = std::max(0.0, std::atof(argv[++i]));
        } else if (arg == "--send" && i + 2 < argc) {
            o.fifo = argv[++i];
            o.line = argv[++i];
        } else if (arg == "--run" && hasValue) {
            o.run = argv[++i];
        } else if (arg == "--on" && hasValue) {
            const std::string when = argv[++i];
            if (when != "press" && when != "release") {
                usage("--on takes press or release");
            }
            o.onRelease = when == "release";
        } else if (arg == "--wait" && hasValue) {
            o.wait = argv[++i];
            if (o.wait != "any" && o.wait != "none" && o.wait != "all") {
                usage("--wait takes any, none or all");
            }
        } else if (arg == "--watch" && hasValue) {
            o.watch = argv[++i];
        } else if (arg == "--count") {
            o.count = true;
        } else if (!arg.empty() && arg[0] != '-') {
            o.areas.push_back(parseArea(argv[i]));
        } else {
            usage(("unknown option " + arg).c_str());
        }
    }
    if (o.colours.empty() || o.areas.empty()) {
        usage("a colour and at least one area are needed");
    }
    if (o.quietMs < 0) {
        o.quietMs = o.wait.empty() ? 300 : 0;
    }
    return o;
}

// What one sample saw: whether a colour showed at all, whether every pixel had one, and
// (for a failed wait) how often each colour turned up.
struct Sample {
    double at = 0;  // the middle of the round trip: the server read the pixels then
    bool any = false;
    bool all = true;
    long matching = 0, pixels = 0;
};

class Screen {
  public:
    Screen() : c_(xcb_connect(nullptr, &screenNumber_)) {
        if (xcb_connection_has_error(c_)) {
            std::fprintf(stderr, "exposure probe: no X display\n");
            std::exit(2);
        }
        const xcb_setup_t* setup = xcb_get_setup(c_);
        auto it = xcb_setup_roots_iterator(setup);
        for (int i = 0; i < screenNumber_; ++i) {
            xcb_screen_next(&it);
        }
        screen_ = it.data;
        findVisual();
        lsbFirst_ = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
        bool fourBytes = false;
        for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f)) {
            if (f.data->depth == screen_->root_depth) {
                fourBytes = f.data->bits_per_pixel == 32;
            }
        }
        if (!fourBytes || red_ == 0) {
            std::fprintf(stderr, "exposure probe: needs a TrueColor screen of 32 bits a pixel\n");
            std::exit(2);
        }
        activeAtom_ = intern("_NET_ACTIVE_WINDOW");
        opacityAtom_ = intern("_NET_WM_WINDOW_OPACITY");
        netNameAtom_ = intern("_NET_WM_NAME");
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c_, screen_->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
    }
    ~Screen() { xcb_disconnect(c_); }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // All rows are asked for before any reply is read: one round trip a sample, whatever the
    // number of rows, so the sample stays short and Xvfb is not kept busy.
    Sample sample(const Options& o, std::map<std::uint32_t, int>* seen = nullptr) {
        std::vector<xcb_get_image_cookie_t> cookies;
        std::vector<int> widths;
        const double sent = nowMs();
        for (const Area& a : o.areas) {
            const int rows = std::min(o.rows, a.h);
            for (int r = 0; r < rows; ++r) {
                const int y = rows == 1 ? a.y + a.h / 2 : a.y + r * (a.h - 1) / (rows - 1);
                cookies.push_back(xcb_get_image(
                    c_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root, static_cast<std::int16_t>(a.x),
                    static_cast<std::int16_t>(y), static_cast<std::uint16_t>(a.w), 1, ~0U));
                widths.push_back(a.w);
            }
        }
        xcb_flush(c_);
        Sample s;
        for (std::size_t i = 0; i < cookies.size(); ++i) {
            xcb_get_image_reply_t* reply = xcb_get_image_reply(c_, cookies[i], nullptr);
            if (reply == nullptr) {
                std::fprintf(stderr, "exposure probe: an area is off the screen\n");
                std::exit(2);
            }
            const std::uint8_t* data = xcb_get_image_data(reply);
            const int length = xcb_get_image_data_length(reply);
            for (int p = 0; p < widths[i] && p * 4 + 3 < length; ++p) {
                const std::uint32_t rgb = decode(data + static_cast<std::ptrdiff_t>(p) * 4);
                const bool match =
                    std::find(o.colours.begin(), o.colours.end(), rgb) != o.colours.end();
                s.any = s.any || match;
                s.all = s.all && match;
                s.matching += match ? 1 : 0;
                ++s.pixels;
                if (seen != nullptr) {
                    ++(*seen)[rgb];
                }
            }
            std::free(reply);
        }
        s.at = (sent + nowMs()) / 2;
        // What came in with the replies happened by the time the pixels were read.
        while (xcb_generic_event_t* ev = xcb_poll_for_queued_event(c_)) {
            handle(ev, s.at);
        }
        return s;
    }

    // From now on, notes the changes to windows at the top whose name starts with `prefix` and
    // that lie over one of the areas.
    void watchWindows(const std::string& prefix, const std::vector<Area>& areas) {
        watchName_ = prefix;
        watchAreas_ = areas;
        if (const auto* ext = xcb_get_extension_data(c_, &xcb_shape_id); ext && ext->present) {
            shapeEvent_ = ext->first_event + XCB_SHAPE_NOTIFY;
        }
        const std::uint32_t mask =
            XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, screen_->root, XCB_CW_EVENT_MASK, &mask);
        auto* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, screen_->root), nullptr);
        const int n = tree != nullptr ? xcb_query_tree_children_length(tree) : 0;
        for (int i = 0; i < n; ++i) {
            const xcb_window_t w = xcb_query_tree_children(tree)[i];
            auto* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
            if (g != nullptr) {
                follow(w, {g->x, g->y, g->width, g->height});
                watched(w, false);
            }
            std::free(g);
        }
        std::free(tree);
        readEvents();
    }
    // When the changes to watched windows were learnt of since the last call.
    std::vector<double> changes() {
        readEvents();
        return std::exchange(changes_, {});
    }

    // Whether the window manager announced a new active window since the last call.
    bool activeChanged() {
        readEvents();
        return std::exchange(activeChanged_, false);
    }

    // Key and button presses and releases anywhere, told as they reach the server's clients.
    void watchInput() {
        const auto* ext = xcb_get_extension_data(c_, &xcb_input_id);
        xcb_input_xi_query_version_reply_t* version = nullptr;
        if (ext != nullptr && ext->present) {
            version =
                xcb_input_xi_query_version_reply(c_, xcb_input_xi_query_version(c_, 2, 2), nullptr);
        }
        if (version == nullptr || (version->major_version == 2 && version->minor_version < 1)) {
            std::fprintf(stderr, "exposure probe: --run needs XInput 2.1\n");
            std::exit(2);
        }
        std::free(version);
        xinput_ = ext->major_opcode;
        struct {
            xcb_input_event_mask_t head;
            std::uint32_t bits;
        } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
               XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE |
                   XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS |
                   XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE};
        xcb_input_xi_select_events(c_, screen_->root, 1, &mask.head);
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
        readEvents();
        pressAt_ = releaseAt_ = -1;
    }
    // When the first press (or release) since watchInput was seen; -1: not yet.
    double inputAt(bool release) {
        readEvents();
        return release ? releaseAt_ : pressAt_;
    }

  private:
    xcb_atom_t intern(const char* name) {
        auto* r =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = r != nullptr ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(r);
        return a;
    }

    void findVisual() {
        for (auto d = xcb_screen_allowed_depths_iterator(screen_); d.rem; xcb_depth_next(&d)) {
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
                if (v.data->visual_id == screen_->root_visual &&
                    v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR) {
                    red_ = v.data->red_mask;
                    green_ = v.data->green_mask;
                    blue_ = v.data->blue_mask;
                }
            }
        }
    }

    static std::uint32_t channel(std::uint32_t pixel, std::uint32_t mask) {
        const int shift = __builtin_ctz(mask);
        const std::uint32_t top = mask >> shift;
        return ((pixel & mask) >> shift) * 255 / top;
    }

    std::uint32_t decode(const std::uint8_t* p) const {
        const std::uint32_t pixel =
            lsbFirst_ ? p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24
                      : static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        return channel(pixel, red_) << 16 | channel(pixel, green_) << 8 | channel(pixel, blue_);
    }

    void readEvents() {
        while (xcb_generic_event_t* ev = xcb_poll_for_event(c_)) {
            handle(ev, nowMs());
        }
    }
    void handle(xcb_generic_event_t* ev, double at) {
        const int type = ev->response_type & 0x7f;
        if (type == XCB_PROPERTY_NOTIFY) {
            const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(ev);
            if (p->atom == activeAtom_) {
                activeChanged_ = true;
            } else if (p->atom == opacityAtom_) {
                changed(p->window, at);
            }
        } else if (type == XCB_GE_GENERIC && xinput_ != 0 &&
                   reinterpret_cast<xcb_ge_generic_event_t*>(ev)->extension == xinput_) {
            noteInput(reinterpret_cast<xcb_ge_generic_event_t*>(ev)->event_type);
        } else if (type == XCB_CREATE_NOTIFY) {
            const auto* c = reinterpret_cast<xcb_create_notify_event_t*>(ev);
            follow(c->window, {c->x, c->y, c->width, c->height});
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            const auto* c = reinterpret_cast<xcb_configure_notify_event_t*>(ev);
            if (c->event == screen_->root) {
                geometry_[c->window] = {c->x, c->y, c->width, c->height};
                changed(c->window, at);
            }
        } else if (type == XCB_MAP_NOTIFY) {
            changed(reinterpret_cast<xcb_map_notify_event_t*>(ev)->window, at);
        } else if (type == XCB_DESTROY_NOTIFY) {
            const xcb_window_t w = reinterpret_cast<xcb_destroy_notify_event_t*>(ev)->window;
            geometry_.erase(w);
            named_.erase(w);
        } else if (shapeEvent_ != 0 && type == shapeEvent_) {
            const auto* sh = reinterpret_cast<xcb_shape_notify_event_t*>(ev);
            if (sh->shape_kind == XCB_SHAPE_SK_BOUNDING) {  // the input shape changes nothing seen
                changed(sh->affected_window, at);
            }
        }
        std::free(ev);
    }

    // A window at the top: its place is kept, and its shape and property changes are told.
    void follow(xcb_window_t w, const Area& at) {
        geometry_[w] = at;
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c_, w, XCB_CW_EVENT_MASK, &mask);
        if (shapeEvent_ != 0) {
            xcb_shape_select_input(c_, w, 1);
        }
    }
    void changed(xcb_window_t w, double at) {
        const auto g = geometry_.find(w);
        if (watchName_.empty() || g == geometry_.end() ||
            std::none_of(watchAreas_.begin(), watchAreas_.end(),
                         [&](const Area& a) { return overlaps(a, g->second); }) ||
            !watched(w, true)) {
            return;
        }
        changes_.push_back(at);
    }
    static bool overlaps(const Area& a, const Area& b) {
        return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
    }
    // Whether the window's name starts with the one watched. A window made while watching may
    // not be named yet when first seen: it is asked again until it has a name.
    bool watched(xcb_window_t w, bool isNew) {
        if (const auto known = named_.find(w); known != named_.end()) {
            return known->second;
        }
        std::string name;
        for (const xcb_atom_t atom : {netNameAtom_, xcb_atom_t{XCB_ATOM_WM_NAME}}) {
            auto* r = xcb_get_property_reply(
                c_, xcb_get_property(c_, 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr);
            if (r != nullptr) {
                name.assign(static_cast<const char*>(xcb_get_property_value(r)),
                            static_cast<std::size_t>(xcb_get_property_value_length(r)));
            }
            std::free(r);
            if (!name.empty()) {
                break;
            }
        }
        const bool is = name.rfind(watchName_, 0) == 0;
        if (!name.empty() || !isNew) {
            named_[w] = is;
        }
        return is;
    }
    void noteInput(std::uint16_t kind) {
        const bool press = kind == XCB_INPUT_RAW_KEY_PRESS || kind == XCB_INPUT_RAW_BUTTON_PRESS;
        const bool release =
            kind == XCB_INPUT_RAW_KEY_RELEASE || kind == XCB_INPUT_RAW_BUTTON_RELEASE;
        if (press && pressAt_ < 0) {
            pressAt_ = nowMs();
        }
        if (release && releaseAt_ < 0) {
            releaseAt_ = nowMs();
        }
    }

    int screenNumber_ = 0;
    xcb_connection_t* c_;
    std::uint8_t xinput_ = 0;
    bool activeChanged_ = false;
    double pressAt_ = -1, releaseAt_ = -1;
    xcb_screen_t* screen_ = nullptr;
    std::uint32_t red_ = 0, green_ = 0, blue_ = 0;
    bool lsbFirst_ = true;
    xcb_atom_t activeAtom_ = XCB_ATOM_NONE;
    xcb_atom_t opacityAtom_ = XCB_ATOM_NONE;
    xcb_atom_t netNameAtom_ = XCB_ATOM_NONE;
    int shapeEvent_ = 0;
    std::string watchName_;
    std::vector<Area> watchAreas_;
    std::map<xcb_window_t, Area> geometry_;
    std::map<xcb_window_t, bool> named_;
    std::vector<double> changes_;
};

// Paces the samples: the next one starts an interval after the last one started, or at once
// when a sample took longer, so a slow moment never turns into a burst of catching up.
class Pacer {
  public:
    explicit Pacer(long intervalUs) : intervalNs_(intervalUs * 1000) {
        clock_gettime(CLOCK_MONOTONIC, &next_);
    }
    void wait() {
        next_.tv_nsec += intervalNs_;
        while (next_.tv_nsec >= 1000000000L) {
            next_.tv_nsec -= 1000000000L;
            ++next_.tv_sec;
        }
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec > next_.tv_sec ||
            (now.tv_sec == next_.tv_sec && now.tv_nsec >= next_.tv_nsec)) {
            next_ = now;
            return;
        }
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next_, nullptr) == EINTR) {
        }
    }

  private:
    long intervalNs_;
    timespec next_{};
};

// The user's own input, sent by a command (xdotool, say). Returns when the server told of it.
double runTrigger(const Options& o, Screen& screen, pid_t& child) {
    screen.watchInput();
    const double started = nowMs();
    child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", o.run.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    for (;;) {
        if (const double at = screen.inputAt(o.onRelease); at >= 0) {
            return at;
        }
        if (child < 0 || nowMs() - started > o.limitMs) {
            std::fprintf(stderr, "exposure probe: '%s' sent no input\n", o.run.c_str());
            std::exit(2);
        }
        usleep(100);
    }
}

void reap(const Options& o, pid_t child) {
    int status = 0;
    if (child > 0 &&
        (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)) {
        std::fprintf(stderr, "exposure probe: '%s' failed\n", o.run.c_str());
        std::exit(2);
    }
}

// Returns when the trigger happened.
double trigger(const Options& o) {
    if (o.fifo.empty()) {
        return nowMs();
    }
    // The stand-in application holds the FIFO open for reading; without it there is nobody to
    // tell, and blocking here would hang the benchmark.
    const int fd = open(o.fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const std::string text = o.line + "\n";
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::fprintf(stderr, "exposure probe: cannot write to %s: %s\n", o.fifo.c_str(),
                     std::strerror(errno));
        std::exit(2);
    }
    close(fd);
    return nowMs();
}

int waitFor(const Options& o, Screen& screen) {
    Pacer pacer(o.intervalUs);
    const double start = nowMs();
    double heldSince = -1;
    for (;;) {
        const Sample s = screen.sample(o);
        const bool ok = o.wait == "any" ? s.any : o.wait == "none" ? !s.any : s.all;
        if (!ok) {
            heldSince = -1;
        } else if (heldSince < 0) {
            heldSince = s.at;
        }
        if (ok && s.at - heldSince >= o.quietMs) {
            return 0;
        }
        if (s.at - start > o.limitMs) {
            break;
        }
        pacer.wait();
    }
    std::map<std::uint32_t, int> seen;
    screen.sample(o, &seen);
    std::vector<std::pair<int, std::uint32_t>> byCount;
    for (const auto& [rgb, n] : seen) {
        byCount.emplace_back(n, rgb);
    }
    std::sort(byCount.rbegin(), byCount.rend());
    std::fprintf(stderr, "exposure probe: no '%s' within %.0f ms; the pixels read show",
                 o.wait.c_str(), o.limitMs);
    for (std::size_t i = 0; i < byCount.size() && i < 6; ++i) {
        std::fprintf(stderr, " %06x (%d)", byCount[i].second, byCount[i].first);
    }
    std::fprintf(stderr, "\n");
    return 1;
}

int count(Options o, Screen& screen) {
    o.rows = 1 << 15;  // every row
    const Sample s = screen.sample(o);
    std::printf("matching=%ld of=%ld\n", s.matching, s.pixels);
    return 0;
}

int timeExposure(const Options& o, Screen& screen) {
    if (o.jitterMs > 0) {
        std::mt19937 random(std::random_device{}());
        const auto us =
            std::uniform_int_distribution<long>(0, static_cast<long>(o.jitterMs * 1000))(random);
        usleep(static_cast<useconds_t>(us));
    }
    if (!o.watch.empty()) {
        screen.watchWindows(o.watch, o.areas);
    }
    Pacer pacer(o.intervalUs);
    const bool atTrigger = screen.sample(o).any;
    screen.activeChanged();  // only announcements and changes after the trigger count
    screen.changes();
    pid_t child = 0;
    const double t0 = o.run.empty() ? trigger(o) : runTrigger(o, screen, child);

    double first = -1, shownSince = -1, lastShown = -1, lastGone = -1, visible = 0, active = -1;
    double previous = t0, maxGap = 0, startError = 0, endError = 0, asked = -1;
    int flashes = 0, samples = 0, changes = 0;
    if (atTrigger) {
        first = shownSince = lastShown = t0;
        flashes = 1;
    }
    bool capped = false;
    for (;;) {
        pacer.wait();
        const Sample s = screen.sample(o);
        ++samples;
        maxGap = std::max(maxGap, s.at - previous);
        if (active < 0 && screen.activeChanged()) {
            active = s.at - t0;
        }
        if (const auto seen = screen.changes(); !seen.empty() && (first < 0 || shownSince >= 0)) {
            if (shownSince >= 0 || asked < 0) {
                asked = seen.back() - t0;
            }
            changes += static_cast<int>(seen.size());
        }
        if (s.any) {
            if (shownSince < 0) {
                shownSince = s.at;
                ++flashes;
            }
            if (first < 0) {
                first = s.at;
                startError = s.at - previous;  // it began somewhere in that gap
            }
            lastShown = s.at;
        } else if (shownSince >= 0) {
            visible += s.at - shownSince;
            shownSince = -1;
            lastGone = s.at;
            endError = s.at - lastShown;
        }
        previous = s.at;
        if (shownSince < 0 && lastGone >= 0 && s.at - lastGone >= o.quietMs) {
            break;
        }
        if (s.at - t0 >= o.limitMs) {
            if (shownSince >= 0) {
                capped = true;
                visible += s.at - shownSince;
                lastGone = s.at;
                endError = 0;
            }
            break;
        }
    }
    reap(o, child);
    const double exposure = first < 0 ? 0 : lastGone - first;
    const double span = previous - t0;
    std::printf(
        "exposure_ms=%.2f error_ms=%.2f start_ms=%.2f end_ms=%.2f visible_ms=%.2f flashes=%d "
        "at_trigger=%d capped=%d active_ms=%.2f samples=%d interval_ms=%.3f max_gap_ms=%.2f",
        exposure, first < 0 ? 0 : startError + endError, first < 0 ? -1 : first - t0,
        first < 0 ? -1 : lastGone - t0, visible, flashes, atTrigger ? 1 : 0, capped ? 1 : 0, active,
        samples, samples > 0 ? span / samples : 0.0, maxGap);
    if (!o.watch.empty()) {
        std::printf(" asked_ms=%.2f changes=%d", asked, changes);
    }
    std::printf("\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    Screen screen;
    if (o.count) {
        return count(o, screen);
    }
    return o.wait.empty() ? timeExposure(o, screen) : waitFor(o, screen);
}
