#include "MainFrm.h"

#include "AboutFrm.h"
#include "ConvertWindow.h"
#include "Equalizer.h"
#include "audioinfo/AudioInfo.h"
#include "codecs/GogoTea.h"
#include "codecs/XaudioPlayer.h"
#include "convert/BatchDriver.h"
#include "convert/CodecPorts.h"
#include "convert/Mp3ToWav.h"
#include "convert/WavToMp3.h"
#include "wavepipe/MMWave.h"
#include "MainLayout.h"
#include "OptionsFrm.h"
#include "PlayerWindow.h"
#include "player/Audio.h"
#include "player/DecoderEngineAdapter.h"
#include "player/PlaybackController.h"
#include "player/QtPollTimer.h"
#include "player/SilentWaveEngine.h"
#include "player/SystemMediaPlayer.h"
#include "player/VolumeControl.h"
#include "lists/ConversionLists.h"
#include "lists/PlayList.h"
#include "platform/ErrorReport.h"
#include "settings/BigIniFile.h"
#include "toolkit/ButtonSound.h"
#include "toolkit/CommandButton.h"
#include "toolkit/Themes.h"

#include <QCloseEvent>
#include <QFont>
#include <QStyle>

namespace tb {

TMainFrm::TMainFrm(AppContext &context, QWidget *parent) : QWidget(parent), context_(context)
{
    setObjectName("MainFrm");
    setWindowTitle(QStringLiteral("Tonebridge"));
    setFixedSize(MainClientWidth, MainClientHeight);
    options_ = ProgramOptions::Defaults(context_.programFolder);
    createComponents();

    listArea = new QWidget(this);
    listArea->setObjectName("listArea");
    listArea->setGeometry(ListAreaRect);

    createTabs();
    createLabels();
    createButtons();
    createHelpMenu();
    createLists();
    createConversion();
    createSliders();
    createPlayer();
    createVolume();
    // The theme the pop-up menus wear until the options choose one.
    ApplyMenuSkin(0);
}

// The codec events reach the window only through the event loop, so the order in which the
// members go is free.
TMainFrm::~TMainFrm() = default;

void TMainFrm::createComponents()
{
    Decoder = std::make_unique<TXaudioPlayer>(context_.libraryFolder + "decoder.so");
    mp3Player = std::make_unique<TXaudioPlayer>(context_.libraryFolder + "decoder.so");
    Encoder = std::make_unique<TGogoTea>(nullptr, context_.libraryFolder + "encoder.so");
    Encoder->SetEncodeType(_STEREO);
    wavInfo = std::make_unique<TMMWave>();
    MusicInfo = std::make_unique<TAudioInfo>();
    mp3PlayerEqualizerOf_ = std::make_unique<EqualizerOf<TXaudioPlayer>>(*mp3Player);
    decoderEqualizerOf_ = std::make_unique<EqualizerOf<TXaudioPlayer>>(*Decoder);
    setEqualizerTargets(mp3PlayerEqualizerOf_.get(), decoderEqualizerOf_.get());
}

void TMainFrm::createConversion()
{
    infoView_ = std::make_unique<LabelInfoView>(labStatus, labMusicTitle, labMusicInfo, labDurationTime, labCurrentTime);
    convertWindow_ = std::make_unique<MainConvertWindow>(
        ConvertWindowControls{this, lists_.get(), btnMp3Wav, btnWavMp3, labCurrentTime});
    decoderPort_ = std::make_unique<XaudioDecoderPort>(*Decoder);
    encoderPort_ = std::make_unique<GogoEncoderPort>(*Encoder);
    batch_ = std::make_unique<BatchDriver>(state_, options_, context_.dialogs, context_.shell, context_.fileSystem,
                                           *convertWindow_, *infoView_);
    mp3ToWav_ = std::make_unique<Mp3ToWavConversion>(state_, options_, *decoderPort_, *infoView_, *MusicInfo, *batch_);
    wavToMp3_ = std::make_unique<WavToMp3Conversion>(state_, options_, *encoderPort_, *infoView_, *wavInfo,
                                                     context_.fileSystem, *batch_);
    batch_->Attach(mp3ToWav_.get(), wavToMp3_.get());
    ConnectDecoderEvents(*Decoder, *mp3ToWav_);
    ConnectEncoderEvents(*Encoder, *wavToMp3_);
    connect(button("btnConvert"), &QPushButton::clicked, this, [this] { ErrorReport::run([this] { btnConvertClick(); }); });
}

void TMainFrm::btnConvertClick() { batch_->btnConvertClick(); }

void TMainFrm::createSliders()
{
    prgPlay = new QSlider(Qt::Horizontal, this);
    prgPlay->setObjectName("prgPlay");
    prgPlay->setGeometry(84, 290, 267, 19);
    trkVolume = new QSlider(Qt::Vertical, this);
    trkVolume->setObjectName("trkVolume");
    trkVolume->setGeometry(370, 94, 23, 175);
    for (QSlider *s : {prgPlay, trkVolume}) {
        s->setRange(0, 100);
        s->setPageStep(10);
        s->setValue(0);
        s->setFocusPolicy(Qt::NoFocus);
    }
    prgPlay->setEnabled(false);
    prgPlayPort_ = new QtSliderPort(prgPlay);
    trkVolumePort_ = new QtSliderPort(trkVolume);
    convertWindow_->positionSlider = prgPlayPort_;
}

void TMainFrm::createPlayer()
{
    mp3PlayerEngine_ = std::make_unique<XaudioDecoderEngine>(*mp3Player);
    wavPlayer_ = std::make_unique<SilentWaveEngine>();
    sysPlayer = std::make_unique<QtSystemPlayer>();
    sysTimer_ = std::make_unique<QtPollTimer>([this] { ErrorReport::run([this] { player_->sysTimerTimer(); }); });
    wavTimer_ = std::make_unique<QtPollTimer>([this] { ErrorReport::run([this] { player_->wavTimerTimer(); }); });
    playerWindow_ = std::make_unique<MainPlayerWindow>(*lists_, *prgPlayPort_, btnMp3Wav, btnWavMp3);
    player_ = std::make_unique<PlaybackController>(
        state_, options_, context_.dialogs, context_.fileSystem, *playerWindow_, *infoView_, *MusicInfo, *wavInfo,
        PlaybackController::Engines{*mp3PlayerEngine_, *wavPlayer_, *sysPlayer, *sysTimer_, *wavTimer_});
    ConnectPlayerEvents(*mp3Player, *player_);

    auto wire = [this](const char *name, void (TMainFrm::*handler)()) {
        connect(button(name), &QPushButton::clicked, this,
                [this, handler] { ErrorReport::run([this, handler] { (this->*handler)(); }); });
    };
    wire("btnPlay", &TMainFrm::btnPlayClick);
    wire("btnPause", &TMainFrm::btnPauseClick);
    wire("btnStop", &TMainFrm::btnStopClick);
    wire("btnNext", &TMainFrm::btnNextClick);
    wire("btnPrevious", &TMainFrm::btnPreviousClick);
    prgPlayPort_->OnMouseDown = [this] { ErrorReport::run([this] { prgPlayMouseDown(); }); };
    prgPlayPort_->OnMouseUp = [this] { ErrorReport::run([this] { prgPlayMouseUp(); }); };
}

void TMainFrm::createVolume()
{
    Mixer = std::make_unique<TAudio>();
    volume_ = std::make_unique<VolumeController>(*Mixer, *trkVolumePort_, context_.dialogs);
    Mixer->OnMixerChange = [this](TAudio *, int, int) { ErrorReport::run([this] { MixerMixerChange(); }); };
    trkVolumePort_->OnMouseUp = [this] { ErrorReport::run([this] { trkVolumeMouseUp(); }); };
    // The enumerator lives only while the loudspeaker line is looked up.
    tMsMixerSystem enumerator;
    volume_->FindLoudspeakerLine(enumerator);
}

void TMainFrm::btnPlayClick() { player_->btnPlayClick(); }
void TMainFrm::btnPauseClick() { player_->btnPauseClick(); }
void TMainFrm::btnStopClick() { player_->btnStopClick(); }
void TMainFrm::btnNextClick() { player_->btnNextClick(); }
void TMainFrm::btnPreviousClick() { player_->btnPreviousClick(); }
void TMainFrm::prgPlayMouseDown() { player_->prgPlayMouseDown(); }
void TMainFrm::prgPlayMouseUp() { player_->prgPlayMouseUp(); }
void TMainFrm::trkVolumeMouseUp() { volume_->trkVolumeMouseUp(); }
void TMainFrm::MixerMixerChange() { volume_->MixerMixerChange(); }

void TMainFrm::setDialogs(TOptionsFrm *options, TAboutFrm *about)
{
    optionsFrm_ = options;
    aboutFrm_ = about;
}

CommandButton *TMainFrm::button(const QString &name) const
{
    auto found = buttons_.find(name);
    return found == buttons_.end() ? nullptr : found->second;
}

void TMainFrm::createButtons()
{
    wavSwitch = new ButtonSound("wavSwitch", this);
    wavClick = new ButtonSound("wavClick", this);
    for (const ButtonPlace &place : mainButtonPlaces()) {
        auto *b = new CommandButton(place.name, place.hint, this);
        b->setGeometry(place.rect);
        b->setIcon(style()->standardIcon(mainButtonGlyph(place.name)));
        b->setIconSize(place.rect.size() * 6 / 10);
        // Both sounds until the options say otherwise.
        b->setActiveSound(wavSwitch);
        b->setClickSound(wavClick);
        buttons_[place.name] = b;
    }
    connect(button("btnExit"), &QPushButton::clicked, this, &TMainFrm::btnExitClick);
    connect(button("btnSysExit"), &QPushButton::clicked, this, &TMainFrm::btnExitClick);
    connect(button("btnMinimize"), &QPushButton::clicked, this, &TMainFrm::btnMinimizeClick);
    connect(button("btnSysMinimize"), &QPushButton::clicked, this, &TMainFrm::btnMinimizeClick);
    connect(button("btnOptions"), &QPushButton::clicked, this, &TMainFrm::btnOptionsClick);
    for (const char *help : {"btnHelp", "btnSysHelp"})
        connect(button(help), &CommandButton::released, this,
                [this](Qt::MouseButton, QPoint at) { btnHelpMouseUp(at); });
}

void TMainFrm::createTabs()
{
    btnMp3Wav = new QPushButton(QStringLiteral("MP3 to WAV"), this);
    btnMp3Wav->setObjectName("btnMp3Wav");
    btnMp3Wav->setGeometry(TabMp3WavRect);
    btnWavMp3 = new QPushButton(QStringLiteral("WAV to MP3"), this);
    btnWavMp3->setObjectName("btnWavMp3");
    btnWavMp3->setGeometry(TabWavMp3Rect);
    for (QPushButton *tab : {btnMp3Wav, btnWavMp3})
        tab->setFocusPolicy(Qt::NoFocus);
}

void TMainFrm::createLists()
{
    lstMp3Wav = new TCheckListBox(listArea);
    lstMp3Wav->setObjectName("lstMp3Wav");
    lstWavMp3 = new TCheckListBox(listArea);
    lstWavMp3->setObjectName("lstWavMp3");
    for (TCheckListBox *l : {lstMp3Wav, lstWavMp3})
        l->setGeometry(listArea->rect());
    // The lists colour the tabs and lay the active list in front.
    lists_ = std::make_unique<TConversionLists>(state_, context_,
                                                ListControls{lstMp3Wav, lstWavMp3, btnMp3Wav, btnWavMp3}, this);
    lists_->repaintWindow = [this] { repaint(); };
    // The tabs click whatever the button sound options say.
    lists_->playClickSound = [this] { wavClick->play(); };
    menSelect = lists_->menSelect();
    playLists_ = std::make_unique<TPlayLists>(*lists_, state_, options_, context_);

    // A failure leaving a command is reported here, so it never passes through Qt's own code.
    auto wire = [this](QAbstractButton *b, void (TMainFrm::*handler)()) {
        connect(b, &QAbstractButton::clicked, this,
                [this, handler] { ErrorReport::run([this, handler] { (this->*handler)(); }); });
    };
    wire(btnMp3Wav, &TMainFrm::btnMp3WavClick);
    wire(btnWavMp3, &TMainFrm::btnWavMp3Click);
    wire(button("btnAdd"), &TMainFrm::btnAddClick);
    wire(button("btnRemove"), &TMainFrm::btnRemoveClick);
    wire(button("btnMoveUp"), &TMainFrm::btnMoveUpClick);
    wire(button("btnMoveDown"), &TMainFrm::btnMoveDownClick);
    wire(button("btnOpen"), &TMainFrm::btnOpenClick);
    wire(button("btnSave"), &TMainFrm::btnSaveClick);
}

void TMainFrm::createLabels()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    auto label = [&](const char *name, const char *text, QRect rect) {
        auto *l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(name);
        l->setFont(font);
        l->setStyleSheet("color: rgb(102, 94, 85); background: transparent;");
        l->setGeometry(rect);
        return l;
    };
    labStatus = label("labStatus", "Ready... Show current status here.", QRect(75, 296, 290, 14));
    labMusicTitle = label("labMusicTitle", "Show player current status here.", QRect(75, 296, 290, 14));
    labMusicTitle->setVisible(false);
    labMusicBitrate = label("labMusicBitrate", "Info:", QRect(75, 312, 26, 14));
    labMusicInfo = label("labMusicInfo", "Show current music format information here.", QRect(101, 312, 233, 14));
    Label1 = label("Label1", "Len:", QRect(75, 328, 26, 14));
    labDurationTime = label("labDurationTime", "00:00:00", QRect(101, 328, 60, 14));
    labCurrentTimeText = label("labCurrentTimeText", "Pos:", QRect(170, 328, 26, 14));
    labCurrentTime = label("labCurrentTime", "00:00:00", QRect(196, 328, 60, 14));
}

