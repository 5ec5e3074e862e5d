// Writes the small seed corpora of the fuzz targets: <folder>/<target>/seeds, and an empty
// <folder>/<target>/work for what a run discovers.
#include "support/WavWriter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <cstdio>

using tb::test::formatChunk;
using tb::test::le32;
using tb::test::RiffBuilder;
using tb::test::sinePcm;
using tb::test::sineWav;
using tb::test::Tone;

namespace {

QByteArray frames(const QByteArray &header, int frameLength, int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += header + QByteArray(frameLength - header.size(), '\x55');
    return out;
}

QByteArray id3(const QByteArray &title)
{
    QByteArray tag = "TAG" + title.leftJustified(30, '\0', true);
    return tag.leftJustified(128, '\0', true);
}

QList<QByteArray> mpegSeeds()
{
    const QByteArray mpeg1 = QByteArray::fromHex("FFFB9064");
    const QByteArray mpeg2 = QByteArray::fromHex("FFF384C4");
    const QByteArray layer1 = QByteArray::fromHex("FFFF9200");
    const QByteArray layer2 = QByteArray::fromHex("FFFD9000");
    return {
        frames(mpeg1, 417, 3) + id3("Seed title"),
        QByteArray(126, 'j') + frames(mpeg1, 417, 2),
        frames(mpeg2, 192, 3),
        frames(layer1, 52, 3) + id3("  two blanks"),
        frames(layer2, 417, 2),
        QByteArray::fromHex("FFFB0064") + id3("free"),
        id3("only a tag"),
        QByteArray::fromHex("FFE390C4FFFB"),
    };
}

QList<QByteArray> riffSeeds()
{
    Tone mono8{8000, 1, 8, 40};
    Tone stereo16{44100, 2, 16, 30};
    Tone six24{48000, 6, 24, 8};
    Tone float32{22050, 1, 32, 16, 440, 0.5, true};
    QByteArray info = "INFO" + QByteArray("INAM") + le32(5) + QByteArray("Seed\0\0", 6) + QByteArray("ISFT") + le32(2) + "tb";
    QByteArray adpcmExtra = QByteArray::fromHex("F4010700000100000002FF0000000000C0004000F000000000CC0100");
    return {
        sineWav(mono8),
        sineWav(stereo16),
        sineWav(six24),
        sineWav(float32),
        RiffBuilder().chunk("fmt ", formatChunk(stereo16)).chunk("LIST", info).chunk("fact", le32(30))
            .chunk("data", sinePcm(stereo16)).chunk("DISP", le32(1) + QByteArray("display")).build(),
        RiffBuilder().chunk("fmt ", formatChunk(2, 1, 8000, 4096, 256, 4, 32, adpcmExtra)).chunk("fact", le32(500))
            .chunk("data", QByteArray(512, '\x11')).build(),
        RiffBuilder().chunk("fmt ", formatChunk(0x55, 2, 44100, 16000, 1, 0, 12, QByteArray(8, '\x01'))).build(),
        RiffBuilder().chunk("fmt ", formatChunk(mono8)).chunkDeclaring("data", 1000, sinePcm(mono8)).build(100),
        RiffBuilder().chunk("fmt ", formatChunk(mono8)).chunk("odd ", "abc").chunk("data", "xyz").build(),
    };
}

QList<QByteArray> chainSeeds()
{
    // op, component, argument...: link 0 -> 1 -> 2 -> 3, driver after 3, a PCM format at the head,
    // open, start, load a buffer, stop, close, unlink the middle.
    const QByteArray pcm = formatChunk(1, 2, 44100, 176400, 4, 16, 0);
    QByteArray linking = QByteArray::fromHex("010001" "010102" "010203" "000403");
    QByteArray format = QByteArray::fromHex("0200") + char(pcm.size()) + pcm;
    QByteArray run = QByteArray::fromHex("0300" "0400" "0A00" "0500" "0600" "080100");
    const QByteArray adpcm = formatChunk(2, 1, 8000, 4096, 256, 4, 4, QByteArray::fromHex("F4010700"));
    QByteArray other = QByteArray::fromHex("0200") + char(adpcm.size()) + adpcm;
    return {linking + format + run, format + linking + run, linking + other + QByteArray::fromHex("0702FF0300"),
            QByteArray::fromHex("000102" "010200" "090301" "010203")};
}

// Mode byte, record length, record, data: one seed per driver.
QByteArray acmSeed(uint8_t mode, const QByteArray &record, const QByteArray &data)
{
    QByteArray out;
    out.append(char(mode));
    out.append(char(record.size() & 0xFF));
    out.append(char(record.size() >> 8));
    return out + record + data;
}

QList<QByteArray> acmSeeds()
{
    QByteArray msCoefficients = QByteArray::fromHex("F4010700" "00010000" "000200FF" "00000000" "C0004000"
                                                    "F0000000" "CC0130FF" "880118FF");
    // an IMA block: first sample 0, step index 20, then nibbles
    QByteArray ima = QByteArray::fromHex("00001400") + QByteArray(252, '\x37');
    QByteArray ms = QByteArray::fromHex("01" "1000" "0000" "0000") + QByteArray(249, '\x21');
    QByteArray mpegFrame = QByteArray::fromHex("FFFB9064") + QByteArray(413, '\x00');
    QByteArray extensiblePcm = QByteArray::fromHex("1800" "03000000" "0100000000001000800000AA00389B71");
    Tone stereo16{44100, 2, 16, 64};
    Tone float32{22050, 1, 32, 64, 440, 0.5, true};
    return {
        acmSeed(0x00, formatChunk(0x11, 1, 22050, 11100, 256, 4, 2, QByteArray::fromHex("F901")), ima + ima),
        acmSeed(0x41, formatChunk(0x02, 1, 22050, 11100, 256, 4, 32, msCoefficients), ms + ms),
        acmSeed(0x80, formatChunk(0x31, 1, 8000, 1625, 65, 0, 2, QByteArray::fromHex("4001")), QByteArray(130, '\x5A')),
        acmSeed(0x00, formatChunk(0x06, 2, 8000, 16000, 2, 8, 0), QByteArray(200, '\xD5')),
        acmSeed(0x03, formatChunk(0x07, 1, 8000, 8000, 1, 8, 0), QByteArray(200, '\x7F')),
        acmSeed(0x00, formatChunk(float32, true), sinePcm(float32)),
        acmSeed(0x13, formatChunk(stereo16), sinePcm(stereo16)),
        acmSeed(0xC0, formatChunk(0x55, 2, 44100, 16000, 1, 0, 12, QByteArray(12, '\x01')), mpegFrame + mpegFrame),
        acmSeed(0x00, formatChunk(0xFFFE, 2, 48000, 288000, 6, 24, 22, extensiblePcm), QByteArray(120, '\x10')),
    };
}

bool writeAll(const QString &folder, const QList<QByteArray> &seeds)
{
    QDir(folder + "/work").removeRecursively();
    QDir(folder + "/seeds").removeRecursively();
    if (!QDir().mkpath(folder + "/work") || !QDir().mkpath(folder + "/seeds"))
        return false;
    for (int i = 0; i < seeds.size(); ++i) {
        if (!tb::test::writeFile(QStringLiteral("%1/seeds/seed%2").arg(folder).arg(i), seeds[i]))
            return false;
    }
    return true;
}

// Small tags of each kind: ID3v2.2, 2.3 (unsynchronised) and 2.4 with text and comment frames,
// an ID3v1.1 block and an INFO list body.
QList<QByteArray> tagSeeds()
{
    auto syncsafe = [](int v) {
        return QByteArray(1, char(v >> 21 & 0x7F)) + char(v >> 14 & 0x7F) + char(v >> 7 & 0x7F) + char(v & 0x7F);
    };
    auto be32 = [](int v) { return QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v); };
    const QByteArray text = QByteArray("\0Title", 6);
    const QByteArray comment = QByteArray("\x01" "eng\0\0\xFF\xFE" "a\0b\0", 12);
    const QByteArray v23 = "TIT2" + be32(int(text.size())) + QByteArray(2, 0) + text + "COMM" +
                           be32(int(comment.size())) + QByteArray(2, 0) + comment;
    const QByteArray v24 = "TIT2" + syncsafe(int(text.size())) + QByteArray(2, 0) + text + "TCON" + syncsafe(5) +
                           QByteArray(2, 0) + QByteArray("\x03(17)", 5);
    const QByteArray v22 = "TT2" + QByteArray(1, 0) + char(0) + char(text.size()) + text;
    QByteArray v1(128, 0);
    v1.replace(0, 8, "TAGTitle");
    v1[126] = 3;
    v1[127] = 17;
    const QByteArray info = QByteArray("INFOINAM\x06\0\0\0Title\0", 18);
    return {QByteArray("ID3\x03\0\x80", 6) + syncsafe(int(v23.size())) + v23,
            QByteArray("ID3\x04\0\0", 6) + syncsafe(int(v24.size())) + v24,
            QByteArray("ID3\x02\0\0", 6) + syncsafe(int(v22.size())) + v22, v1, info};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s corpus-folder\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const bool ok = writeAll(root + "/mpeg_probe", mpegSeeds()) && writeAll(root + "/riff", riffSeeds()) &&
                    writeAll(root + "/chain_format", chainSeeds()) && writeAll(root + "/tags", tagSeeds()) &&
                    writeAll(root + "/decoder_input", mpegSeeds()) && writeAll(root + "/encoder_wav", riffSeeds()) &&
                    writeAll(root + "/acm", acmSeeds());
    return ok ? 0 : 1;
}
