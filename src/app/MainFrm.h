// The main window: it creates the controls and wires the subsystems together. The logic of
// each command lives in its own subsystem; the handlers here only pass the command on.
#pragma once

#include "AppContext.h"
#include "AppState.h"
#include "OptionsEffects.h"
#include "ProgramOptions.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <map>
#include <memory>

namespace tb {

class BatchDriver;
class ButtonSound;
class CommandButton;
class LabelInfoView;
class MainConvertWindow;
class Mp3ToWavConversion;
class WavToMp3Conversion;
class XaudioDecoderPort;
class GogoEncoderPort;
class TAudioInfo;
class TGogoTea;
class TMMWave;
class TXaudioPlayer;
class TCheckListBox;
class TConversionLists;
class TPlayLists;
class TAboutFrm;
class TOptionsFrm;
class TAudio;
class PlaybackController;
class VolumeController;
class MainPlayerWindow;
class QtSliderPort;
class QtPollTimer;
class QtSystemPlayer;
class WaveEngine;
class XaudioDecoderEngine;

class TMainFrm : public QWidget, public OptionsEffects {
    Q_OBJECT
public:
    explicit TMainFrm(AppContext &context, QWidget *parent = nullptr);
    ~TMainFrm() override;

    // The dialogs are created after the main window and handed over.
    void setDialogs(TOptionsFrm *options, TAboutFrm *about);

    // Shared state and options.
    AppState &state() { return state_; }
    ProgramOptions &options() { return options_; }
    AppContext &context() { return context_; }

    // Components. Creating the encoder raises "Lost encoder.so!" when its library is unusable,
    // and then the window is not created.
    std::unique_ptr<TXaudioPlayer> Decoder;   // conversion decoder
    std::unique_ptr<TXaudioPlayer> mp3Player; // playback decoder
    std::unique_ptr<TGogoTea> Encoder;
    std::unique_ptr<TMMWave> wavInfo;
    std::unique_ptr<TAudioInfo> MusicInfo;

    // Controls by name (btnAdd, btnConvert, ...).
    CommandButton *button(const QString &name) const;
    QPushButton *btnMp3Wav = nullptr;
    QPushButton *btnWavMp3 = nullptr;
    QWidget *listArea = nullptr;
    TCheckListBox *lstMp3Wav = nullptr;
    TCheckListBox *lstWavMp3 = nullptr;
    QMenu *menSelect = nullptr; // the lists' pop-up menu
    QMenu *menHelp = nullptr;
    QLabel *labStatus = nullptr, *labMusicTitle = nullptr, *labMusicInfo = nullptr, *labMusicBitrate = nullptr,
           *labDurationTime = nullptr, *labCurrentTime = nullptr, *Label1 = nullptr, *labCurrentTimeText = nullptr;

    // Start-up, once, when the window is first shown.
    void FormShow();
    bool shownOnce() const { return shown_; }

    // Commands of the application shell.
    void btnExitClick();
    void btnMinimizeClick();
    void btnOptionsClick();
    void btnHelpMouseUp(QPoint globalPos);
    void metHelpClick();
    void metHomePageClick();
    void metAboutClick();

    // List and playlist commands; the lists subsystem carries them out.
    void btnMp3WavClick();
    void btnWavMp3Click();
    void btnAddClick();
    void btnRemoveClick();
    void btnMoveUpClick();
    void btnMoveDownClick();
    void btnOpenClick();
    void btnSaveClick();
    TConversionLists &lists() { return *lists_; }
    TPlayLists &playLists() { return *playLists_; }

    // The convert button: the batch driver starts or stops a batch.
    void btnConvertClick();
    BatchDriver &batch() { return *batch_; }
    Mp3ToWavConversion &mp3ToWav() { return *mp3ToWav_; }
    WavToMp3Conversion &wavToMp3() { return *wavToMp3_; }

    // The player: the five buttons and the position slider pass their commands on.
    void btnPlayClick();
    void btnPauseClick();
    void btnStopClick();
    void btnNextClick();
    void btnPreviousClick();
    void prgPlayMouseDown();
    void prgPlayMouseUp();
    PlaybackController &player() { return *player_; }
    QSlider *prgPlay = nullptr;
    std::unique_ptr<QtSystemPlayer> sysPlayer;

    // The volume slider and the system mixer it moves.
    void trkVolumeMouseUp();
    void MixerMixerChange();
    VolumeController &volume() { return *volume_; }
    QSlider *trkVolume = nullptr;
    std::unique_ptr<TAudio> Mixer;

    // Steps owned by other subsystems; they do nothing until those subsystems are wired in.
    void ClearLists();
    void LoadPlayList(const QString &path);
    void SavePlayList(const QString &path, bool overwrite);

    // What the options change; the options dialog previews through these as well.
    void ApplyEqualizer(bool normalizing, const VolLevels &levels) override;
    void ApplyMenuSkin(int32_t skin) override;
    void ApplyButtonSounds(bool activeSnd, bool clickSnd) override;
    // The playback decoder mp3Player and the conversion decoder Decoder, which take the equalizer.
    void setEqualizerTargets(EqualizerTarget *mp3Player, EqualizerTarget *decoder);
    // The interface sounds of the command buttons: hover and click.
    ButtonSound *wavSwitch = nullptr;
    ButtonSound *wavClick = nullptr;

    static constexpr const char *HomePage = "https://tonebridge.org/";

signals:
    // Raised when the exit sequence asks the application to end.
    void terminateRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createButtons();
    void createTabs();
    void createLabels();
    void createHelpMenu();
    void createLists();
    void createComponents();
    void createConversion();
    void createSliders();
    void createPlayer();
    void createVolume();

    AppContext &context_;
    AppState state_;
    ProgramOptions options_;
    std::map<QString, CommandButton *> buttons_;
    std::unique_ptr<TConversionLists> lists_;
    std::unique_ptr<TPlayLists> playLists_;
    TOptionsFrm *optionsFrm_ = nullptr;
    TAboutFrm *aboutFrm_ = nullptr;
    std::unique_ptr<EqualizerTarget> mp3PlayerEqualizerOf_, decoderEqualizerOf_;
    std::unique_ptr<LabelInfoView> infoView_;
    std::unique_ptr<MainConvertWindow> convertWindow_;
    std::unique_ptr<XaudioDecoderPort> decoderPort_;
    std::unique_ptr<GogoEncoderPort> encoderPort_;
    std::unique_ptr<BatchDriver> batch_;
    std::unique_ptr<Mp3ToWavConversion> mp3ToWav_;
    std::unique_ptr<WavToMp3Conversion> wavToMp3_;
    QtSliderPort *prgPlayPort_ = nullptr, *trkVolumePort_ = nullptr; // owned by their sliders
    std::unique_ptr<MainPlayerWindow> playerWindow_;
    std::unique_ptr<XaudioDecoderEngine> mp3PlayerEngine_;
    std::unique_ptr<WaveEngine> wavPlayer_;
    std::unique_ptr<QtPollTimer> sysTimer_, wavTimer_;
    std::unique_ptr<PlaybackController> player_;
    std::unique_ptr<VolumeController> volume_;
    EqualizerTarget *mp3PlayerEqualizer_ = nullptr;
    EqualizerTarget *decoderEqualizer_ = nullptr;
    bool shown_ = false;
};

} // namespace tb
