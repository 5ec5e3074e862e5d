#include "platform/TestDoubles.h"
#include "codecs/XaudioPlayer.h"
#include "codecs_decoder/FakeDecoderLibrary.h"
#include "decoderlib/MpegFixtures.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"
#include "support/TestApplication.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <dlfcn.h>
#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;

namespace {

QCoreApplication &app() { return tb::test::coreApplication(); }

QString libraryPath(const char *name) { return executableFolder() + name; }

using FakeLibrary = FakeDecoderLibrary;

struct WithFake : ::testing::Test {
    FakeLibrary fake;
    ManualMessageWindow *window = nullptr;
    std::unique_ptr<TXaudioPlayer> player;

    void SetUp() override
    {
        ASSERT_TRUE(fake.loaded());
        auto owned = std::make_unique<ManualMessageWindow>();
        window = owned.get();
        player = std::make_unique<TXaudioPlayer>(libraryPath("fake_xaudio.so"), std::move(owned));
    }
};

// --- Loading -----------------------------------------------------------------------------------

TEST(XaudioPlayer, ConstructionLoadsNothingAndKeepsTheDefaults)
{
    TXaudioPlayer player(libraryPath("fake_xaudio.so"), std::make_unique<ManualMessageWindow>());
    EXPECT_FALSE(player.LibraryLoaded());
    EXPECT_EQ(player.GetVersion(2), 0u);
    EXPECT_EQ(player.Priority(), 3u);
    EXPECT_FALSE(player.LibraryLoaded());
}

TEST(XaudioPlayer, WithoutAnApplicationTheHiddenWindowCannotBeCreated)
{
    if (QCoreApplication::instance())
        GTEST_SKIP() << "an application exists already in this process";
    try {
        TXaudioPlayer player;
        ADD_FAILURE() << "no exception";
    } catch (const EXaudioException &e) {
        EXPECT_EQ(e.message(), "Cannot Create Hidden Window");
    }
}

TEST(XaudioPlayer, DefaultPathIsTheLibraryBesideTheProgram)
{
    app();
    TXaudioPlayer player;
    EXPECT_EQ(player.XaudioPath(), executableFolder() + "decoder.so");
}

TEST_F(WithFake, FirstCommandLoadsChecksTheVersionAndCreatesThePlayer)
{
    EXPECT_EQ(player->Play(), 104);
    EXPECT_EQ(fake.log(), "version(2);new;N(4);");
    fake.clearLog();
    EXPECT_EQ(player->Stop(), 106);
    EXPECT_EQ(fake.log(), "N(6);");
    EXPECT_EQ(player->GetVersion(1), 0x030800u);
}

TEST_F(WithFake, DestructionDeletesThePlayerAndUnloads)
{
    player->Play();
    fake.clearLog();
    player.reset();
    EXPECT_EQ(fake.log(), "delete;");
}

TEST(XaudioPlayer, MissingLibraryFailsEveryCommandAndIsTriedAgain)
{
    const QString path = libraryPath("no-such-decoder.so");
    TXaudioPlayer player(path, std::make_unique<ManualMessageWindow>());
    const QString expected = "Cannot Load Xaudio DLL (" + path + ")";
    std::vector<std::function<void()>> commands{
        [&] { player.Play(); },
        [&] { player.InputOpen("x.mp3"); },
        [&] { player.SetCodecEqualizer(nullptr); },
        [&] { player.InputSeek(1, 2); },
        [&] { player.ErrorString(-1); },
        [&] { player.Init(); },
    };
    for (int round = 0; round < 2; ++round) {
        for (auto &command : commands) {
            try {
                command();
                ADD_FAILURE() << "no exception";
            } catch (const EXaudioException &e) {
                EXPECT_EQ(e.message(), expected);
            }
        }
    }
    EXPECT_EQ(player.GetVersion(2), 0u);
}

TEST(XaudioPlayer, MissingEntryPointUnloadsAndNamesIt)
{
    TXaudioPlayer player(libraryPath("fake_xaudio_partial.so"), std::make_unique<ManualMessageWindow>());
    for (int round = 0; round < 2; ++round) {
        try {
            player.Play();
            ADD_FAILURE() << "no exception";
        } catch (const EXaudioException &e) {
            EXPECT_EQ(e.message(), "Cannot Find Symbol xaudio_get_version in Xaudio DLL");
        }
        EXPECT_FALSE(player.LibraryLoaded()) << "the handle is closed again";
    }
}

TEST_F(WithFake, VersionMismatchKeepsTheLibraryAndIsCheckedAgain)
{
    fake.setVersion(0x030700);
    try {
        player->Play();
        ADD_FAILURE() << "no exception";
    } catch (const EXaudioException &e) {
        EXPECT_EQ(e.message(), "Xaudio DLL API Mismatch\rExpected 3.8, Got 3.7");
    }
    EXPECT_TRUE(player->LibraryLoaded());
    EXPECT_EQ(fake.log(), "version(2);");
    fake.setVersion(0x040800);
    EXPECT_THROW(player->Play(), EXaudioException);
    fake.setVersion(0x030805); // the low byte is not part of the check
    fake.clearLog();
    player->Play();
    EXPECT_EQ(fake.log(), "version(2);new;N(4);");
}

TEST_F(WithFake, FailedPlayerCreationRaisesAndLeavesNoPlayer)
{
    fake.setNewResult(-1);
    try {
        player->Pause();
        ADD_FAILURE() << "no exception";
    } catch (const EXaudioException &e) {
        EXPECT_EQ(e.message(), "Cannot Start Xaudio Player");
    }
    EXPECT_EQ(player->GetVersion(2), 0u);
    EXPECT_EQ(fake.log(), "version(2);new;");
}

// --- Priority ----------------------------------------------------------------------------------

TEST_F(WithFake, PriorityThreeBeforeTheFirstCommandIsNeverSent)
{
    player->SetPriority(3);
    player->Play();
    EXPECT_EQ(fake.log(), "version(2);new;N(4);");
}

TEST_F(WithFake, PriorityWrittenEarlyIsAppliedWhenThePlayerIsCreated)
{
    player->SetPriority(2);
    EXPECT_EQ(player->Priority(), 2u);
    EXPECT_EQ(fake.log(), "");
    player->Play();
    EXPECT_EQ(fake.log(), "version(2);new;set_priority(2);N(4);");
    fake.clearLog();
    player->SetPriority(1);
    EXPECT_EQ(player->Priority(), 1u);
    EXPECT_EQ(fake.log(), "set_priority(1);get_priority;");
}

TEST_F(WithFake, ErrorStringComesFromTheLibrary)
{
    EXPECT_EQ(player->ErrorString(-6), "fake error text");
    EXPECT_EQ(fake.log(), "version(2);new;error_string(-6);");
}

// --- Every command with its code and form -------------------------------------------------------

struct CommandCase {
    const char *expected;
    std::function<int(TXaudioPlayer &)> send;
};

TEST_F(WithFake, EveryCommandSendsItsCodeThroughItsForm)
{
    XA_EqualizerInfo eq{};
    eq.left[0] = -50;
    eq.right[31] = 12;
    const std::vector<CommandCase> cases{
        {"N(2)", [](TXaudioPlayer &p) { return p.Synchronize(); }},
        {"N(4)", [](TXaudioPlayer &p) { return p.Play(); }},
        {"N(5)", [](TXaudioPlayer &p) { return p.Pause(); }},
        {"N(6)", [](TXaudioPlayer &p) { return p.Stop(); }},
        {"N(9)", [](TXaudioPlayer &p) { return p.InputClose(); }},
        {"N(13)", [](TXaudioPlayer &p) { return p.InputFilterList(); }},
        {"N(16)", [](TXaudioPlayer &p) { return p.InputModulesList(); }},
        {"N(18)", [](TXaudioPlayer &p) { return p.OutputClose(); }},
        {"N(20)", [](TXaudioPlayer &p) { return p.OutputMute(); }},
        {"N(21)", [](TXaudioPlayer &p) { return p.OutputUnmute(); }},
        {"N(22)", [](TXaudioPlayer &p) { return p.OutputReset(); }},
        {"N(23)", [](TXaudioPlayer &p) { return p.OutputDrain(); }},
        {"N(26)", [](TXaudioPlayer &p) { return p.OutputFilterList(); }},
        {"N(29)", [](TXaudioPlayer &p) { return p.OutputModulesList(); }},
        {"N(33)", [](TXaudioPlayer &p) { return p.CodecModulesList(); }},
        {"N(35)", [](TXaudioPlayer &p) { return p.GetPlayerMode(); }},
        {"N(42)", [](TXaudioPlayer &p) { return p.GetInputName(); }},
        {"N(44)", [](TXaudioPlayer &p) { return p.GetInputModule(); }},
        {"N(46)", [](TXaudioPlayer &p) { return p.GetInputPositionRange(); }},
        {"N(48)", [](TXaudioPlayer &p) { return p.GetInputTimecodeGranularity(); }},
        {"N(50)", [](TXaudioPlayer &p) { return p.GetOutputName(); }},
        {"N(52)", [](TXaudioPlayer &p) { return p.GetOutputModule(); }},
        {"N(58)", [](TXaudioPlayer &p) { return p.GetOutputVolume(); }},
        {"N(60)", [](TXaudioPlayer &p) { return p.GetOutputChannels(); }},
        {"N(62)", [](TXaudioPlayer &p) { return p.GetOutputPorts(); }},
        {"N(64)", [](TXaudioPlayer &p) { return p.GetCodecQuality(); }},
        {"N(66)", [](TXaudioPlayer &p) { return p.GetCodecEqualizer(); }},
        {"N(70)", [](TXaudioPlayer &p) { return p.GetNotificationMask(); }},
        {"N(72)", [](TXaudioPlayer &p) { return p.GetDebugLevel(); }},
        {"I(3,99)", [](TXaudioPlayer &p) { return p.Ping(99); }},
        {"I(15,1)", [](TXaudioPlayer &p) { return p.InputModuleQuery(1); }},
        {"I(28,2)", [](TXaudioPlayer &p) { return p.OutputModuleQuery(2); }},
        {"I(32,3)", [](TXaudioPlayer &p) { return p.CodecModuleQuery(3); }},
        {"I(34,4)", [](TXaudioPlayer &p) { return p.SetPlayerMode(4); }},
        {"I(43,5)", [](TXaudioPlayer &p) { return p.SetInputModule(5); }},
        {"I(45,400)", [](TXaudioPlayer &p) { return p.SetInputPositionRange(400); }},
        {"I(47,250)", [](TXaudioPlayer &p) { return p.SetInputTimecodeGranularity(250); }},
        {"I(51,0)", [](TXaudioPlayer &p) { return p.SetOutputModule(0); }},
        {"I(59,1)", [](TXaudioPlayer &p) { return p.SetOutputChannels(1); }},
        {"I(61,2)", [](TXaudioPlayer &p) { return p.SetOutputPorts(2); }},
        {"I(63,200)", [](TXaudioPlayer &p) { return p.SetCodecQuality(200); }},
        {"I(69,-1)", [](TXaudioPlayer &p) { return p.SetNotificationMask(-1); }},
        {"I(71,3)", [](TXaudioPlayer &p) { return p.SetDebugLevel(3); }},
        {"II(7,30,100)", [](TXaudioPlayer &p) { return p.InputSeek(30, 100); }},
        {"III(57,90,80,50)", [](TXaudioPlayer &p) { return p.SetOutputVolume(90, 80, 50); }},
        {"S(8,/m/a b.mp3)", [](TXaudioPlayer &p) { return p.InputOpen("/m/a b.mp3"); }},
        {"S(14,in.so)", [](TXaudioPlayer &p) { return p.InputModuleRegister("in.so"); }},
        {"S(17,wav:/w/é.wav)", [](TXaudioPlayer &p) { return p.OutputOpen(QString::fromUtf8("wav:/w/é.wav")); }},
        {"S(27,out.so)", [](TXaudioPlayer &p) { return p.OutputModuleRegister("out.so"); }},
        {"S(31,codec.so)", [](TXaudioPlayer &p) { return p.CodecModuleRegister("codec.so"); }},
        {"S(37,n)", [](TXaudioPlayer &p) { return p.GetPlayerEnvironmentInteger("n"); }},
        {"S(39,s)", [](TXaudioPlayer &p) { return p.GetPlayerEnvironmentString("s"); }},
        {"S(40,u)", [](TXaudioPlayer &p) { return p.UnsetPlayerEnvironment("u"); }},
        {"S(41,in)", [](TXaudioPlayer &p) { return p.SetInputName("in"); }},
        {"S(49,out)", [](TXaudioPlayer &p) { return p.SetOutputName("out"); }},
        {"SS(38,k,v)", [](TXaudioPlayer &p) { return p.SetPlayerEnvironmentString("k", "v"); }},
        {"SI(11,f,1)", [](TXaudioPlayer &p) { return p.InputAddFilter("f", 1); }},
        {"SI(12,f,2)", [](TXaudioPlayer &p) { return p.InputRemoveFilter("f", 2); }},
        {"SI(24,g,3)", [](TXaudioPlayer &p) { return p.OutputAddFilter("g", 3); }},
        {"SI(25,g,4)", [](TXaudioPlayer &p) { return p.OutputRemoveFilter("g", 4); }},
        {"SI(36,k,-7)", [](TXaudioPlayer &p) { return p.SetPlayerEnvironmentInteger("k", -7); }},
        {"IPI(10,65535,ptr,8)", [](TXaudioPlayer &p) { return p.InputSendMessage(0xFFFF, &p, 8); }},
        {"IPI(19,1,null,0)", [](TXaudioPlayer &p) { return p.OutputSendMessage(1, nullptr, 0); }},
        {"IPI(30,2,ptr,4)", [](TXaudioPlayer &p) { return p.CodecSendMessage(2, &p, 4); }},
        {"P(65,-50/12)", [&](TXaudioPlayer &p) { return p.SetCodecEqualizer(&eq); }},
        {"P(65,null)", [](TXaudioPlayer &p) { return p.SetCodecEqualizer(nullptr); }},
    };
    player->Init();
    for (const CommandCase &c : cases) {
        fake.clearLog();
        c.send(*player);
        EXPECT_EQ(fake.log(), std::string(c.expected) + ";");
    }
}

// --- Notifications -----------------------------------------------------------------------------

struct EventCase {
    int code;
    std::function<void(XA_Message &)> fill;
    const char *expected;
};

const char *const Name1 = "first";
const char *const Name2 = "second";

void hookAll(TXaudioPlayer &p, std::string &seen)
{
    auto s = [](const QString &q) { return q.toStdString(); };
    auto n = [](auto v) { return std::to_string(v); };
    p.OnNotifyReady = [&](TXaudioPlayer *) { seen += "Ready"; };
    p.OnNotifyAck = [&](TXaudioPlayer *, uint8_t c) { seen += "Ack " + n(c); };
    p.OnNotifyNack = [&](TXaudioPlayer *, uint8_t c, int16_t e) { seen += "Nack " + n(c) + " " + n(e); };
    p.OnNotifyPong = [&](TXaudioPlayer *, uint32_t t) { seen += "Pong " + n(t); };
    p.OnNotifyExited = [&](TXaudioPlayer *) { seen += "Exited"; };
    p.OnNotifyPlayerState = [&](TXaudioPlayer *, int32_t v) { seen += "PlayerState " + n(v); };
    p.OnNotifyPlayerMode = [&](TXaudioPlayer *, int32_t v) { seen += "PlayerMode " + n(v); };
    p.OnNotifyPlayerEnvironmentInteger = [&](TXaudioPlayer *, const QString &a, int32_t v) {
        seen += "EnvInteger " + s(a) + " " + n(v);
    };
    p.OnNotifyPlayerEnvironmentString = [&](TXaudioPlayer *, const QString &a, const QString &b) {
        seen += "EnvString " + s(a) + " " + s(b);
    };
    p.OnNotifyInputState = [&](TXaudioPlayer *, int32_t v) { seen += "InputState " + n(v); };
    p.OnNotifyInputName = [&](TXaudioPlayer *, const QString &a) { seen += "InputName " + s(a); };
    p.OnNotifyInputCaps = [&](TXaudioPlayer *, uint32_t v) { seen += "InputCaps " + n(v); };
    p.OnNotifyInputPosition = [&](TXaudioPlayer *, uint32_t o, uint32_t r) {
        seen += "InputPosition " + n(o) + "/" + n(r);
    };
    p.OnNotifyInputPositionRange = [&](TXaudioPlayer *, int32_t v) { seen += "InputPositionRange " + n(v); };
    p.OnNotifyInputTimecode = [&](TXaudioPlayer *, uint8_t h, uint8_t m, uint8_t sec, uint8_t f) {
        seen += "InputTimecode " + n(h) + ":" + n(m) + ":" + n(sec) + "." + n(f);
    };
    p.OnNotifyInputTimecodeGranularity = [&](TXaudioPlayer *, uint32_t v) { seen += "Granularity " + n(v); };
    p.OnNotifyInputModule = [&](TXaudioPlayer *, int16_t v) { seen += "InputModule " + n(v); };
    auto moduleInfo = [&](const char *what) {
        return [&, what](TXaudioPlayer *, uint8_t id, uint8_t nb, const QString &a, const QString &b) {
            seen += std::string(what) + " " + n(id) + " " + n(nb) + " " + s(a) + " " + s(b);
        };
    };
    auto deviceInfo = [&](const char *what) {
        return [&, what](TXaudioPlayer *, uint8_t m, uint8_t i, uint8_t f, const QString &a, const QString &b) {
            seen += std::string(what) + " " + n(m) + " " + n(i) + " " + n(f) + " " + s(a) + " " + s(b);
        };
    };
    auto filterInfo = [&](const char *what) {
        return [&, what](TXaudioPlayer *, uint8_t id, const QString &a) {
            seen += std::string(what) + " " + n(id) + " " + s(a);
        };
    };
    p.OnNotifyInputModuleInfo = moduleInfo("InputModuleInfo");
    p.OnNotifyInputDeviceInfo = deviceInfo("InputDeviceInfo");
    p.OnNotifyInputFilterInfo = filterInfo("InputFilterInfo");
    p.OnNotifyOutputState = [&](TXaudioPlayer *, int32_t v) { seen += "OutputState " + n(v); };
    p.OnNotifyOutputName = [&](TXaudioPlayer *, const QString &a) { seen += "OutputName " + s(a); };
    p.OnNotifyOutputCaps = [&](TXaudioPlayer *, uint32_t v) { seen += "OutputCaps " + n(v); };
    p.OnNotifyOutputVolume = [&](TXaudioPlayer *, uint8_t m, uint8_t pcm, uint8_t b) {
        seen += "OutputVolume " + n(m) + " " + n(pcm) + " " + n(b);
    };
    p.OnNotifyOutputBalance = [&](TXaudioPlayer *, uint8_t v) { seen += "Balance " + n(v); };
    p.OnNotifyOutputPcmLevel = [&](TXaudioPlayer *, uint8_t v) { seen += "PcmLevel " + n(v); };
    p.OnNotifyOutputMasterLevel = [&](TXaudioPlayer *, uint8_t v) { seen += "MasterLevel " + n(v); };
    p.OnNotifyOutputChannels = [&](TXaudioPlayer *, uint8_t v) { seen += "OutputChannels " + n(v); };
    p.OnNotifyOutputPorts = [&](TXaudioPlayer *, uint32_t v) { seen += "OutputPorts " + n(v); };
    p.OnNotifyOutputModule = [&](TXaudioPlayer *, int16_t v) { seen += "OutputModule " + n(v); };
    p.OnNotifyOutputModuleInfo = moduleInfo("OutputModuleInfo");
    p.OnNotifyOutputDeviceInfo = deviceInfo("OutputDeviceInfo");
    p.OnNotifyOutputFilterInfo = filterInfo("OutputFilterInfo");
    p.OnNotifyStreamMimeType = [&](TXaudioPlayer *, const QString &a) { seen += "MimeType " + s(a); };
    p.OnNotifyStreamDuration = [&](TXaudioPlayer *, uint32_t v) { seen += "Duration " + n(v); };
    p.OnNotifyStreamParameters = [&](TXaudioPlayer *, uint32_t f, int16_t b, uint8_t c) {
        seen += "StreamParameters " + n(f) + " " + n(b) + " " + n(c);
    };
    p.OnNotifyStreamProperties = [&](TXaudioPlayer *, uint32_t nb, XA_Property *props) {
        seen += "StreamProperties " + n(nb) + " " + (props ? props[0].name : "null");
    };
    p.OnNotifyCodecQuality = [&](TXaudioPlayer *, uint8_t v) { seen += "CodecQuality " + n(v); };
    p.OnNotifyCodecEqualizer = [&](TXaudioPlayer *, XA_EqualizerInfo &eq) {
        seen += "CodecEqualizer " + n(eq.left[0]) + " " + n(eq.right[31]);
    };
    p.OnNotifyCodecModule = [&](TXaudioPlayer *, int16_t v) { seen += "CodecModule " + n(v); };
    p.OnNotifyCodecModuleInfo = moduleInfo("CodecModuleInfo");
    p.OnNotifyCodecDeviceInfo = deviceInfo("CodecDeviceInfo");
    p.OnNotifyNotificationMask = [&](TXaudioPlayer *, uint32_t v) { seen += "NotificationMask " + n(v); };
    p.OnNotifyDebugLevel = [&](TXaudioPlayer *, uint8_t v) { seen += "DebugLevel " + n(v); };
    p.OnNotifyProgress = [&](TXaudioPlayer *, uint8_t src, uint8_t c, int16_t v, const QString &m) {
        seen += "Progress " + n(src) + " " + n(c) + " " + n(v) + " " + s(m);
    };
    p.OnNotifyDebug = [&](TXaudioPlayer *, uint8_t src, uint8_t l, const QString &m) {
        seen += "Debug " + n(src) + " " + n(l) + " " + s(m);
    };
    p.OnNotifyError = [&](TXaudioPlayer *, uint8_t src, int16_t c, const QString &m) {
        seen += "Error " + n(src) + " " + n(c) + " " + s(m);
    };
}

XA_EqualizerInfo sharedTable{{-7}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9}};
XA_Property sharedProperty{"title", "tone"};

