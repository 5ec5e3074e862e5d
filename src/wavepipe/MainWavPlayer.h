// The program's one wave player, set up as the playback controller drives it.
#pragma once

#include "wavepipe/MMWavePlayer.h"

#include <memory>

namespace tb {

// Times in milliseconds (wave and player), 10 buffers of 2048 bytes on device 0, notices through
// the notification window, no looping, the position back to 0 after each stop.
std::unique_ptr<TMMWavePlayer> makeMainWavPlayer();

} // namespace tb
