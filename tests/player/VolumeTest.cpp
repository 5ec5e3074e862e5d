// The mixer table, the volume conversions and the volume slider against a mixer in memory.
#include "platform/TestDoubles.h"
#include "platform/audio/MemoryMixer.h"
#include "player/Audio.h"
#include "player/Rounding.h"
#include "player/VolumeControl.h"
#include "support/EventWait.h"
#include "support/QtPrinters.h"

#include "PlayerDoubles.h"
#include "support/TestApplication.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;
using audio::MemoryMixer;
using audio::MixerElement;

namespace {

QCoreApplication &app() { return coreApplication(); }

MemoryMixer::Element element(const char *name, bool volume, bool mono, long min, long max, bool withSwitch,
                             long value = 0)
{
    MemoryMixer::Element e;
    e.info = MixerElement{name, volume, mono, min, max, withSwitch};
    e.values = {value, value};
    return e;
}

// A mixer whose elements the test keeps a hand on after TAudio has taken it over.
struct MixerRig {
    MemoryMixer *device = nullptr;
    std::vector<MemoryMixer::Element> elements;
    bool noDevice = false;

    TAudio::MixerOpener opener()
    {
        // The mixer watches its device's descriptors in the event loop.
        app();
        return [this]() -> std::unique_ptr<audio::MixerDevice> {
            if (noDevice)
                return nullptr;
            auto mixer = std::make_unique<MemoryMixer>("Test Card", elements);
            // The first device opened is the mixer's; the enumerator's comes and goes.
            if (!device)
                device = mixer.get();
            return mixer;
        };
    }
};

TEST(VolumeConversion, SliderAndMixerValuesRoundHalvesToEven)
{
    struct { int64_t mixer; int slider; } fromMixer[] = {{65535, 100}, {32768, 50}, {0, 0}, {327, 0}, {328, 1}, {32439, 49}, {32440, 50}, {64880, 99}};
    for (auto c : fromMixer)
        EXPECT_EQ(SliderFromMixer(c.mixer), c.slider) << c.mixer;
    struct { int slider; uint32_t mixer; } toMixer[] = {{100, 65535}, {10, 6554}, {0, 0}, {50, 32768}, {30, 19660}, {1, 655}, {3, 1966}};
    for (auto c : toMixer)
        EXPECT_EQ(MixerFromSlider(c.slider), c.mixer) << c.slider;
}

TEST(VolumeConversion, DeviceRangesMapLinearlyOntoTheMixerRange)
{
    struct { long min, max, device; uint32_t mixer; } cases[] = {
        {0, 65535, 65535, 65535}, {0, 65535, 1234, 1234},
        {0, 65536, 65536, 65535}, {0, 65536, 32768, 32768}, {0, 65536, 19661, 19661},
        {0, 31, 31, 65535}, {0, 31, 15, 31710}, {0, 31, 0, 0},
        {-10, 10, 0, 32768}, {-10, 10, -10, 0}, {-10, 10, 10, 65535},
        {0, 31, 40, 65535}, {0, 31, -3, 0}, {5, 5, 5, 0},
    };
    for (auto c : cases)
        EXPECT_EQ(MixerValueFromDevice(c.device, c.min, c.max), c.mixer) << c.min << ".." << c.max << " " << c.device;
    struct { long min, max; uint32_t mixer; long device; } back[] = {
        {0, 65535, 6554, 6554}, {0, 65536, 26214, 26214}, {0, 65536, 65535, 65536},
        {0, 31, 65535, 31}, {0, 31, 32768, 16}, {-10, 10, 32768, 0}, {0, 31, 0, 0},
    };
    for (auto c : back)
        EXPECT_EQ(DeviceValueFromMixer(c.mixer, c.min, c.max), c.device) << c.min << ".." << c.max << " " << c.mixer;
}

TEST(MixerTable, TheLoudspeakerElementIsTheDestinationAndTheOtherPlaybackElementsItsSources)
{
    MixerRig rig;
    rig.elements = {element("PCM", true, false, 0, 255, true), element("Master", true, false, 0, 65535, true),
                    element("Capture", false, false, 0, 0, false), element("Beep", false, false, 0, 0, true),
                    element("Speaker", true, true, 0, 31, false)};
    TAudio mixer(rig.opener());
    ASSERT_TRUE(mixer.Ready());
    const std::vector<TMixDetails> &t = mixer.Table();
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[0].Destination, -1);
    EXPECT_EQ(t[0].SourceNumber, -1);
    EXPECT_EQ(t[0].Name, "Test Card");
    struct { int16_t d, s; const char *name; bool volume, mute, mono; } expected[] = {
        {0, 0, "Master", true, true, false}, {0, 1, "PCM", true, true, false},
        {0, 2, "Beep", false, true, false}, {0, 3, "Speaker", true, false, true}};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(expected[i].name);
        const TMixDetails &d = t[i + 1];
        EXPECT_EQ(d.Destination, expected[i].d);
        EXPECT_EQ(d.SourceNumber, expected[i].s);
        EXPECT_EQ(d.Name, expected[i].name);
        EXPECT_EQ(d.VolumeControl != TAudio::NoControl, expected[i].volume);
        EXPECT_EQ(d.MuteControl != TAudio::NoControl, expected[i].mute);
        EXPECT_EQ(d.PeakMeterControl, TAudio::NoControl);
        EXPECT_EQ(d.Mono, expected[i].mono);
        EXPECT_TRUE(d.Speakers);
    }
    EXPECT_EQ(mixer.DestinationNames(), QStringList{"Master"});
    tMsMixerSystem enumerator(rig.opener());
    ASSERT_EQ(enumerator.DeviceCount(), 1);
    ASSERT_EQ(enumerator.Destinations().size(), 1u);
    EXPECT_EQ(enumerator.Destinations()[0].FullName, "Master");
    EXPECT_EQ(enumerator.Destinations()[0].ComponentType, tMsMixerSystem::ctSpeakers);
}