std::vector<EventCase> eventCases()
{
    auto module = [](XA_Message &m) {
        m.module_info.id = 3;
        m.module_info.nb_devices = 2;
        m.module_info.name = Name1;
        m.module_info.description = Name2;
    };
    auto device = [](XA_Message &m) {
        m.device_info.module_id = 1;
        m.device_info.index = 2;
        m.device_info.flags = 5;
        m.device_info.name = Name1;
        m.device_info.description = Name2;
    };
    auto filter = [](XA_Message &m) {
        m.filter_info.id = 6;
        m.filter_info.name = Name1;
    };
    return {
        {73, [](XA_Message &) {}, "Ready"},
        {74, [](XA_Message &m) { m.ack.command = 8; }, "Ack 8"},
        {75, [](XA_Message &m) { m.nack.command = 4; m.nack.error = -6; }, "Nack 4 -6"},
        {76, [](XA_Message &m) { m.pong.tag = 0xFFFFFFF0u; }, "Pong 4294967280"},
        {77, [](XA_Message &) {}, "Exited"},
        {78, [](XA_Message &m) { m.state.state = 3; }, "PlayerState 3"},
        {79, [](XA_Message &m) { m.mode.mode = -2; }, "PlayerMode -2"},
        {80, [](XA_Message &m) { m.env_integer.name = Name1; m.env_integer.value = -9; }, "EnvInteger first -9"},
        {81, [](XA_Message &m) { m.env_string.name = Name1; m.env_string.value = Name2; }, "EnvString first second"},
        {82, [](XA_Message &m) { m.state.state = 1; }, "InputState 1"},
        {83, [](XA_Message &m) { m.name.name = Name1; }, "InputName first"},
        {84, [](XA_Message &m) { m.caps.caps = 0x80000001u; }, "InputCaps 2147483649"},
        {85, [](XA_Message &m) { m.position.offset = 12; m.position.range = 400; }, "InputPosition 12/400"},
        {86, [](XA_Message &m) { m.position_range.range = 1000; }, "InputPositionRange 1000"},
        {87, [](XA_Message &m) { m.timecode = {87, 1, 2, 3, 45}; }, "InputTimecode 1:2:3.45"},
        {88, [](XA_Message &m) { m.granularity.granularity = 250; }, "Granularity 250"},
        {89, [](XA_Message &m) { m.module_id.id = -1; }, "InputModule -1"},
        {90, module, "InputModuleInfo 3 2 first second"},
        {91, device, "InputDeviceInfo 1 2 5 first second"},
        {92, filter, "InputFilterInfo 6 first"},
        {93, [](XA_Message &m) { m.state.state = 2; }, "OutputState 2"},
        {94, [](XA_Message &m) { m.name.name = Name2; }, "OutputName second"},
        {95, [](XA_Message &m) { m.caps.caps = 7; }, "OutputCaps 7"},
        {100, [](XA_Message &m) { m.volume.master_level = 90; m.volume.pcm_level = 80; m.volume.balance = 50; },
         "OutputVolume 90 80 50"},
        {101, [](XA_Message &m) { m.volume.balance = 30; }, "Balance 30"},
        {102, [](XA_Message &m) { m.volume.pcm_level = 70; }, "PcmLevel 70"},
        {103, [](XA_Message &m) { m.volume.master_level = 60; }, "MasterLevel 60"},
        {104, [](XA_Message &m) { m.channels.channels = 2; }, "OutputChannels 2"},
        {105, [](XA_Message &m) { m.ports.ports = 255; }, "OutputPorts 255"},
        {106, [](XA_Message &m) { m.module_id.id = 1; }, "OutputModule 1"},
        {107, module, "OutputModuleInfo 3 2 first second"},
        {108, device, "OutputDeviceInfo 1 2 5 first second"},
        {109, filter, "OutputFilterInfo 6 first"},
        {110, [](XA_Message &m) { m.name.name = "audio/mpeg"; }, "MimeType audio/mpeg"},
        {111, [](XA_Message &m) { m.duration.duration = 3725; }, "Duration 3725"},
        {112, [](XA_Message &m) { m.stream_parameters = {112, 44100, 320, 2}; }, "StreamParameters 44100 320 2"},
        {113, [](XA_Message &m) { m.stream_properties.nb_properties = 1; m.stream_properties.properties = &sharedProperty; },
         "StreamProperties 1 title"},
        {114, [](XA_Message &m) { m.quality.quality = 1; }, "CodecQuality 1"},
        {115, [](XA_Message &m) { m.equalizer.equalizer = &sharedTable; }, "CodecEqualizer -7 9"},
        {116, [](XA_Message &m) { m.module_id.id = 0; }, "CodecModule 0"},
        {117, module, "CodecModuleInfo 3 2 first second"},
        {118, device, "CodecDeviceInfo 1 2 5 first second"},
        {119, [](XA_Message &m) { m.notification_mask.mask = 0xFFFFFFFFu; }, "NotificationMask 4294967295"},
        {120, [](XA_Message &m) { m.debug_level.level = 4; }, "DebugLevel 4"},
        {121, [](XA_Message &m) { m.progress = {121, 1, 2, -300, Name1}; }, "Progress 1 2 -300 first"},
        {122, [](XA_Message &m) { m.debug = {122, 3, 4, Name2}; }, "Debug 3 4 second"},
        {123, [](XA_Message &m) { m.error = {123, 1, 0, -7, Name1}; }, "Error 1 -7 first"},
    };
}