void TMainFrm::createHelpMenu()
{
    menHelp = new QMenu(this);
    menHelp->setObjectName("menHelp");
    QAction *metHelp = menHelp->addAction(QStringLiteral("&Help"));
    metHelp->setObjectName("metHelp");
    menHelp->addSeparator();
    QAction *metHomePage = menHelp->addAction(QStringLiteral("&Home Page"));
    metHomePage->setObjectName("metHomePage");
    menHelp->addSeparator();
    QAction *metAbout = menHelp->addAction(QStringLiteral("&About..."));
    metAbout->setObjectName("metAbout");
    connect(metHelp, &QAction::triggered, this, &TMainFrm::metHelpClick);
    connect(metHomePage, &QAction::triggered, this, &TMainFrm::metHomePageClick);
    connect(metAbout, &QAction::triggered, this, &TMainFrm::metAboutClick);
}

void TMainFrm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    ErrorReport::run([this] { FormShow(); });
}

void TMainFrm::closeEvent(QCloseEvent *event)
{
    // Closing by the system's command ends the program without saving the lists.
    event->accept();
}

void TMainFrm::FormShow()
{
    // Clearing at start-up counts as a change, so exit always saves the lists.
    ClearLists();
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
        LoadPlayList(options_.LastPlayList);
}