TEST(MixerTable, SpeakerElseTheFirstElementWithAPlaybackVolumeIsTheLoudspeaker)
{
    MixerRig rig;
    rig.elements = {element("Headphone", true, false, 0, 100, true), element("Speaker", true, false, 0, 100, true)};
    EXPECT_EQ(TAudio(rig.opener()).DestinationNames(), QStringList{"Speaker"});
    rig.elements = {element("Mic", false, false, 0, 0, true), element("PCM", true, false, 0, 100, false),
                    element("Headphone", true, false, 0, 100, true)};
    EXPECT_EQ(TAudio(rig.opener()).DestinationNames(), QStringList{"PCM"});
}

TEST(MixerTable, ADeviceWithoutPlaybackVolumeHasNoDestinationAndIsNotReady)
{
    MixerRig rig;
    rig.elements = {element("Capture", false, false, 0, 0, false), element("Beep", false, false, 0, 0, true)};
    TAudio mixer(rig.opener());
    EXPECT_FALSE(mixer.Ready());
    EXPECT_TRUE(mixer.Table().empty());
    EXPECT_TRUE(mixer.DestinationNames().isEmpty());
    EXPECT_FALSE(mixer.GetLineVolume(0, 0).volumeRead);
    EXPECT_FALSE(mixer.SetLineVolume(0, 0, false, 1, 1));
}

struct LineCase {
    const char *name;
    MemoryMixer::Element speaker;
    bool volumeRead, muteRead, mute;
    uint32_t left, right;
};

class LineVolumes : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineVolumes, GetLineVolumeReadsBothChannelsAndTheMute)
{
    const LineCase &c = GetParam();
    MixerRig rig;
    rig.elements = {c.speaker};
    TAudio mixer(rig.opener());
    TAudio::LineVolume v = mixer.GetLineVolume(0, 0);
    EXPECT_EQ(v.volumeRead, c.volumeRead);
    EXPECT_EQ(v.muteRead, c.muteRead);
    EXPECT_EQ(v.mute, c.mute);
    if (c.volumeRead) {
        EXPECT_EQ(v.left, c.left);
        EXPECT_EQ(v.right, c.right);
    }
}

