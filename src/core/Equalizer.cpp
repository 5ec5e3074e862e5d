#include "Equalizer.h"

#include <algorithm>

namespace tb {

XA_EqualizerInfo BuildEqualizerTable(const VolLevels &levels)
{
    XA_EqualizerInfo table{};
    for (size_t slider = 0; slider < levels.size(); ++slider) {
        // A level outside the slider's range (a hand-edited settings file) saturates rather than
        // wrapping around, so a deep cut never turns into a boost.
        const int64_t band = -static_cast<int64_t>(levels[slider]);
        const auto value = static_cast<int8_t>(std::clamp<int64_t>(band, INT8_MIN, INT8_MAX));
        for (int b = EqualizerSliderFirstBand[slider]; b < EqualizerSliderFirstBand[slider + 1]; ++b) {
            table.left[b] = value;
            table.right[b] = value;
        }
    }
    return table;
}

void ApplyEqualizer(bool normalizing, const VolLevels &levels, EqualizerTarget *mp3Player, EqualizerTarget *decoder)
{
    if (!normalizing) {
        for (EqualizerTarget *target : {mp3Player, decoder})
            if (target)
                target->SetCodecEqualizer(nullptr);
        return;
    }
    const XA_EqualizerInfo table = BuildEqualizerTable(levels);
    for (EqualizerTarget *target : {mp3Player, decoder}) {
        if (!target)
            continue;
        target->SetCodecEqualizer(&table);
        target->GetCodecEqualizer();
    }
}

} // namespace tb
