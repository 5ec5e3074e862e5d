// A stand-in decoder library for the binding's tests: it records every call into a log, answers
// with values the test sets, and posts the notifications the test hands it.
#include <tonebridge/xaudio.h>

#include <deque>
#include <string>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
struct FakeState {
    std::string log;
    uint32_t version = 0x030800;
    int newResult = 0;
    int priority = 3;
    tb_window *window = nullptr;
    std::deque<XA_Message> queued;
    XA_Message current{};
};
FakeState state;
XA_Player *const fakePlayer = reinterpret_cast<XA_Player *>(0x5eed);
constexpr uintptr_t FakeSerial = 77;

void note(const std::string &entry) { state.log += entry + ";"; }
std::string num(long long v) { return std::to_string(v); }
std::string str(const char *s) { return s ? s : "<null>"; }
} // namespace

// Test controls.
FAKE_EXPORT const char *fake_log() { return state.log.c_str(); }
FAKE_EXPORT void fake_clear_log() { state.log.clear(); }
FAKE_EXPORT void fake_set_version(uint32_t version) { state.version = version; }
FAKE_EXPORT void fake_set_new_result(int result) { state.newResult = result; }
// Posts a notification to the window the player was created with.
FAKE_EXPORT void fake_post(const XA_Message *message)
{
    state.queued.push_back(*message);
    tb_post(state.window, XA_NOTIFY_WINDOW_MESSAGE, FakeSerial, 1);
}
// Posts a window message the library does not recognise.
FAKE_EXPORT void fake_post_foreign(uint32_t msg) { tb_post(state.window, msg, 0, 0); }

FAKE_EXPORT int player_new(XA_Player **player, tb_window **window)
{
    note("new");
    if (state.newResult != 0)
        return state.newResult;
    *player = fakePlayer;
    state.window = *window;
    return 0;
}

FAKE_EXPORT void player_delete(XA_Player *player) { note(player == fakePlayer ? "delete" : "delete?"); }

FAKE_EXPORT int player_set_priority(XA_Player *, int priority)
{
    note("set_priority(" + num(priority) + ")");
    state.priority = priority;
    return 0;
}

FAKE_EXPORT int player_get_priority(XA_Player *)
{
    note("get_priority");
    return state.priority;
}

FAKE_EXPORT const char *xaudio_error_string(int code)
{
    note("error_string(" + num(code) + ")");
    return "fake error text";
}

#ifndef WITHOUT_GET_VERSION
FAKE_EXPORT uint32_t xaudio_get_version(int which)
{
    note("version(" + num(which) + ")");
    return state.version;
}
#endif

FAKE_EXPORT int control_message_send_N(XA_Player *, int code)
{
    note("N(" + num(code) + ")");
    return 100 + code;
}
FAKE_EXPORT int control_message_send_P(XA_Player *, int code, const void *pointer)
{
    std::string bands = "null";
    if (pointer) {
        const auto *eq = static_cast<const XA_EqualizerInfo *>(pointer);
        bands = num(eq->left[0]) + "/" + num(eq->right[31]);
    }
    note("P(" + num(code) + "," + bands + ")");
    return 0;
}
FAKE_EXPORT int control_message_send_S(XA_Player *, int code, const char *text)
{
    note("S(" + num(code) + "," + str(text) + ")");
    return 0;
}
FAKE_EXPORT int control_message_send_SS(XA_Player *, int code, const char *a, const char *b)
{
    note("SS(" + num(code) + "," + str(a) + "," + str(b) + ")");
    return 0;
}
FAKE_EXPORT int control_message_send_SI(XA_Player *, int code, const char *a, int b)
{
    note("SI(" + num(code) + "," + str(a) + "," + num(b) + ")");
    return 0;
}
FAKE_EXPORT int control_message_send_IPI(XA_Player *, int code, int a, const void *p, int b)
{
    note("IPI(" + num(code) + "," + num(a) + "," + (p ? "ptr" : "null") + "," + num(b) + ")");
    return 0;
}
FAKE_EXPORT int control_message_send_I(XA_Player *, int code, int a)
{
    note("I(" + num(code) + "," + num(a) + ")");
    return 0;
}
FAKE_EXPORT int control_message_send_II(XA_Player *, int code, int a, int b)
{
    note("II(" + num(code) + "," + num(a) + "," + num(b) + ")");
    return 0;
}
FAKE_EXPORT int control_message_send_III(XA_Player *, int code, int a, int b, int c)
{
    note("III(" + num(code) + "," + num(a) + "," + num(b) + "," + num(c) + ")");
    return 0;
}
FAKE_EXPORT int control_message_send_IIII(XA_Player *, int code, int a, int b, int c, int d)
{
    note("IIII(" + num(code) + "," + num(a) + "," + num(b) + "," + num(c) + "," + num(d) + ")");
    return 0;
}

FAKE_EXPORT int control_win32_params_to_message(XA_Player *player, XA_Message *message, uint32_t msg,
                                                 uintptr_t wparam, intptr_t)
{
    if (player != fakePlayer || msg != XA_NOTIFY_WINDOW_MESSAGE || wparam != FakeSerial || state.queued.empty())
        return 1;
    state.current = state.queued.front();
    state.queued.pop_front();
    *message = state.current;
    return 0;
}
