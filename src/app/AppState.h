// The program-wide state every subsystem shares: which activity runs, which list is active,
// whether the lists changed since the last playlist, and the queue of files being worked on.
#pragma once

#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace tb {

enum ActivityStates : int32_t { asIdle = 0, asPlaying = 1, asConverting = 2 };
enum DoWhatValues : int32_t { dwMp3ToWav = 0, dwWavToMp3 = 1 };

struct AppState {
    int32_t ActivityState = asIdle;
    int32_t DoWhat = dwMp3ToWav;
    bool ListsChanged = false;
    QStringList FileQueue;
};

// The guard of the list and playlist commands: only Idle lets them run; otherwise the user is
// told what to stop first.
inline bool PassesGuard(const AppState &state, Dialogs &dialogs)
{
    if (state.ActivityState == asPlaying) {
        dialogs.message(QStringLiteral("Please stop playing at first!"));
        return false;
    }
    if (state.ActivityState == asConverting) {
        dialogs.message(QStringLiteral("Please stop converting at first!"));
        return false;
    }
    return true;
}

} // namespace tb
