// Reads what the soak checks from the X server itself, in one connection each time:
//
//   tessavo-soak-probe windows
//     "active 0xID" (the window manager's active window), then one line a managed window,
//     bottom to top of the window manager's stacking order:
//       win 0xID VIEWABLE CLASS FX FY FW FH CX CY CW CH
//     (VIEWABLE 1 or 0, the frame's and the client area's screen rectangles), then one line a
//     mapped top-level window whose name starts with "tessavo cover":
//       cover 0xID X Y W H
//   tessavo-soak-probe pixels [--save FILE.ppm] X,Y[=rrggbb]...
//     reads the whole screen once and prints the colour (rrggbb) at each point on one line;
//     --save keeps that very picture when a point does not show the colour given for it.
//   tessavo-soak-probe xres PID
//     "WINDOWS PIXMAPS": the X resources the clients of process PID hold, summed over its
//     connections (the X-Resource extension tells each local client's process).
//
// Plain xcb, nothing of Tessavo: the soak compares Tessavo's account with the screen's.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <xcb/res.h>
#include <xcb/xcb.h>

namespace {

xcb_connection_t* c;
xcb_screen_t* screen;

xcb_atom_t atom(const char* name) {
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return a;
}

// A property's raw bytes; empty when the window or the property is gone.
std::string property(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type) {
    auto* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 4096), nullptr);
    std::string value;
    if (r) {
        value.assign(static_cast<const char*>(xcb_get_property_value(r)),
                     static_cast<std::size_t>(xcb_get_property_value_length(r)) * (r->format / 8));
        std::free(r);
    }
    return value;
}

std::vector<std::uint32_t> cardinals(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type) {
    const std::string raw = property(w, prop, type);
    std::vector<std::uint32_t> v(raw.size() / 4);
    std::memcpy(v.data(), raw.data(), v.size() * 4);
    return v;
}

int windows() {
    const xcb_atom_t stacking = atom("_NET_CLIENT_LIST_STACKING");
    const xcb_atom_t active = atom("_NET_ACTIVE_WINDOW");
    const xcb_atom_t extents = atom("_NET_FRAME_EXTENTS");
    const xcb_atom_t netName = atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = atom("UTF8_STRING");
    const auto front = cardinals(screen->root, active, XCB_ATOM_WINDOW);
    std::printf("active 0x%x\n", front.empty() ? 0U : front[0]);
    for (const std::uint32_t w : cardinals(screen->root, stacking, XCB_ATOM_WINDOW)) {
        auto* attrs = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
        auto* geo = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
        auto* at = xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, w, screen->root, 0, 0), nullptr);
        if (attrs && geo && at) {
            // WM_CLASS is "instance\0class\0": the class is the second string.
            const std::string cls = property(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
            const auto cut = cls.find('\0');
            std::string name = cut == std::string::npos ? cls : cls.substr(cut + 1);
            name = name.substr(0, name.find('\0'));
            auto e = cardinals(w, extents, XCB_ATOM_CARDINAL);
            e.resize(4, 0);  // left, right, top, bottom
            const int cx = at->dst_x, cy = at->dst_y, cw = geo->width, ch = geo->height;
            std::printf("win 0x%x %d %s %d %d %d %d %d %d %d %d\n", w,
                        attrs->map_state == XCB_MAP_STATE_VIEWABLE ? 1 : 0,
                        name.empty() ? "-" : name.c_str(), cx - static_cast<int>(e[0]),
                        cy - static_cast<int>(e[2]), cw + static_cast<int>(e[0] + e[1]),
                        ch + static_cast<int>(e[2] + e[3]), cx, cy, cw, ch);
        }
        std::free(attrs);
        std::free(geo);
        std::free(at);
    }
    auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, screen->root), nullptr);
    if (!tree) {
        return 1;
    }
    const xcb_window_t* kids = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        const std::string title = property(kids[i], netName, utf8);
        if (title.rfind("tessavo cover", 0) != 0) {
            continue;
        }
        auto* attrs =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, kids[i]), nullptr);
        auto* geo = xcb_get_geometry_reply(c, xcb_get_geometry(c, kids[i]), nullptr);
        if (attrs && geo && attrs->map_state == XCB_MAP_STATE_VIEWABLE) {
            std::printf("cover 0x%x %d %d %d %d\n", kids[i], geo->x, geo->y, geo->width,
                        geo->height);
        }
        std::free(attrs);
        std::free(geo);
    }
    std::free(tree);
    return 0;
}

