// The volume slider trkVolume: it shows and sets the loudspeaker volume of the system mixer.
// The volume is written when the mouse button is released, and changes made anywhere else move
// the slider. User-interface thread only.
#pragma once

#include "Audio.h"
#include "PlayerPorts.h"
#include "platform/Dialogs.h"

#include <cstdint>

namespace tb {

class VolumeController {
public:
    VolumeController(TAudio &mixer, SliderPort &trkVolume, Dialogs &dialogs);

    // At window creation: finds the loudspeaker line with the enumerator, then shows its volume.
    void FindLoudspeakerLine(const tMsMixerSystem &enumerator);
    // trkVolumeMouseUp and trkVolumeThumbMouseUp: the slider's value goes to the mixer.
    void trkVolumeMouseUp();
    // The mixer reported a change: the slider follows the loudspeaker volume.
    void MixerMixerChange();

    int32_t VolumeLine() const { return volumeLine_; }

private:
    int16_t Line() const { return static_cast<int16_t>(volumeLine_ & 0xFFFF); }
    void ShowVolume();

    TAudio &mixer_;
    SliderPort &trkVolume_;
    Dialogs &dialogs_;
    int32_t volumeLine_ = 0;
};

} // namespace tb
