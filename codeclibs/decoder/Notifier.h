// Posts a player's notifications to the caller's window and hands them back, one by one, when the
// caller turns a posted window message into an XA_Message.
#pragma once

#include <tonebridge/xaudio.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

namespace tb::decoder {

// One notification with the texts its record points to.
struct Notification {
    XA_Message message{};
    std::string text1;
    std::string text2;
    XA_EqualizerInfo equalizer{};

    explicit Notification(int code) { message.code = code; }
};

class Notifier {
public:
    Notifier(tb_window *window, uintptr_t playerSerial);

    // Any thread. The notification waits here until the caller fetches it.
    void post(Notification notification);
    // From now on nothing is posted: the caller's window is about to go.
    void silence();

    // Fills `out` when (msg, wparam, lparam) is a notification of this player; the texts it points
    // to stay valid until the next call. Returns 0 then, nonzero otherwise.
    int take(XA_Message *out, uint32_t msg, uintptr_t wparam, intptr_t lparam);

private:
    struct Pending {
        uint64_t sequence;
        Notification notification;
    };
    static void pointIntoTexts(Notification &notification);

    tb_window *window_; // null once silenced
    uintptr_t serial_;
    std::mutex lock_;
    uint64_t nextSequence_ = 1;
    std::deque<Pending> pending_;
    Notification current_{0};
};

} // namespace tb::decoder