MemoryMixer::Element stereo(long left, long right, long max = 65535, bool withSwitch = true, bool on = true)
{
    MemoryMixer::Element e = element("Master", true, false, 0, max, withSwitch);
    e.values = {left, right};
    e.on = on;
    return e;
}

MemoryMixer::Element unreadable()
{
    MemoryMixer::Element e = stereo(100, 100);
    e.failReads = true;
    return e;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineVolumes,
    ::testing::Values(LineCase{"Stereo", stereo(65535, 32768), true, true, false, 65535, 32768},
                      LineCase{"Mono", element("Master", true, true, 0, 65535, true, 1000), true, true, false, 1000, 1000},
                      LineCase{"PulseRange", stereo(65536, 19661, 65536), true, true, false, 65535, 19661},
                      LineCase{"HardwareRange", stereo(31, 0, 31), true, true, false, 65535, 0},
                      LineCase{"NoMute", stereo(10, 20, 65535, false), true, false, false, 10, 20},
                      LineCase{"Muted", stereo(500, 500, 65535, true, false), true, true, true, 500, 500},
                      LineCase{"Unreadable", unreadable(), false, false, false, 0, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MixerTable, ALineWithoutAVolumeControlCanBeNeitherReadNorSet)
{
    MixerRig rig;
    rig.elements = {stereo(100, 100), element("Beep", false, false, 0, 0, true)};
    TAudio mixer(rig.opener());
    EXPECT_FALSE(mixer.GetLineVolume(0, 1).volumeRead);
    EXPECT_FALSE(mixer.GetLineVolume(0, 9).volumeRead);
    EXPECT_FALSE(mixer.GetLineVolume(-1, -1).volumeRead);
    EXPECT_FALSE(mixer.SetLineVolume(0, 9, false, 1, 1));
}

// ---- The volume slider ----

struct SliderRig {
    MixerRig mixerRig;
    ScriptedDialogs dialogs;
    RecordingSlider trkVolume;
    std::unique_ptr<TAudio> mixer;
    std::unique_ptr<VolumeController> volume;

    void create()
    {
        trkVolume.enabled = true;
        mixer = std::make_unique<TAudio>(mixerRig.opener());
        volume = std::make_unique<VolumeController>(*mixer, trkVolume, dialogs);
        mixer->OnMixerChange = [this](TAudio *, int, int) { volume->MixerMixerChange(); };
        tMsMixerSystem enumerator(mixerRig.opener());
        volume->FindLoudspeakerLine(enumerator);
    }
    MemoryMixer::Element &master() { return mixerRig.device->elements.at(0); }
};

TEST(VolumeSlider, ShowsTheLoudspeakerVolumeAtCreation)
{
    struct { long value; int slider; } cases[] = {{65535, 100}, {32768, 50}, {0, 0}};
    for (auto c : cases) {
        SliderRig rig;
        rig.mixerRig.elements = {stereo(c.value, 0)};
        rig.create();
        EXPECT_EQ(rig.trkVolume.value, c.slider) << c.value;
        EXPECT_EQ(rig.volume->VolumeLine(), 0);
        EXPECT_TRUE(rig.dialogs.shown.empty());
    }
}

TEST(VolumeSlider, ReleasingTheSliderWritesBothChannelsAndLeavesTheMuteAsItWas)
{
    struct { int slider; long max; bool withSwitch; bool on; const char *writes; } cases[] = {
        {100, 65535, true, true, "Master[0]=65535 Master[1]=65535"},
        {10, 65535, true, true, "Master[0]=6554 Master[1]=6554"},
        {0, 65535, true, true, "Master[0]=0 Master[1]=0"},
        {40, 65536, true, true, "Master[0]=26214 Master[1]=26214"},
        {50, 65535, true, false, "Master[0]=32768 Master[1]=32768"},
        {70, 65535, false, true, "Master[0]=45874 Master[1]=45874"},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.writes);
        SliderRig rig;
        rig.mixerRig.elements = {stereo(1000, 2000, c.max, c.withSwitch, c.on)};
        rig.create();
        rig.trkVolume.value = c.slider;
        rig.volume->trkVolumeMouseUp();
        QStringList writes;
        for (const std::string &w : rig.mixerRig.device->writes)
            writes << QString::fromStdString(w);
        EXPECT_EQ(writes.join(" "), c.writes);
        EXPECT_EQ(rig.master().on, c.on);
    }
}

TEST(VolumeSlider, AMonoLineIsWrittenOnce)
{
    SliderRig rig;
    rig.mixerRig.elements = {element("Master", true, true, 0, 65535, true, 0)};
    rig.create();
    rig.trkVolume.value = 30;
    rig.volume->trkVolumeMouseUp();
    ASSERT_EQ(rig.mixerRig.device->writes.size(), 1u);
    EXPECT_EQ(rig.mixerRig.device->writes[0], "Master[0]=19660");
}

TEST(VolumeSlider, NoMixerDeviceShowsTheMessageAndTheSliderDoesNothing)
{
    SliderRig rig;
    rig.mixerRig.noDevice = true;
    rig.trkVolume.value = 0;
    rig.create();
    EXPECT_EQ(rig.dialogs.messages(), QStringList{"No mixer device!"});
    EXPECT_EQ(rig.trkVolume.value, 0);
    rig.trkVolume.value = 60;
    EXPECT_NO_THROW(rig.volume->trkVolumeMouseUp());
    EXPECT_NO_THROW(rig.volume->MixerMixerChange());
    EXPECT_EQ(rig.trkVolume.value, 60);
}

TEST(VolumeSlider, ADeviceWithoutLinesShowsNoMixerLineDevice)
{
    SliderRig rig;
    rig.mixerRig.elements = {element("Capture", false, false, 0, 0, false)};
    rig.create();
    EXPECT_EQ(rig.dialogs.messages(), QStringList{"No mixer line device!"});
    EXPECT_EQ(rig.trkVolume.value, 0);
    rig.trkVolume.value = 60;
    rig.volume->trkVolumeMouseUp();
    EXPECT_TRUE(rig.mixerRig.device->writes.empty());
}

TEST(VolumeSlider, FailingMixerCallsLeaveSliderAndMixerUnchanged)
{
    SliderRig rig;
    rig.mixerRig.elements = {stereo(32768, 32768)};
    rig.create();
    ASSERT_EQ(rig.trkVolume.value, 50);
    rig.master().failReads = true;
    rig.master().values = {0, 0};
    rig.volume->MixerMixerChange();
    EXPECT_EQ(rig.trkVolume.value, 50);
    rig.trkVolume.value = 80;
    rig.volume->trkVolumeMouseUp();
    EXPECT_TRUE(rig.mixerRig.device->writes.empty());
    rig.master().failReads = false;
    rig.master().failWrites = true;
    EXPECT_NO_THROW(rig.volume->trkVolumeMouseUp());
    EXPECT_EQ(rig.master().values[0], 0);
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

TEST(VolumeSlider, AnOutsideChangeMovesTheSliderThroughTheDevicesDescriptor)
{
    app();
    SliderRig rig;
    rig.mixerRig.elements = {stereo(65535, 65535)};
    rig.create();
    ASSERT_EQ(rig.trkVolume.value, 100);
    rig.master().values = {19661, 19661};
    rig.mixerRig.device->announceChange();
    EXPECT_TRUE(waitUntil([&] { return rig.trkVolume.value == 30; }, 10000));
    EXPECT_GE(rig.mixerRig.device->changesTakenIn(), 1);
}

TEST(VolumeSlider, TheNullDevicesMixerHasAFullMasterLine)
{
    auto mixer = MemoryMixer::loudspeaker();
    ASSERT_EQ(mixer->elementCount(), 1);
    EXPECT_EQ(mixer->element(0).name, "Master");
    long v = 0;
    EXPECT_TRUE(mixer->volume(0, 1, v));
    EXPECT_EQ(v, 65535);
}

} // namespace