int pixels(int argc, char** argv) {
    const char* save = nullptr;
    struct Point {
        int x, y;
        long expected;  // -1: any colour
    };
    std::vector<Point> points;
    for (int i = 0; i < argc; ++i) {
        int x = 0, y = 0;
        unsigned rgb = 0;
        if (std::strcmp(argv[i], "--save") == 0 && i + 1 < argc) {
            save = argv[++i];
        } else if (const int n = std::sscanf(argv[i], "%d,%d=%x", &x, &y, &rgb); n >= 2) {
            points.push_back({x, y, n == 3 ? static_cast<long>(rgb) : -1});
        } else {
            std::fprintf(stderr, "soak probe: not a point: %s\n", argv[i]);
            return 2;
        }
    }
    const int W = screen->width_in_pixels, H = screen->height_in_pixels;
    auto* img = xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                      static_cast<std::uint16_t>(W), static_cast<std::uint16_t>(H), ~0U),
        nullptr);
    if (!img || xcb_get_image_data_length(img) < W * H * 4) {
        std::fprintf(stderr, "soak probe: cannot read the screen (depth 24, 32 bits a pixel)\n");
        return 1;
    }
    const auto* px = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(img));
    std::string line;
    bool differs = false;
    for (const auto& [x, y, expected] : points) {
        char hex[8] = "------";
        long got = -2;
        if (x >= 0 && y >= 0 && x < W && y < H) {
            got = px[y * W + x] & 0xffffffU;
            std::snprintf(hex, sizeof hex, "%06lx", got);
        }
        differs = differs || (expected >= 0 && got != expected);
        line += (line.empty() ? "" : " ") + std::string(hex);
    }
    std::printf("%s\n", line.c_str());
    if (save && differs) {
        if (FILE* f = std::fopen(save, "wb")) {
            std::fprintf(f, "P6\n%d %d\n255\n", W, H);
            std::string rgb(static_cast<std::size_t>(W) * H * 3, '\0');
            for (std::size_t i = 0; i < static_cast<std::size_t>(W) * H; ++i) {
                rgb[3 * i] = static_cast<char>(px[i] >> 16);
                rgb[3 * i + 1] = static_cast<char>(px[i] >> 8);
                rgb[3 * i + 2] = static_cast<char>(px[i]);
            }
            std::fwrite(rgb.data(), 1, rgb.size(), f);
            std::fclose(f);
        }
    }
    std::free(img);
    return 0;
}

int xres(std::uint32_t pid) {
    xcb_res_client_id_spec_t all{XCB_NONE, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    auto* ids = xcb_res_query_client_ids_reply(c, xcb_res_query_client_ids(c, 1, &all), nullptr);
    if (!ids) {
        std::fprintf(stderr, "soak probe: no X-Resource extension\n");
        return 1;
    }
    const xcb_atom_t window = atom("WINDOW"), pixmap = atom("PIXMAP");
    long windows = 0, pixmaps = 0;
    for (auto it = xcb_res_query_client_ids_ids_iterator(ids); it.rem;
         xcb_res_client_id_value_next(&it)) {
        if (xcb_res_client_id_value_value_length(it.data) < 1 ||
            *xcb_res_client_id_value_value(it.data) != pid) {
            continue;
        }
        auto* res = xcb_res_query_client_resources_reply(
            c, xcb_res_query_client_resources(c, it.data->spec.client), nullptr);
        if (!res) {
            continue;
        }
        for (auto t = xcb_res_query_client_resources_types_iterator(res); t.rem;
             xcb_res_type_next(&t)) {
            windows += t.data->resource_type == window ? t.data->count : 0;
            pixmaps += t.data->resource_type == pixmap ? t.data->count : 0;
        }
        std::free(res);
    }
    std::free(ids);
    std::printf("%ld %ld\n", windows, pixmaps);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "soak probe: no X display\n");
        return 1;
    }
    screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    int status = 2;
    if (argc >= 2 && std::strcmp(argv[1], "windows") == 0) {
        status = windows();
    } else if (argc >= 2 && std::strcmp(argv[1], "pixels") == 0) {
        status = pixels(argc - 2, argv + 2);
    } else if (argc == 3 && std::strcmp(argv[1], "xres") == 0) {
        status = xres(static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)));
    } else {
        std::fprintf(
            stderr,
            "usage: tessavo-soak-probe windows | pixels [--save F.ppm] X,Y... | xres PID\n");
    }
    xcb_disconnect(c);
    return status;
}
