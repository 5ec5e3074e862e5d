#include "core/ProgramOptions.h"
#include "settings/BigIniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace tb;
using tb::test::TempDir;

namespace {

TEST(ProgramOptions, MissingFileGivesTheDefaults)
{
    TempDir dir;
    TBiggerIniFile ini(dir.file("none.ini"));
    ProgramOptions o;
    o.Read(ini, dir.path());
    EXPECT_FALSE(o.IsActiveSnd);
    EXPECT_TRUE(o.IsClickSnd);
    EXPECT_FALSE(o.IsPlayCycle);
    EXPECT_TRUE(o.IsOurMp3Player);
    EXPECT_TRUE(o.IsDoneOpenDir);
    EXPECT_TRUE(o.IsNormalizing);
    EXPECT_EQ(o.OutputMode, 0);
    EXPECT_EQ(o.Skin, 0);
    EXPECT_EQ(o.Mp3Bitrate, 8);
    EXPECT_EQ(o.Mp3Stereo, 1);
    for (int level : o.VolLevel)
        EXPECT_EQ(level, 50);
    EXPECT_EQ(o.LastPlayList, dir.file("default.lst"));
    EXPECT_EQ(o.Mp3Dir, dir.file("Mp3/"));
    EXPECT_EQ(o.WavDir, dir.file("Wav/"));
}

TEST(ProgramOptions, ValuesAreTakenAsTheyAreAndWrongTypesGiveTheDefault)
{
    TempDir dir;
    TBiggerIniFile ini(dir.write("o.ini", "[options]\r\nSkin=17\r\nMp3Bitrate=20\r\nOutputMode=-3\r\n"
                                          "IsPlayCycle=2\r\nIsClickSnd=no\r\nVolLevel7=0x64\r\nWavDir=/music/wav\r\n"));
    ProgramOptions o;
    o.Read(ini, dir.path());
    EXPECT_EQ(o.Skin, 17);
    EXPECT_EQ(o.Mp3Bitrate, 20);
    EXPECT_EQ(o.OutputMode, -3);
    EXPECT_TRUE(o.IsPlayCycle);
    EXPECT_TRUE(o.IsClickSnd);
    EXPECT_EQ(o.VolLevel[7], 100);
    EXPECT_EQ(o.WavDir, "/music/wav/");
}

TEST(ProgramOptions, WriteStoresTheDialogKeysInOrderWithoutLastPlayList)
{
    TempDir dir;
    QString path = dir.file("o.ini");
    {
        TBiggerIniFile ini(path);
        ProgramOptions o = ProgramOptions::Defaults("/p/");
        o.Write(ini);
        ini.UpdateFile();
    }
    EXPECT_EQ(TempDir::read(path),
              QByteArray("[Options]\r\nIsActiveSnd=0\r\nIsClickSnd=1\r\nIsPlayCycle=0\r\nIsOurMp3Player=1\r\n"
                         "IsDoneOpenDir=1\r\nIsNormalizing=1\r\nOutputMode=0\r\nSkin=0\r\nMp3Bitrate=8\r\n"
                         "Mp3Stereo=1\r\nVolLevel0=50\r\nVolLevel1=50\r\nVolLevel2=50\r\nVolLevel3=50\r\n"
                         "VolLevel4=50\r\nVolLevel5=50\r\nVolLevel6=50\r\nVolLevel7=50\r\nMp3Dir=/p/Mp3/\r\n"
                         "WavDir=/p/Wav/\r\n\r\n"));
}

} // namespace
