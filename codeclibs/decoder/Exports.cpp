// The 17 entry points of decoder.so. Nothing thrown inside may cross into the caller.
#include "Player.h"

#include <new>

#define XA_EXPORT extern "C" __attribute__((visibility("default")))

struct XA_Player {
    explicit XA_Player(tb_window *window) : player(window) {}
    tb::decoder::Player player;
};

namespace {
using tb::decoder::Command;

template <typename Fill>
int sendCommand(XA_Player *player, int code, Fill fill)
{
    if (!player)
        return XA_ERROR_INVALID_PLAYER;
    try {
        Command command;
        command.code = code;
        fill(command);
        player->player.send(std::move(command));
        return XA_SUCCESS;
    } catch (const std::bad_alloc &) {
        return XA_ERROR_OUT_OF_MEMORY;
    } catch (...) {
        return XA_FAILURE;
    }
}

std::string text(const char *value) { return value ? value : ""; }

// How long deleting a player waits for its thread, which ends between two frames. The program
// deletes its two players one after the other on its way out, beside its other components, so
// the wait stays small: a thread that has not ended by then is held in the system.
constexpr int QuitWaitMs = 100;
} // namespace

XA_EXPORT int player_new(XA_Player **player, tb_window **window)
{
    if (!player)
        return XA_ERROR_INVALID_PARAMETERS;
    *player = nullptr;
    try {
        *player = new XA_Player(window ? *window : nullptr);
        return XA_SUCCESS;
    } catch (const std::bad_alloc &) {
        return XA_ERROR_OUT_OF_MEMORY;
    } catch (...) {
        return XA_FAILURE;
    }
}

XA_EXPORT void player_delete(XA_Player *player)
{
    if (!player)
        return;
    // The caller must never wait on a thread that is blocked in the system (a hung file or
    // device): such a player is left behind, silenced, until the process ends. The library is
    // linked to stay loaded, so the thread never runs in unmapped code.
    if (player->player.quit(std::chrono::milliseconds(QuitWaitMs)))
        delete player;
    else
        player->player.silence();
}

XA_EXPORT int player_set_priority(XA_Player *player, int priority)
{
    return player ? player->player.setPriority(priority) : XA_ERROR_INVALID_PLAYER;
}

XA_EXPORT int player_get_priority(XA_Player *player)
{
    return player ? player->player.priority() : XA_ERROR_INVALID_PLAYER;
}

XA_EXPORT const char *xaudio_error_string(int code) { return tb::decoder::errorText(code); }

XA_EXPORT uint32_t xaudio_get_version(int)
{
    return (XA_API_VERSION_MAJOR << 16) | (XA_API_VERSION_MINOR << 8);
}

XA_EXPORT int control_message_send_N(XA_Player *player, int code)
{
    return sendCommand(player, code, [](Command &) {});
}

XA_EXPORT int control_message_send_P(XA_Player *player, int code, const void *pointer)
{
    // The only pointer command is the equalizer table; it is copied now, as the caller's table
    // may be gone by the time the player runs the command.
    return sendCommand(player, code, [&](Command &c) {
        c.hasTable = pointer != nullptr;
        if (pointer)
            c.table = *static_cast<const XA_EqualizerInfo *>(pointer);
    });
}

XA_EXPORT int control_message_send_S(XA_Player *player, int code, const char *text1)
{
    return sendCommand(player, code, [&](Command &c) { c.text1 = text(text1); });
}

XA_EXPORT int control_message_send_SS(XA_Player *player, int code, const char *text1, const char *text2)
{
    return sendCommand(player, code, [&](Command &c) {
        c.text1 = text(text1);
        c.text2 = text(text2);
    });
}

XA_EXPORT int control_message_send_SI(XA_Player *player, int code, const char *text1, int value)
{
    return sendCommand(player, code, [&](Command &c) {
        c.text1 = text(text1);
        c.values[0] = value;
    });
}

XA_EXPORT int control_message_send_IPI(XA_Player *player, int code, int value1, const void *, int value2)
{
    // Module messages are refused by the player, so their data is not copied.
    return sendCommand(player, code, [&](Command &c) {
        c.values[0] = value1;
        c.values[1] = value2;
    });
}

XA_EXPORT int control_message_send_I(XA_Player *player, int code, int value)
{
    return sendCommand(player, code, [&](Command &c) { c.values[0] = value; });
}

XA_EXPORT int control_message_send_II(XA_Player *player, int code, int value1, int value2)
{
    return sendCommand(player, code, [&](Command &c) {
        c.values[0] = value1;
        c.values[1] = value2;
    });
}

XA_EXPORT int control_message_send_III(XA_Player *player, int code, int value1, int value2, int value3)
{
    return sendCommand(player, code, [&](Command &c) {
        c.values[0] = value1;
        c.values[1] = value2;
        c.values[2] = value3;
    });
}

XA_EXPORT int control_message_send_IIII(XA_Player *player, int code, int value1, int value2, int value3, int value4)
{
    return sendCommand(player, code, [&](Command &c) {
        c.values[0] = value1;
        c.values[1] = value2;
        c.values[2] = value3;
        c.values[3] = value4;
    });
}

XA_EXPORT int control_win32_params_to_message(XA_Player *player, XA_Message *message, uint32_t windowMessage,
                                              uintptr_t wparam, intptr_t lparam)
{
    if (!player)
        return XA_ERROR_INVALID_PLAYER;
    return player->player.toMessage(message, windowMessage, wparam, lparam);
}
