// The main window: a view of the application core. It builds the controls, forwards its
// handlers to the core and to the lists, and follows the core's signals. The logic of each
// command lives in its own subsystem.
#pragma once

#include "ConvertWindow.h"
#include "core/ApplicationCore.h"
#include "core/EventLink.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QWidget>
#include <map>
#include <memory>

namespace tb {

class TepWavePlayer;
class TepMorphButton;
class TepBMPSlider;
class TSkinImage;
class TDIBFormShaper;
class WindowDrag;
class TCheckListBox;
class TAudio;
class PlaybackController;
class VolumeController;
class MainPlayerWindow;
class BmpSliderPort;
class QtSystemPlayer;
class TConversionLists;
class TPlayLists;
class TAboutFrm;
class TOptionsFrm;

class TMainFrm : public QWidget {
    Q_OBJECT
public:
    explicit TMainFrm(ApplicationCore &core, QWidget *parent = nullptr);
    ~TMainFrm() override;

    // The dialogs are created after the main window and handed over.
    void setDialogs(TOptionsFrm *options, TAboutFrm *about);

    // The core and what it holds, by the names the program has always used.
    ApplicationCore &core() { return core_; }
    AppState &state() { return core_.state(); }
    ProgramOptions &options() { return core_.options(); }
    AppContext &context() { return core_.context(); }
    TXaudioPlayer &Decoder() { return core_.Decoder(); }     // conversion decoder
    TXaudioPlayer &mp3Player() { return core_.mp3Player(); } // playback decoder
    TGogoTea &Encoder() { return core_.Encoder(); }
    TMMWave &wavInfo() { return core_.wavInfo(); }
    TAudioInfo &MusicInfo() { return core_.MusicInfo(); }
    TMMWavePlayer &wavPlayer() { return core_.wavPlayer(); }

    // Controls by name (btnAdd, btnConvert, ...).
    TepMorphButton *button(const QString &name) const;
    TSkinImage *sknBack = nullptr;       // the skin, under every other control
    TDIBFormShaper *sknShaper = nullptr; // cuts the window's outline out of the skin
    TepBMPSlider *prgPlay = nullptr;     // playback position
    TepBMPSlider *trkVolume = nullptr;   // loudspeaker volume
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
    BatchDriver &batch() { return core_.batch(); }
    Mp3ToWavConversion &mp3ToWav() { return core_.mp3ToWav(); }
    WavToMp3Conversion &wavToMp3() { return core_.wavToMp3(); }

    // The window's part of what the options change, as the core reports it.
    void ApplyMenuSkin(int32_t skin);
    void ApplyButtonSounds(bool activeSnd, bool clickSnd);
    // The interface sounds of the hover buttons: hover and click.
    TepWavePlayer *wavSwitch = nullptr;
    TepWavePlayer *wavClick = nullptr;

    // The skin: the hover test shows the first button whose rectangle holds the point; a press
    // of the left button drags the window.
    void sknBackMouseMove(int X, int Y);
    void sknBackMouseDown(Qt::MouseButton button, QPoint globalPos);

    // The player: the five buttons and the position slider pass their commands on.
    void btnPlayClick();
    void btnPauseClick();
    void btnStopClick();
    void btnNextClick();
    void btnPreviousClick();
    void prgPlayMouseDown();
    void prgPlayMouseUp();
    PlaybackController &player() { return core_.player(); }
    QtSystemPlayer &sysPlayer() { return core_.sysPlayer(); }

    // The volume slider and the system mixer it moves.
    void trkVolumeMouseUp();
    void MixerMixerChange();
    VolumeController &volume() { return core_.volume(); }
    TAudio &Mixer() { return core_.Mixer(); }

    static constexpr const char *HomePage = "https://tonebridge.org/";

signals:
    // Raised when the exit sequence asks the application to end (relayed from the core).
    void terminateRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createSkin();
    void createSliders();
    void createButtons();
    void createTabs();
    void createLabels();
    void createHelpMenu();
    void createLists();
    // Follows the core: the information labels, the converting look, the options' effects.
    void followCore();
    void createPlayer();

    ApplicationCore &core_;
    std::map<QString, TepMorphButton *> buttons_;
    std::unique_ptr<WindowDrag> drag_;
    std::unique_ptr<TConversionLists> lists_;
    std::unique_ptr<TPlayLists> playLists_;
    std::unique_ptr<WindowLists> windowLists_;
    std::unique_ptr<ConvertingLook> convertingLook_;
    TOptionsFrm *optionsFrm_ = nullptr;
    TAboutFrm *aboutFrm_ = nullptr;
    bool shown_ = false;
    // The player's view of the window; the core holds the player while they are attached.
    std::unique_ptr<BmpSliderPort> prgPlayPort_, trkVolumePort_;
    std::unique_ptr<MainPlayerWindow> playerWindow_;
    // Last, so it goes first: the core's signals and the lists' hooks are undone before the
    // controls they reach.
    EventLink links_;
};

} // namespace tb
