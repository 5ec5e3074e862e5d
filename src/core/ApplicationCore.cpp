#include "ApplicationCore.h"

#include "audioinfo/AudioInfo.h"
#include "codecs/GogoTea.h"
#include "codecs/XaudioPlayer.h"
#include "settings/BigIniFile.h"
#include "wavepipe/MMWave.h"
#include "wavepipe/MainWavPlayer.h"
#include "PlayerAssembly.h"
#include "player/Audio.h"

#include <QCoreApplication>
#include <stdexcept>

namespace tb {

CoreComponents::CoreComponents() = default;
CoreComponents::CoreComponents(CoreComponents &&) noexcept = default;
CoreComponents &CoreComponents::operator=(CoreComponents &&) noexcept = default;
CoreComponents::~CoreComponents() = default;

CoreComponents CoreComponents::Load(const QString &libraryFolder)
{
    CoreComponents c;
    c.Decoder = std::make_unique<TXaudioPlayer>(libraryFolder + "decoder.so");
    c.mp3Player = std::make_unique<TXaudioPlayer>(libraryFolder + "decoder.so");
    c.Encoder = std::make_unique<TGogoTea>(nullptr, libraryFolder + "encoder.so");
    c.Encoder->SetEncodeType(_STEREO);
    c.wavInfo = std::make_unique<TMMWave>();
    c.wavPlayer = makeMainWavPlayer();
    c.MusicInfo = std::make_unique<TAudioInfo>();
    c.Mixer = std::make_unique<TAudio>();
    return c;
}

ApplicationCore::ApplicationCore(AppContext &context) : ApplicationCore(context, CoreComponents::Load(context.libraryFolder))
{
}

ApplicationCore::ApplicationCore(AppContext &context, CoreComponents components)
    : context_(context), options_(ProgramOptions::Defaults(context.programFolder)), components_(std::move(components)),
      mp3PlayerEqualizerOf_(*components_.mp3Player), decoderEqualizerOf_(*components_.Decoder),
      mp3PlayerEqualizer_(&mp3PlayerEqualizerOf_), decoderEqualizer_(&decoderEqualizerOf_),
      decoderPort_(*components_.Decoder), encoderPort_(*components_.Encoder),
      batch_(state_, *this, options_, context.dialogs, context.shell, context.fileSystem, *this, info_),
      mp3ToWav_(state_, options_, decoderPort_, info_, *components_.MusicInfo, batch_),
      wavToMp3_(state_, options_, encoderPort_, info_, *components_.wavInfo, context.fileSystem, batch_)
{
    batch_.Attach(&mp3ToWav_, &wavToMp3_);
    ConnectDecoderEvents(codecEvents_, *components_.Decoder, mp3ToWav_);
    ConnectEncoderEvents(codecEvents_, *components_.Encoder, wavToMp3_);
}

ApplicationCore::~ApplicationCore() = default;

void ApplicationCore::attachPlayer(PlayerWindowPort *window, SliderPort *volumeSlider)
{
    player_.reset();
    ActivityControl &activity = *this;
    if (window && volumeSlider)
        player_ = std::make_unique<PlayerAssembly>(
            state_, activity, options_, context_, info_,
            PlayerAssembly::Parts{*components_.mp3Player, *components_.wavPlayer, *components_.MusicInfo,
                                  *components_.wavInfo, *components_.Mixer},
            *window, *volumeSlider);
}

static PlayerAssembly &attached(const std::unique_ptr<PlayerAssembly> &player)
{
    if (!player)
        throw std::logic_error("no player window is attached to the application core");
    return *player;
}

PlaybackController &ApplicationCore::player() const { return attached(player_).player(); }
VolumeController &ApplicationCore::volume() const { return attached(player_).volume(); }
QtSystemPlayer &ApplicationCore::sysPlayer() const { return attached(player_).sysPlayer(); }

ListsPort &ApplicationCore::lists() const
{
    if (!lists_)
        throw std::logic_error("the lists are not attached to the application core");
    return *lists_;
}

void ApplicationCore::SetActivityState(ActivityStates state)
{
    state_.ActivityState = state;
    emit activityStateChanged(state);
}

void ApplicationCore::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void ApplicationCore::StartUp()
{
    // Clearing at start-up counts as a change, so exit always saves the lists.
    lists().ClearLists();
    state_.ListsChanged = true;
    {
        TAppIniFile ini(context_.programFolder);
        options_.Read(ini, context_.programFolder);
        // A folder that cannot be created shows when a conversion writes there.
        context_.fileSystem.createFolders(options_.Mp3Dir);
        context_.fileSystem.createFolders(options_.WavDir);
        ApplyEqualizer(options_.IsNormalizing, options_.VolLevel);
        ApplyMenuSkin(options_.Skin);
        ApplyButtonSounds(options_.IsActiveSnd, options_.IsClickSnd);
    }
    if (context_.fileSystem.fileExists(options_.LastPlayList))
        lists().LoadPlayList(options_.LastPlayList);
}

void ApplicationCore::Exit()
{
    if (state_.ListsChanged) {
        if (!context_.fileSystem.fileExists(options_.LastPlayList)) {
            options_.LastPlayList = context_.programFolder + "default.lst";
            TAppIniFile ini(context_.programFolder);
            ini.WriteString(ProgramOptions::Section, "LastPlayList", options_.LastPlayList);
            ini.UpdateFile();
        }
        // When this raises, the error is reported and the program stays open, so the user
        // can still save the lists somewhere else.
        lists().SavePlayList(options_.LastPlayList, true);
    }
    emit terminateRequested();
}

void ApplicationCore::setEqualizerTargets(EqualizerTarget *mp3Player, EqualizerTarget *decoder)
{
    mp3PlayerEqualizer_ = mp3Player;
    decoderEqualizer_ = decoder;
}

void ApplicationCore::ApplyEqualizer(bool normalizing, const VolLevels &levels)
{
    tb::ApplyEqualizer(normalizing, levels, mp3PlayerEqualizer_, decoderEqualizer_);
}

} // namespace tb
