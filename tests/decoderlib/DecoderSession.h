// Drives one player of decoder.so directly through its C entry points, collecting its
// notifications from a manually delivered window.
#pragma once

#include "platform/TestDoubles.h"
#include "platform/MessageWindow.h"

#include <tonebridge/xaudio.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tb::test {

// The entry points of decoder.so beside the test program.
struct DecoderLibrary {
    XA_player_new_fn player_new;
    XA_player_delete_fn player_delete;
    XA_player_set_priority_fn player_set_priority;
    XA_player_get_priority_fn player_get_priority;
    XA_xaudio_error_string_fn xaudio_error_string;
    XA_xaudio_get_version_fn xaudio_get_version;
    XA_send_N_fn send_N;
    XA_send_P_fn send_P;
    XA_send_S_fn send_S;
    XA_send_SS_fn send_SS;
    XA_send_SI_fn send_SI;
    XA_send_IPI_fn send_IPI;
    XA_send_I_fn send_I;
    XA_send_II_fn send_II;
    XA_send_III_fn send_III;
    XA_send_IIII_fn send_IIII;
    XA_params_to_message_fn params_to_message;

    // Loaded once per test program; throws when the library or an entry point is missing.
    static const DecoderLibrary &get();
};

// One notification with copies of the texts it carried.
struct Note {
    XA_Message message{};
    std::string text1;
    std::string text2;
    XA_EqualizerInfo equalizer{};
    std::chrono::steady_clock::time_point received;
    int code() const { return message.code; }
};

class DecoderSession {
public:
    DecoderSession();
    ~DecoderSession();

    const DecoderLibrary &lib() const { return lib_; }
    XA_Player *player() const { return player_; }

    int send(int code) { return lib_.send_N(player_, code); }
    int send(int code, const std::string &text) { return lib_.send_S(player_, code, text.c_str()); }
    int sendI(int code, int value) { return lib_.send_I(player_, code, value); }
    int sendII(int code, int a, int b) { return lib_.send_II(player_, code, a, b); }

    // Delivers notifications until the condition holds; false when it did not within timeoutMs
    // (a guard against hanging, not a measure of speed).
    bool waitFor(const std::function<bool()> &condition, int timeoutMs = 60000);
    bool waitForState(int state, int timeoutMs = 60000);
    // Delivers whatever arrives within the time.
    void deliverFor(int ms);

    const std::vector<Note> &notes() const { return notes_; }
    std::vector<Note> notesWithCode(int code) const;
    int count(int code) const { return static_cast<int>(notesWithCode(code).size()); }
    bool hasAck(int command) const;
    bool hasNack(int command) const;
    void clearNotes() { notes_.clear(); }

    // The raw window messages posted to the window, for tests of the message conversion.
    std::vector<uint32_t> rejected;

private:
    void receive(uint32_t msg, uintptr_t wparam, intptr_t lparam);

    const DecoderLibrary &lib_;
    ManualMessageWindow window_;
    tb_window *handle_;
    XA_Player *player_ = nullptr;
    std::vector<Note> notes_;
};

} // namespace tb::test