TEST_F(WithFake, EachNotificationRaisesOnNotifyMessageThenItsEvent)
{
    std::string seen;
    hookAll(*player, seen);
    int messages = 0;
    player->OnNotifyMessage = [&](TXaudioPlayer *sender, XA_Message &m) {
        EXPECT_EQ(sender, player.get());
        seen += "Message " + std::to_string(m.code) + "|";
        ++messages;
    };
    player->Init();
    for (const EventCase &c : eventCases()) {
        seen.clear();
        XA_Message m{};
        m.code = c.code;
        c.fill(m);
        m.code = c.code;
        fake.post(m);
        EXPECT_EQ(window->deliverPending(), 1);
        EXPECT_EQ(seen, "Message " + std::to_string(c.code) + "|" + c.expected);
    }
    EXPECT_EQ(messages, 47);
}

TEST_F(WithFake, CodesWithoutAnEventRaiseOnlyOnNotifyMessage)
{
    std::string seen;
    hookAll(*player, seen);
    std::vector<int> messages;
    player->OnNotifyMessage = [&](TXaudioPlayer *, XA_Message &m) { messages.push_back(m.code); };
    player->Init();
    const std::vector<int> codes{96, 97, 98, 99, 0, 72, 124, 5000, -1};
    for (int code : codes) {
        XA_Message m{};
        m.code = code;
        fake.post(m);
    }
    window->deliverPending();
    EXPECT_EQ(messages, codes);
    EXPECT_EQ(seen, "");
}

