// Settings built into every test program, so they hold however the program is run.
extern "C" {
// Leaks inside system libraries (fonts, D-Bus, GLib, sound) that the program cannot free.
const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig\n"
           "leak:libdbus\n"
           "leak:libglib\n"
           "leak:libgobject\n"
           "leak:libgio\n"
           "leak:libgst\n"
           "leak:libasound\n"
           "leak:libpulse\n"
           "leak:libxcb\n"
           "leak:libEGL\n"
           "leak:libGLX\n"
           "leak:libQt6DBus\n";
}
const char *__ubsan_default_options() { return "print_stacktrace=1"; }
}

#include <cstdlib>

namespace {
// Every test runs headless and without a sound card unless it sets up its own display or server.
const bool headless = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("TONEBRIDGE_AUDIO", "null", 0);
    return true;
}();
} // namespace
