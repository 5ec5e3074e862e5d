// The decoder equalizer built from the eight levels of the options: 32 bands per channel, each
// band taking the negated level of the slider that covers it; both channels get the same bands.
#pragma once

#include "tonebridge/xaudio.h"

#include <array>
#include <cstdint>

namespace tb {

using VolLevels = std::array<int32_t, 8>;

// A decoder that takes an equalizer: the decoder binding offers both calls.
class EqualizerTarget {
public:
    virtual ~EqualizerTarget() = default;
    // A table switches the equalizer on with these bands; null switches it off.
    virtual void SetCodecEqualizer(const XA_EqualizerInfo *table) = 0;
    virtual void GetCodecEqualizer() = 0;
};

// A decoder binding (TXaudioPlayer) seen as an equalizer target; the statuses are ignored.
template <class Player>
class EqualizerOf : public EqualizerTarget {
public:
    explicit EqualizerOf(Player &player) : player_(player) {}
    void SetCodecEqualizer(const XA_EqualizerInfo *table) override { player_.SetCodecEqualizer(table); }
    void GetCodecEqualizer() override { player_.GetCodecEqualizer(); }

private:
    Player &player_;
};

// The first band of each slider; the slider covers the bands up to the next one's first.
inline constexpr std::array<int, 9> EqualizerSliderFirstBand{0, 1, 2, 4, 6, 8, 14, 20, 32};

XA_EqualizerInfo BuildEqualizerTable(const VolLevels &levels);

// On: the table, then a read-back, to the playback decoder and then to the conversion decoder.
// Off: null to the playback decoder, then to the conversion decoder. A missing decoder is passed over.
void ApplyEqualizer(bool normalizing, const VolLevels &levels, EqualizerTarget *mp3Player, EqualizerTarget *decoder);

} // namespace tb
