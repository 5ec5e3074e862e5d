#include "VolumeControl.h"

#include "Rounding.h"

namespace tb {

VolumeController::VolumeController(TAudio &mixer, SliderPort &trkVolume, Dialogs &dialogs)
    : mixer_(mixer), trkVolume_(trkVolume), dialogs_(dialogs)
{
}

void VolumeController::FindLoudspeakerLine(const tMsMixerSystem &enumerator)
{
    if (enumerator.DeviceCount() == 0) {
        dialogs_.message(QStringLiteral("No mixer device!"));
    } else if (enumerator.Destinations().empty()) {
        dialogs_.message(QStringLiteral("No mixer line device!"));
    } else {
        for (const tMsMixerSystem::Destination &d : enumerator.Destinations()) {
            if (d.ComponentType == tMsMixerSystem::ctSpeakers) {
                volumeLine_ = static_cast<int32_t>(mixer_.DestinationNames().indexOf(d.FullName));
                break;
            }
        }
    }
    ShowVolume();
}

void VolumeController::ShowVolume()
{
    const TAudio::LineVolume line = mixer_.GetLineVolume(Line(), 0);
    if (line.volumeRead)
        trkVolume_.SetValue(SliderFromMixer(line.left));
}

void VolumeController::trkVolumeMouseUp()
{
    const int v = trkVolume_.Value();
    const TAudio::LineVolume line = mixer_.GetLineVolume(Line(), 0);
    if (!line.volumeRead)
        return;
    const uint32_t value = MixerFromSlider(v);
    mixer_.SetLineVolume(Line(), 0, line.mute, value, value);
}

void VolumeController::MixerMixerChange() { ShowVolume(); }

} // namespace tb
