#include "ProgramOptions.h"

#include "platform/FileSystem.h"
#include "settings/BigIniFile.h"

namespace tb {

ProgramOptions ProgramOptions::Defaults(const QString &programFolder)
{
    ProgramOptions o;
    const QString base = withTrailingSlash(programFolder);
    o.LastPlayList = base + "default.lst";
    o.Mp3Dir = base + "Mp3/";
    o.WavDir = base + "Wav/";
    return o;
}

void ProgramOptions::Read(TBigIniFile &ini, const QString &programFolder)
{
    const ProgramOptions d = Defaults(programFolder);
    IsActiveSnd = ini.ReadBool(Section, "IsActiveSnd", d.IsActiveSnd);
    IsClickSnd = ini.ReadBool(Section, "IsClickSnd", d.IsClickSnd);
    IsPlayCycle = ini.ReadBool(Section, "IsPlayCycle", d.IsPlayCycle);
    IsOurMp3Player = ini.ReadBool(Section, "IsOurMp3Player", d.IsOurMp3Player);
    IsDoneOpenDir = ini.ReadBool(Section, "IsDoneOpenDir", d.IsDoneOpenDir);
    IsNormalizing = ini.ReadBool(Section, "IsNormalizing", d.IsNormalizing);
    OutputMode = ini.ReadInteger(Section, "OutputMode", d.OutputMode);
    Skin = ini.ReadInteger(Section, "Skin", d.Skin);
    Mp3Bitrate = ini.ReadInteger(Section, "Mp3Bitrate", d.Mp3Bitrate);
    Mp3Stereo = ini.ReadInteger(Section, "Mp3Stereo", d.Mp3Stereo);
    for (size_t i = 0; i < VolLevel.size(); ++i)
        VolLevel[i] = ini.ReadInteger(Section, QString("VolLevel%1").arg(i), d.VolLevel[i]);
    LastPlayList = ini.ReadString(Section, "LastPlayList", d.LastPlayList);
    Mp3Dir = withTrailingSlash(ini.ReadString(Section, "Mp3Dir", d.Mp3Dir));
    WavDir = withTrailingSlash(ini.ReadString(Section, "WavDir", d.WavDir));
}

void ProgramOptions::Write(TBigIniFile &ini) const
{
    ini.WriteBool(Section, "IsActiveSnd", IsActiveSnd);
    ini.WriteBool(Section, "IsClickSnd", IsClickSnd);
    ini.WriteBool(Section, "IsPlayCycle", IsPlayCycle);
    ini.WriteBool(Section, "IsOurMp3Player", IsOurMp3Player);
    ini.WriteBool(Section, "IsDoneOpenDir", IsDoneOpenDir);
    ini.WriteBool(Section, "IsNormalizing", IsNormalizing);
    ini.WriteInteger(Section, "OutputMode", OutputMode);
    ini.WriteInteger(Section, "Skin", Skin);
    ini.WriteInteger(Section, "Mp3Bitrate", Mp3Bitrate);
    ini.WriteInteger(Section, "Mp3Stereo", Mp3Stereo);
    for (size_t i = 0; i < VolLevel.size(); ++i)
        ini.WriteInteger(Section, QString("VolLevel%1").arg(i), VolLevel[i]);
    ini.WriteString(Section, "Mp3Dir", Mp3Dir);
    ini.WriteString(Section, "WavDir", WavDir);
}

} // namespace tb
