// The application core: it owns the codec components, the conversions and the batch driver,
// the program-wide state and the options, and it is the only code that changes ActivityState.
// It has no widgets: the windows forward their commands to it and follow its signals.
// Everything here runs on the user-interface thread.
#pragma once

#include "AppContext.h"
#include "AppState.h"
#include "Equalizer.h"
#include "EventLink.h"
#include "InfoModel.h"
#include "ListsPort.h"
#include "OptionsEffects.h"
#include "ProgramOptions.h"
#include "codecs/XaudioPlayer.h"
#include "convert/BatchDriver.h"
#include "convert/CodecPorts.h"
#include "convert/Mp3ToWav.h"
#include "convert/WavToMp3.h"

#include <QObject>
#include <memory>

namespace tb {

class TAudioInfo;
class TGogoTea;
class TMMWave;
class TMMWavePlayer;
class TAudio;
class PlayerAssembly;
class PlaybackController;
class VolumeController;
class QtSystemPlayer;
class PlayerWindowPort;
class SliderPort;

// The components the core works with. Load makes the real ones; tests may hand in components
// on stand-in libraries.
struct CoreComponents {
    std::unique_ptr<TXaudioPlayer> Decoder;   // conversion decoder
    std::unique_ptr<TXaudioPlayer> mp3Player; // playback decoder
    std::unique_ptr<TGogoTea> Encoder;
    std::unique_ptr<TMMWave> wavInfo;
    std::unique_ptr<TMMWavePlayer> wavPlayer; // plays the WAV list's files
    std::unique_ptr<TAudioInfo> MusicInfo;
    std::unique_ptr<TAudio> Mixer; // the system mixer behind the volume slider

    // The decoders on libraryFolder + "decoder.so" (loaded at their first command), the encoder
    // on libraryFolder + "encoder.so": raises "Lost encoder.so!" when that cannot be used.
    static CoreComponents Load(const QString &libraryFolder);

    CoreComponents();
    CoreComponents(CoreComponents &&) noexcept;
    CoreComponents &operator=(CoreComponents &&) noexcept;
    ~CoreComponents();
};

class ApplicationCore : public QObject, public OptionsEffects, private ActivityControl, private ConvertWindowPort {
    Q_OBJECT
public:
    // With the real components, from the context's library folder.
    explicit ApplicationCore(AppContext &context);
    ApplicationCore(AppContext &context, CoreComponents components);
    ~ApplicationCore() override;

    AppState &state() { return state_; }
    ProgramOptions &options() { return options_; }
    AppContext &context() { return context_; }
    InfoModel &info() { return info_; }

    TXaudioPlayer &Decoder() { return *components_.Decoder; }
    TXaudioPlayer &mp3Player() { return *components_.mp3Player; }
    TGogoTea &Encoder() { return *components_.Encoder; }
    TMMWave &wavInfo() { return *components_.wavInfo; }
    TAudioInfo &MusicInfo() { return *components_.MusicInfo; }
    TMMWavePlayer &wavPlayer() { return *components_.wavPlayer; }
    TAudio &Mixer() { return *components_.Mixer; }

    // The window's player view and volume slider. Attaching them puts the player together (and
    // looks up the loudspeaker line); nullptr takes it apart again.
    void attachPlayer(PlayerWindowPort *window, SliderPort *volumeSlider);
    PlaybackController &player() const;
    VolumeController &volume() const;
    QtSystemPlayer &sysPlayer() const;

    BatchDriver &batch() { return batch_; }
    Mp3ToWavConversion &mp3ToWav() { return mp3ToWav_; }
    WavToMp3Conversion &wavToMp3() { return wavToMp3_; }

    // The window's lists; start-up, exit and a batch need them attached.
    void attachLists(ListsPort *lists) { lists_ = lists; }

    // The show step, once: clears the lists, reads the options, creates the output folders,
    // applies the options' effects and loads the last playlist.
    void StartUp();
    // The exit sequence: saves the lists into the last playlist when they changed, then asks
    // the program to end (terminateRequested).
    void Exit();
    // The convert button.
    void btnConvertClick() { batch_.btnConvertClick(); }

    // What the options change; the options dialog previews through these as well. The core
    // applies the equalizer itself and reports the rest to the window.
    void ApplyEqualizer(bool normalizing, const VolLevels &levels) override;
    void ApplyMenuSkin(int32_t skin) override { emit menuSkinApplied(skin); }
    void ApplyButtonSounds(bool activeSnd, bool clickSnd) override { emit buttonSoundsApplied(activeSnd, clickSnd); }
    // The playback decoder and the conversion decoder as they take the equalizer (tests put
    // recording doubles here).
    void setEqualizerTargets(EqualizerTarget *mp3Player, EqualizerTarget *decoder);

signals:
    void activityStateChanged(int32_t state);
    // A batch begins or ends: the tabs and the position clock change their look.
    void convertingLookChanged(bool converting);
    // The position slider goes back to 0 and is disabled.
    void positionSliderReset();
    // The window should repaint now (after a question, before a long step).
    void repaintRequested();
    void menuSkinApplied(int32_t skin);
    void buttonSoundsApplied(bool activeSnd, bool clickSnd);
    void terminateRequested();

private:
    ListsPort &lists() const;
    void SetActivityState(ActivityStates state) override;
    // The window's part in a batch, turned into signals.
    ConversionListPort &List(int32_t doWhat) override { return lists().List(doWhat); }
    void ProcessPendingEvents() override;
    void Repaint() override { emit repaintRequested(); }
    void EnterConvertingLook() override { emit convertingLookChanged(true); }
    void ResetPositionSlider() override { emit positionSliderReset(); }
    void LeaveConvertingLook() override { emit convertingLookChanged(false); }

    AppContext &context_;
    AppState state_;
    ProgramOptions options_;
    CoreComponents components_;
    InfoModel info_;
    EqualizerOf<TXaudioPlayer> mp3PlayerEqualizerOf_;
    EqualizerOf<TXaudioPlayer> decoderEqualizerOf_;
    EqualizerTarget *mp3PlayerEqualizer_ = nullptr;
    EqualizerTarget *decoderEqualizer_ = nullptr;
    XaudioDecoderPort decoderPort_;
    GogoEncoderPort encoderPort_;
    BatchDriver batch_;
    Mp3ToWavConversion mp3ToWav_;
    WavToMp3Conversion wavToMp3_;
    ListsPort *lists_ = nullptr;
    std::unique_ptr<PlayerAssembly> player_;
    // Last, so it goes first: the codecs' event slots are emptied before anything they reach.
    EventLink codecEvents_;
};

} // namespace tb
