// What the core's tests hand the application core instead of the real program: lists of the
// test's own, and codec components on stand-in libraries built beside the test programs.
#pragma once

#include "audioinfo/AudioInfo.h"
#include "codecs/GogoTea.h"
#include "codecs/XaudioPlayer.h"
#include "codecs_decoder/FakeDecoderLibrary.h"
#include "codecs_encoder/EncoderRecorder.h"
#include "convert/ConvertFakes.h"
#include "core/ApplicationCore.h"
#include "platform/FileSystem.h"
#include "platform/TestDoubles.h"
#include "settings/BigIniFile.h"
#include "support/ProgramContext.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "support/TestApplication.h"
#include "platform/PathBytes.h"
#include "player/Audio.h"
#include "wavepipe/MMWave.h"
#include "wavepipe/MainWavPlayer.h"

#include <tonebridge/xaudio.h>

#include <QFileInfo>
#include <QStringList>
#include <string>

namespace tb::test {

// The lists as the core sees them, with a record of the playlist steps.
class RecordingLists : public ListsPort {
public:
    FakeList lists[2];
    QStringList steps;
    ConversionListPort &List(int32_t doWhat) override { return lists[ListIndexOf(doWhat)]; }
    void ClearLists() override { steps << "clear"; }
    void LoadPlayList(const QString &path) override { steps << "load " + path; }
    void SavePlayList(const QString &path, bool overwrite) override
    {
        steps << QStringLiteral("save %1 %2").arg(path).arg(overwrite);
    }
};

// How the fake logs a command.
inline std::string logN(int code) { return "N(" + std::to_string(code) + ");"; }
inline std::string logI(int code, int value) { return "I(" + std::to_string(code) + "," + std::to_string(value) + ");"; }
inline std::string logS(int code, const QString &text)
{
    return "S(" + std::to_string(code) + "," + pathToBytes(text).toStdString() + ");";
}

// The real components, except that the two decoders sit on the given libraries and the
// encoder is the one handed in.
inline CoreComponents componentsOn(const QString &decoder, const QString &playbackDecoder,
                                   std::unique_ptr<TGogoTea> encoder)
{
    CoreComponents c;
    c.Decoder = std::make_unique<TXaudioPlayer>(decoder);
    c.mp3Player = std::make_unique<TXaudioPlayer>(playbackDecoder);
    c.Encoder = std::move(encoder);
    c.wavInfo = std::make_unique<TMMWave>();
    c.wavPlayer = makeMainWavPlayer();
    c.MusicInfo = std::make_unique<TAudioInfo>();
    c.Mixer = std::make_unique<TAudio>();
    return c;
}

// Two copies of the recording decoder, so that the conversion decoder and the playback decoder
// each keep their own log.
constexpr const char *FakeDecoderName = "fake_xaudio.so";
constexpr const char *FakePlaybackDecoderName = "core_fake_playback_xaudio.so";

// A core without any window on a temporary program folder, with scripted dialogs, lists of the
// test's own and both decoders on the recording decoder library. It records what the core
// announces: each activity change (and whether the state already held it when announced), the
// converting look and the requests to end the program.
struct CoreRig : ProgramContext {
    CoreRig() { coreApplication(); }
    ~CoreRig() { core.reset(); }

    void create(std::unique_ptr<TGogoTea> encoder)
    {
        core = std::make_unique<ApplicationCore>(context, componentsOn(decoder.path(), playback.path(), std::move(encoder)));
        core->attachLists(&lists);
        QObject::connect(core.get(), &ApplicationCore::activityStateChanged, [this](int32_t state) {
            activity << state;
            if (core->state().ActivityState != state)
                announcedBeforeWritten = true;
        });
        QObject::connect(core.get(), &ApplicationCore::convertingLookChanged,
                         [this](bool converting) { looks << converting; });
        QObject::connect(core.get(), &ApplicationCore::terminateRequested, [this] { ++terminateRequests; });
    }
    // Writes the options, runs the show step and forgets what it sent the decoders (the
    // equalizer loads both).
    void startUp(const QByteArray &options)
    {
        folder.write(QFileInfo(TAppIniFile::SettingsFileName(folder.path())).fileName(), "[Options]\r\n" + options);
        core->StartUp();
        decoder.clearLog();
        playback.clearLog();
    }
    // One checked WAV file of a tenth of a second in the "WAV to MP3" list, converted after a
    // Yes to the start question; its path, or an empty one when it cannot be written.
    QString startWavBatch()
    {
        const QString source = folder.file("tone.wav");
        Tone tone;
        tone.frames = 4410;
        if (!writeSineWav(source, tone))
            return {};
        lists.lists[1].rows = {{source, true}};
        core->state().DoWhat = dwWavToMp3;
        dialogs.confirmAnswers = {true};
        core->btnConvertClick();
        return source;
    }
    // The activity as last announced by the core (Idle before any announcement).
    int32_t announced() const { return activity.isEmpty() ? asIdle : activity.last(); }
    QString statusText() const { return core->info().statusText(); }

    FakeDecoderLibrary decoder{FakeDecoderName};
    FakeDecoderLibrary playback{FakePlaybackDecoderName};
    RecordingLists lists;
    std::unique_ptr<ApplicationCore> core;
    QList<int32_t> activity;
    bool announcedBeforeWritten = false;
    QList<bool> looks;
    int terminateRequests = 0;
};

} // namespace tb::test
