// The program-wide state every subsystem shares: which activity runs, which list is active,
// whether the lists changed since the last playlist, and the queue of files being worked on.
// Everything here lives on the user-interface thread.
#pragma once

#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

namespace tb {

// Typed, so that a switch missing one of the values is a compiler warning.
enum ActivityStates : int32_t { asIdle = 0, asPlaying = 1, asConverting = 2 };
enum DoWhatValues : int32_t { dwMp3ToWav = 0, dwWavToMp3 = 1 };

// The index of a list (and of its conversion direction) in two-element tables.
constexpr size_t ListIndexOf(int32_t doWhat) { return doWhat == dwWavToMp3 ? 1 : 0; }

struct AppState {
    // Written only by the application core (through ActivityControl), so whoever follows it
    // hears of every change.
    ActivityStates ActivityState = asIdle;
    // Changed only by the tab handlers of the lists.
    DoWhatValues DoWhat = dwMp3ToWav;
    bool ListsChanged = false;
    QStringList FileQueue;
};

// How the batch (and later the player) enter and leave their activity: the core carries the
// change out and reports it.
class ActivityControl {
public:
    virtual ~ActivityControl() = default;
    virtual void SetActivityState(ActivityStates state) = 0;
};

// The guard of the list and playlist commands: only Idle lets them run; otherwise the user is
// told what to stop first.
inline bool PassesGuard(const AppState &state, Dialogs &dialogs)
{
    switch (state.ActivityState) {
    case asPlaying:
        dialogs.message(QStringLiteral("Please stop playing at first!"));
        return false;
    case asConverting:
        dialogs.message(QStringLiteral("Please stop converting at first!"));
        return false;
    case asIdle:
        break;
    }
    return true;
}

} // namespace tb
