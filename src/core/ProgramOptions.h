// The options of section Options of the settings file, held in memory for the whole run.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace tb {

class TBigIniFile;

struct ProgramOptions {
    static constexpr const char *Section = "Options";

    bool IsActiveSnd = false;
    bool IsClickSnd = true;
    bool IsPlayCycle = false;
    bool IsOurMp3Player = true;
    bool IsDoneOpenDir = true;
    bool IsNormalizing = true;
    int32_t OutputMode = 0;
    int32_t Skin = 0;
    int32_t Mp3Bitrate = 8;
    int32_t Mp3Stereo = 1;
    std::array<int32_t, 8> VolLevel{50, 50, 50, 50, 50, 50, 50, 50};
    QString LastPlayList;
    QString Mp3Dir;
    QString WavDir;

    // The defaults, with the folders and the playlist in the program folder.
    static ProgramOptions Defaults(const QString &programFolder);
    // Reads every key in the settings file's order, each with its default; folders end in "/".
    void Read(TBigIniFile &ini, const QString &programFolder);
    // Writes what the options dialog stores, in its order; LastPlayList is not among them.
    void Write(TBigIniFile &ini) const;
};

} // namespace tb
