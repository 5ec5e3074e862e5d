// What the program options change outside the options dialog: the equalizer of both decoders,
// the theme of the pop-up menus and the sounds of the command buttons.
#pragma once

#include "Equalizer.h"

#include <cstdint>

namespace tb {

class OptionsEffects {
public:
    virtual ~OptionsEffects() = default;
    virtual void ApplyEqualizer(bool normalizing, const VolLevels &levels) = 0;
    virtual void ApplyMenuSkin(int32_t skin) = 0;
    virtual void ApplyButtonSounds(bool activeSnd, bool clickSnd) = 0;
};

} // namespace tb
