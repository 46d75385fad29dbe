#include <cstdio>
#include <cstring>

// Entry point. The cover engine and the desktop backend are wired in here as they are built;
// until then the program reports its version and what it can do.
int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tessavo 0.1.0\n");
        return 0;
    }
    std::fprintf(stderr,
                 "tessavo 0.1.0: window discovery and settings are in place; covering windows on "
                 "a desktop is not available in this build yet.\n");
    return 1;
}
