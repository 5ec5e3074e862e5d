#include "DecoderSession.h"

#include "platform/FileSystem.h"

#include <QElapsedTimer>
#include <QFile>
#include <dlfcn.h>
#include <stdexcept>

namespace tb::test {

const DecoderLibrary &DecoderLibrary::get()
{
    static const DecoderLibrary library = [] {
        QByteArray path = QFile::encodeName(executableFolder() + "decoder.so");
        void *handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            throw std::runtime_error(std::string("cannot load decoder.so: ") + dlerror());
        auto find = [handle](auto &entry, const char *name) {
            void *address = dlsym(handle, name);
            if (!address)
                throw std::runtime_error(std::string("decoder.so lacks ") + name);
            entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(address);
        };
        DecoderLibrary lib{};
        find(lib.player_new, "player_new");
        find(lib.player_delete, "player_delete");
        find(lib.player_set_priority, "player_set_priority");
        find(lib.player_get_priority, "player_get_priority");
        find(lib.xaudio_error_string, "xaudio_error_string");
        find(lib.xaudio_get_version, "xaudio_get_version");
        find(lib.send_N, "control_message_send_N");
        find(lib.send_P, "control_message_send_P");
        find(lib.send_S, "control_message_send_S");
        find(lib.send_SS, "control_message_send_SS");
        find(lib.send_SI, "control_message_send_SI");
        find(lib.send_IPI, "control_message_send_IPI");
        find(lib.send_I, "control_message_send_I");
        find(lib.send_II, "control_message_send_II");
        find(lib.send_III, "control_message_send_III");
        find(lib.send_IIII, "control_message_send_IIII");
        find(lib.params_to_message, "control_win32_params_to_message");
        return lib;
    }();
    return library;
}

DecoderSession::DecoderSession() : lib_(DecoderLibrary::get()), handle_(window_.handle())
{
    window_.setHandler([this](uint32_t msg, uintptr_t wparam, intptr_t lparam) { receive(msg, wparam, lparam); });
    if (lib_.player_new(&player_, &handle_) != XA_SUCCESS || !player_)
        throw std::runtime_error("player_new failed");
}

DecoderSession::~DecoderSession() { lib_.player_delete(player_); }

void DecoderSession::receive(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    Note note;
    note.received = std::chrono::steady_clock::now();
    if (lib_.params_to_message(player_, &note.message, msg, wparam, lparam) != 0) {
        rejected.push_back(msg);
        return;
    }
    const XA_Message &m = note.message;
    auto copy = [](const char *text) { return text ? std::string(text) : std::string("<null>"); };
    switch (m.code) {
    case XA_MSG_NOTIFY_INPUT_NAME:
    case XA_MSG_NOTIFY_OUTPUT_NAME:
    case XA_MSG_NOTIFY_STREAM_MIME_TYPE: note.text1 = copy(m.name.name); break;
    case XA_MSG_NOTIFY_PLAYER_ENVIRONMENT_INTEGER: note.text1 = copy(m.env_integer.name); break;
    case XA_MSG_NOTIFY_PLAYER_ENVIRONMENT_STRING:
        note.text1 = copy(m.env_string.name);
        note.text2 = copy(m.env_string.value);
        break;
    case XA_MSG_NOTIFY_INPUT_MODULE_INFO:
    case XA_MSG_NOTIFY_OUTPUT_MODULE_INFO:
    case XA_MSG_NOTIFY_CODEC_MODULE_INFO:
        note.text1 = copy(m.module_info.name);
        note.text2 = copy(m.module_info.description);
        break;
    case XA_MSG_NOTIFY_CODEC_EQUALIZER:
        if (m.equalizer.equalizer)
            note.equalizer = *m.equalizer.equalizer;
        break;
    case XA_MSG_NOTIFY_ERROR: note.text1 = copy(m.error.message); break;
    default: break;
    }
    notes_.push_back(note);
}

bool DecoderSession::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        window_.waitAndDeliver(20);
    }
    return true;
}

bool DecoderSession::waitForState(int state, int timeoutMs)
{
    return waitFor(
        [&] {
            for (const Note &n : notes_)
                if (n.code() == XA_MSG_NOTIFY_PLAYER_STATE && n.message.state.state == state)
                    return true;
            return false;
        },
        timeoutMs);
}

void DecoderSession::deliverFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        window_.waitAndDeliver(10);
}

std::vector<Note> DecoderSession::notesWithCode(int code) const
{
    std::vector<Note> found;
    for (const Note &n : notes_)
        if (n.code() == code)
            found.push_back(n);
    return found;
}

bool DecoderSession::hasAck(int command) const
{
    for (const Note &n : notes_)
        if (n.code() == XA_MSG_NOTIFY_ACK && n.message.ack.command == command)
            return true;
    return false;
}

bool DecoderSession::hasNack(int command) const
{
    for (const Note &n : notes_)
        if (n.code() == XA_MSG_NOTIFY_NACK && n.message.nack.command == command)
            return true;
    return false;
}

} // namespace tb::test