void TMainFrm::btnExitClick()
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
        SavePlayList(options_.LastPlayList, true);
    }
    emit terminateRequested();
}

void TMainFrm::btnMinimizeClick() { showMinimized(); }

void TMainFrm::btnOptionsClick()
{
    if (optionsFrm_)
        optionsFrm_->exec();
}

void TMainFrm::btnHelpMouseUp(QPoint globalPos) { menHelp->popup(globalPos); }

void TMainFrm::metHelpClick() { context_.shell.openFile(context_.programFolder + "kestrel.html"); }

void TMainFrm::metHomePageClick() { context_.shell.openAddress(QString::fromLatin1(HomePage)); }

void TMainFrm::metAboutClick()
{
    if (aboutFrm_)
        aboutFrm_->exec();
}

void TMainFrm::btnMp3WavClick() { lists_->btnMp3WavClick(); }
void TMainFrm::btnWavMp3Click() { lists_->btnWavMp3Click(); }
void TMainFrm::btnAddClick() { lists_->btnAddClick(); }
void TMainFrm::btnRemoveClick() { lists_->btnRemoveClick(); }
void TMainFrm::btnMoveUpClick() { lists_->btnMoveUpClick(); }
void TMainFrm::btnMoveDownClick() { lists_->btnMoveDownClick(); }
void TMainFrm::btnOpenClick() { playLists_->btnOpenClick(); }
void TMainFrm::btnSaveClick() { playLists_->btnSaveClick(); }

void TMainFrm::ClearLists() { lists_->ClearLists(); }
void TMainFrm::LoadPlayList(const QString &path) { playLists_->LoadPlayList(path); }
void TMainFrm::SavePlayList(const QString &path, bool overwrite) { playLists_->SavePlayList(path, overwrite); }

void TMainFrm::setEqualizerTargets(EqualizerTarget *mp3Player, EqualizerTarget *decoder)
{
    mp3PlayerEqualizer_ = mp3Player;
    decoderEqualizer_ = decoder;
}

void TMainFrm::ApplyEqualizer(bool normalizing, const VolLevels &levels)
{
    tb::ApplyEqualizer(normalizing, levels, mp3PlayerEqualizer_, decoderEqualizer_);
}

void TMainFrm::ApplyMenuSkin(int32_t skin) { tb::ApplyMenuSkin(skin, {menHelp, menSelect}); }

void TMainFrm::ApplyButtonSounds(bool activeSnd, bool clickSnd)
{
    for (const ButtonPlace &place : mainButtonPlaces()) {
        CommandButton *b = button(place.name);
        b->setActiveSound(activeSnd ? wavSwitch : nullptr);
        b->setClickSound(clickSnd ? wavClick : nullptr);
    }
}

} // namespace tb
