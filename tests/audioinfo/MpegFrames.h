// MPEG audio test data: frames of a given header, padded to their length, and ID3v1 tags.
#pragma once

#include <QByteArray>

namespace tb::test {

// count frames, each the four header bytes followed by filler up to frameLength.
inline QByteArray mpegFrames(const QByteArray &header, int frameLength, int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += header + QByteArray(frameLength - header.size(), '\x11');
    return out;
}

// A 128-byte ID3v1 block with the given 30-byte title field (shorter fields are NUL-padded).
inline QByteArray id3v1(const QByteArray &titleField, const QByteArray &magic = "TAG")
{
    QByteArray block = magic + titleField.leftJustified(30, '\0', true);
    block += QByteArray("Artist").leftJustified(30, '\0') + QByteArray("Album").leftJustified(30, '\0') + "2001";
    return block.leftJustified(128, '\0', true);
}

} // namespace tb::test
