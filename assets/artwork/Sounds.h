// The two interface sounds, synthesised: complete RIFF WAVE file images of fixed sizes.
#pragma once

#include <QByteArray>

namespace art {

// The hover sound: a soft two-partial chime, 44.1 kHz 16-bit stereo, 35084 bytes.
QByteArray switchSound();
// The click sound: a short wooden tick, 44.1 kHz 16-bit mono, 15590 bytes.
QByteArray clickSound();

} // namespace art