TEST_F(WithFake, MessagesTheLibraryDoesNotRecogniseRaiseNothing)
{
    std::string seen;
    hookAll(*player, seen);
    bool any = false;
    player->OnNotifyMessage = [&](TXaudioPlayer *, XA_Message &) { any = true; };
    player->Init();
    fake.postForeign(0x0010);
    fake.postForeign(0x9001);
    EXPECT_EQ(window->deliverPending(), 2);
    EXPECT_FALSE(any);
    EXPECT_EQ(seen, "");
}

// --- With the real decoder library --------------------------------------------------------------

class WithDecoder : public ::testing::Test {
protected:
    void SetUp() override
    {
        app();
        // Wakes the waiting event loop now and then, so a guard time can end a wait.
        tick.start(20);
    }
    QTimer tick;

    // Runs the event loop until the condition holds; false after the guard time.
    static bool pumpUntil(const std::function<bool()> &condition, int guardMs = 60000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > guardMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    TempDir dir;
};

TEST_F(WithDecoder, ConvertsOneFileAfterAnotherLikeTheBatch)
{
    TXaudioPlayer decoder;
    decoder.SetPriority(2);
    int ends = 0;
    QString clock;
    uint32_t duration = 0;
    decoder.OnNotifyPlayerState = [&](TXaudioPlayer *, int state) { ends += state == 3; };
    decoder.OnNotifyInputTimecode = [&](TXaudioPlayer *, uint8_t h, uint8_t m, uint8_t s, uint8_t) {
        clock = QString::asprintf("%.2d:%.2d:%.2d", h, m, s);
    };
    decoder.OnNotifyStreamDuration = [&](TXaudioPlayer *, uint32_t d) { duration = d; };

    QString first = makeMpeg(dir.path(), mpegKind("stereo"), 2.2, "first");
    QString second = makeMpeg(dir.path(), mpegKind("layer2"), 1.2, "second");
    decoder.SetCodecEqualizer(nullptr);
    EXPECT_EQ(decoder.Priority(), 2u);
    decoder.SetOutputModule(0);
    decoder.OutputOpen("wav:" + dir.file("first.wav"));
    decoder.InputOpen(first);
    decoder.Play();
    ASSERT_TRUE(pumpUntil([&] { return ends == 1; }));
    EXPECT_EQ(clock, "00:00:02");
    EXPECT_EQ(duration, 2u);

    decoder.OutputOpen("wav:" + dir.file("second.wav"));
    decoder.InputOpen(second);
    decoder.Play();
    ASSERT_TRUE(pumpUntil([&] { return ends == 2; }));
    EXPECT_EQ(duration, 1u);
    decoder.Stop();
    decoder.OutputClose();
    decoder.InputClose();

    for (const QString &name : {QString("first"), QString("second")}) {
        QString source = dir.file(name + (name == "first" ? ".mp3" : ".mp2"));
        WavFile wav = readWav(dir.file(name + ".wav"));
        ASSERT_TRUE(wav.valid) << name.toStdString();
        EXPECT_EQ(wav.samples, referenceDecode(source).samples) << name.toStdString();
    }
}

TEST_F(WithDecoder, PlaysWithPositionEventsAndAnswersTheEqualizer)
{
    TXaudioPlayer player;
    std::vector<std::pair<uint32_t, uint32_t>> positions;
    bool ended = false;
    XA_EqualizerInfo answered{};
    bool answeredAtAll = false;
    player.OnNotifyInputPosition = [&](TXaudioPlayer *, uint32_t o, uint32_t r) { positions.emplace_back(o, r); };
    player.OnNotifyPlayerState = [&](TXaudioPlayer *, int state) { ended |= state == 3; };
    player.OnNotifyCodecEqualizer = [&](TXaudioPlayer *, XA_EqualizerInfo &eq) {
        answered = eq;
        answeredAtAll = true;
    };
    XA_EqualizerInfo table{};
    for (int b = 0; b < 32; ++b)
        table.left[b] = table.right[b] = static_cast<int8_t>(-b);
    player.SetCodecEqualizer(&table);
    player.GetCodecEqualizer();
    ASSERT_TRUE(pumpUntil([&] { return answeredAtAll; }));
    EXPECT_EQ(std::memcmp(&answered, &table, sizeof table), 0);

    QString mp3 = makeMpeg(dir.path(), mpegKind("mono"), 1.0);
    player.InputOpen(mp3);
    player.Play();
    ASSERT_TRUE(pumpUntil([&] { return ended; }));
    ASSERT_GE(positions.size(), 2u);
    EXPECT_LE(positions.front().first * 10, positions.front().second); // from the start
    EXPECT_EQ(positions.back().first, positions.back().second);
    player.Stop();
    player.OutputClose();
    player.InputClose();
}

} // namespace
