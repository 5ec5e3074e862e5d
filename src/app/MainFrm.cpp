#include "MainFrm.h"

#include "AboutFrm.h"
#include "ConvertWindow.h"
#include "FileDropTarget.h"
#include "MainLayout.h"
#include "OptionsFrm.h"
#include "PlayerWindow.h"
#include "player/PlaybackController.h"
#include "player/VolumeControl.h"
#include "lists/ConversionLists.h"
#include "lists/PlayList.h"
#include "platform/ErrorReport.h"
#include "skin/BMPSlider.h"
#include "skin/DIBFormShaper.h"
#include "skin/MorphButton.h"
#include "skin/SkinArtwork.h"
#include "skin/SkinImage.h"
#include "skin/WavePlayer.h"
#include "toolkit/CheckListBox.h"
#include "toolkit/Themes.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QFont>
#include <QStyle>

namespace tb {

TMainFrm::TMainFrm(ApplicationCore &core, QWidget *parent) : QWidget(parent), core_(core)
{
    setObjectName("MainFrm");
    setWindowTitle(QStringLiteral("Tonebridge"));
    // No system frame: the skin is the whole window.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(MainClientWidth, MainClientHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    createSkin();

    listArea = new QWidget(this);
    listArea->setObjectName("listArea");
    listArea->setGeometry(ListAreaRect);

    createTabs();
    createLabels();
    createSliders();
    createButtons();
    createHelpMenu();
    createLists();
    followCore();
    createPlayer();
    // The theme the pop-up menus wear until the options choose one.
    ApplyMenuSkin(0);
    // Loaded: the outline is cut once and stays.
    sknShaper->Apply();
}

TMainFrm::~TMainFrm()
{
    // The core outlives the window: it must not reach the player's view or lists that are gone.
    core_.attachPlayer(nullptr, nullptr);
    core_.attachLists(nullptr);
}

void TMainFrm::followCore()
{
    windowLists_ = std::make_unique<WindowLists>(*lists_, *playLists_);
    core_.attachLists(windowLists_.get());
    convertingLook_ = std::make_unique<ConvertingLook>(btnMp3Wav, btnWavMp3, labCurrentTime);

    InfoModel &info = core_.info();
    links_.connect(&info, &InfoModel::statusTextChanged, labStatus, &QLabel::setText);
    links_.connect(&info, &InfoModel::musicTitleChanged, labMusicTitle, &QLabel::setText);
    links_.connect(&info, &InfoModel::musicInfoChanged, labMusicInfo, &QLabel::setText);
    links_.connect(&info, &InfoModel::durationTimeChanged, labDurationTime, &QLabel::setText);
    links_.connect(&info, &InfoModel::currentTimeChanged, labCurrentTime, &QLabel::setText);
    links_.connect(&core_, &ApplicationCore::convertingLookChanged, this, [this](bool converting) {
        if (converting)
            convertingLook_->Enter();
        else
            convertingLook_->Leave();
    });
    links_.connect(&core_, &ApplicationCore::repaintRequested, this, [this] { repaint(); });
    links_.connect(&core_, &ApplicationCore::menuSkinApplied, this, &TMainFrm::ApplyMenuSkin);
    links_.connect(&core_, &ApplicationCore::buttonSoundsApplied, this, &TMainFrm::ApplyButtonSounds);
    links_.connect(&core_, &ApplicationCore::terminateRequested, this, &TMainFrm::terminateRequested);
    links_.connect(&core_, &ApplicationCore::positionSliderReset, this, [this] {
        prgPlay->setValue(0);
        prgPlay->setEnabled(false);
    });
    links_.bind(button("btnConvert")->OnClick,
                [this](TepMorphButton *) { ErrorReport::run([this] { btnConvertClick(); }); });
}

void TMainFrm::btnConvertClick() { core_.btnConvertClick(); }

void TMainFrm::createPlayer()
{
    prgPlayPort_ = std::make_unique<BmpSliderPort>(*prgPlay);
    trkVolumePort_ = std::make_unique<BmpSliderPort>(*trkVolume);
    playerWindow_ = std::make_unique<MainPlayerWindow>(*lists_, *prgPlayPort_, btnMp3Wav, btnWavMp3);
    core_.attachPlayer(playerWindow_.get(), trkVolumePort_.get());

    auto wire = [this](const char *name, void (TMainFrm::*handler)()) {
        links_.bind(button(name)->OnClick,
                    [this, handler](TepMorphButton *) { ErrorReport::run([this, handler] { (this->*handler)(); }); });
    };
    wire("btnPlay", &TMainFrm::btnPlayClick);
    wire("btnPause", &TMainFrm::btnPauseClick);
    wire("btnStop", &TMainFrm::btnStopClick);
    wire("btnNext", &TMainFrm::btnNextClick);
    wire("btnPrevious", &TMainFrm::btnPreviousClick);
    links_.bind(prgPlayPort_->OnMouseDown, [this] { ErrorReport::run([this] { prgPlayMouseDown(); }); });
    links_.bind(prgPlayPort_->OnMouseUp, [this] { ErrorReport::run([this] { prgPlayMouseUp(); }); });
    links_.bind(trkVolumePort_->OnMouseUp, [this] { ErrorReport::run([this] { trkVolumeMouseUp(); }); });
}

void TMainFrm::btnPlayClick() { player().btnPlayClick(); }
void TMainFrm::btnPauseClick() { player().btnPauseClick(); }
void TMainFrm::btnStopClick() { player().btnStopClick(); }
void TMainFrm::btnNextClick() { player().btnNextClick(); }
void TMainFrm::btnPreviousClick() { player().btnPreviousClick(); }
void TMainFrm::prgPlayMouseDown() { player().prgPlayMouseDown(); }
void TMainFrm::prgPlayMouseUp() { player().prgPlayMouseUp(); }
void TMainFrm::trkVolumeMouseUp() { volume().trkVolumeMouseUp(); }
void TMainFrm::MixerMixerChange() { volume().MixerMixerChange(); }

void TMainFrm::setDialogs(TOptionsFrm *options, TAboutFrm *about)
{
    optionsFrm_ = options;
    aboutFrm_ = about;
}

TepMorphButton *TMainFrm::button(const QString &name) const
{
    auto found = buttons_.find(name);
    return found == buttons_.end() ? nullptr : found->second;
}

void TMainFrm::createSkin()
{
    const qreal ratio = devicePixelRatioF();
    sknBack = new TSkinImage("sknBack", this);
    sknBack->setGeometry(0, 0, MainClientWidth, MainClientHeight);
    sknBack->setPicture(skin::picture(QStringLiteral("back"), ratio));
    sknBack->OnMouseMove = [this](TSkinImage *, Qt::MouseButtons buttons, QPoint at, QPoint globalPos) {
        if (drag_->following() && (buttons & Qt::LeftButton))
            drag_->follow(globalPos);
        else
            sknBackMouseMove(at.x(), at.y());
    };
    sknBack->OnMouseDown = [this](TSkinImage *, Qt::MouseButton b, QPoint, QPoint globalPos) {
        sknBackMouseDown(b, globalPos);
    };
    sknBack->OnMouseUp = [this](TSkinImage *, Qt::MouseButton, QPoint, QPoint) { drag_->end(); };
    drag_ = std::make_unique<WindowDrag>(*this);
    // The outline is always cut from the skin at one pixel per client pixel.
    sknShaper = new TDIBFormShaper(this);
    sknShaper->setObjectName("sknShaper");
    sknShaper->setActive(false);
    sknShaper->setTransparentMode(tmAuto);
    sknShaper->setBitmap(skin::backBitmap());
    sknShaper->setActive(true);
}

void TMainFrm::createSliders()
{
    const qreal ratio = devicePixelRatioF();
    auto slider = [&](const char *name, QRect place, TSliderOrientation orientation) {
        auto *s = new TepBMPSlider(this);
        s->setObjectName(name);
        s->setOrientation(orientation);
        s->setImageHThumb(skin::picture(QStringLiteral("thumb-h"), ratio));
        s->setImageVThumb(skin::picture(QStringLiteral("thumb-v"), ratio));
        s->setGeometry(place);
        s->setRange(0, 100);
        s->setIncrement(10);
        s->setOptions(soSmooth);
        s->setTransparent(true);
        s->setValue(0);
        return s;
    };
    prgPlay = slider("prgPlay", PlaySliderRect, soHorizontal);
    prgPlay->setEnabled(false);
    trkVolume = slider("trkVolume", VolumeSliderRect, soVertical);
}

void TMainFrm::createButtons()
{
    wavSwitch = new TepWavePlayer("wavSwitch", this);
    wavClick = new TepWavePlayer("wavClick", this);
    for (TepWavePlayer *sound : {wavSwitch, wavClick}) {
        sound->setWave(skin::sound(sound->objectName()));
        sound->setOptions(wpoAsync);
    }
    const qreal ratio = devicePixelRatioF();
    for (const ButtonPlace &place : mainButtonPlaces()) {
        const QString name = QString::fromLatin1(place.name);
        auto *b = new TepMorphButton(name, this);
        b->setGeometry(place.rect);
        b->setHint(QString::fromLatin1(place.hint));
        b->setTransparent(true);
        b->setInterval(1);
        b->setUpGlyph(skin::picture(name + "-up", ratio));
        b->setDownGlyph(skin::picture(name + "-down", ratio));
        b->setActiveGlyph(skin::picture(name + "-active", ratio));
        b->setGlyphsTransparent(name == "btnOptions");
        // Both sounds until the options say otherwise.
        b->setActiveSound(wavSwitch);
        b->setClickSound(wavClick);
        // The button the mouse has left hides again, showing the skin's picture of it.
        b->OnMouseLeave = [](TepMorphButton *sender) { sender->setVisible(false); };
        buttons_[name] = b;
    }
    auto onClick = [this](const char *name, void (TMainFrm::*handler)()) {
        button(name)->OnClick = [this, handler](TepMorphButton *) {
            ErrorReport::run([this, handler] { (this->*handler)(); });
        };
    };
    onClick("btnExit", &TMainFrm::btnExitClick);
    onClick("btnSysExit", &TMainFrm::btnExitClick);
    onClick("btnMinimize", &TMainFrm::btnMinimizeClick);
    onClick("btnSysMinimize", &TMainFrm::btnMinimizeClick);
    onClick("btnOptions", &TMainFrm::btnOptionsClick);
    onClick("btnAdd", &TMainFrm::btnAddClick);
    onClick("btnRemove", &TMainFrm::btnRemoveClick);
    onClick("btnMoveUp", &TMainFrm::btnMoveUpClick);
    onClick("btnMoveDown", &TMainFrm::btnMoveDownClick);
    onClick("btnOpen", &TMainFrm::btnOpenClick);
    onClick("btnSave", &TMainFrm::btnSaveClick);
    for (const char *help : {"btnHelp", "btnSysHelp"})
        button(help)->OnMouseUp = [this](TepMorphButton *, Qt::MouseButton, QPoint, QPoint globalPos) {
            btnHelpMouseUp(globalPos);
        };
}

void TMainFrm::sknBackMouseMove(int X, int Y)
{
    for (const ButtonPlace &place : mainButtonPlaces()) {
        // Left + Width and Top + Height lie outside, as QRect::contains counts them.
        if (place.rect.contains(X, Y)) {
            // Shown once the move has been delivered: Qt then counts the button, not the skin,
            // as the widget under the mouse, and tells it when the mouse leaves.
            QMetaObject::invokeMethod(button(place.name), [b = button(place.name)] { b->setVisible(true); },
                                      Qt::QueuedConnection);
            return;
        }
    }
}

void TMainFrm::sknBackMouseDown(Qt::MouseButton mouseButton, QPoint globalPos)
{
    if (mouseButton == Qt::LeftButton)
        drag_->begin(globalPos);
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
    lists_ = std::make_unique<TConversionLists>(state(), context(),
                                                ListControls{lstMp3Wav, lstWavMp3, btnMp3Wav, btnWavMp3}, this);
    links_.bind(lists_->repaintWindow, [this] { repaint(); });
    // The tabs click whatever the button sound options say.
    links_.bind(lists_->playClickSound, [this] { wavClick->Play(); });
    menSelect = lists_->menSelect();
    playLists_ = std::make_unique<TPlayLists>(*lists_, state(), options(), context());
    // Files and folders dropped from the file manager are added as Add adds them.
    new FileDropTarget(listArea, [this](const QStringList &paths) { ErrorReport::run([&] { lists_->AddPaths(paths); }); });

    // A failure leaving a command is reported here, so it never passes through Qt's own code.
    auto wire = [this](QAbstractButton *b, void (TMainFrm::*handler)()) {
        connect(b, &QAbstractButton::clicked, this,
                [this, handler] { ErrorReport::run([this, handler] { (this->*handler)(); }); });
    };
    wire(btnMp3Wav, &TMainFrm::btnMp3WavClick);
    wire(btnWavMp3, &TMainFrm::btnWavMp3Click);
    // The lists lie on the skin's dark panel.
    for (TCheckListBox *l : {lstMp3Wav, lstWavMp3}) {
        l->setFrameShape(QFrame::NoFrame);
        l->setStyleSheet(QStringLiteral("QListView { background: transparent; color: #e6eef8; outline: none; }"
                                        "QListView::item { padding: 1px 2px; }"
                                        "QListView::item:selected { background: rgba(90, 160, 255, 120); color: #ffffff; }"
                                        "QListView::indicator { width: 11px; height: 11px; border: 1px solid #6f93c2;"
                                        " border-radius: 2px; background: #0e1a2c; }"
                                        "QListView::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5,"
                                        " radius:0.5, fx:0.4, fy:0.4, stop:0 #bfe0ff, stop:0.55 #5aa0ff, stop:0.6 #0e1a2c);"
                                        " border-color: #9cc8ff; }"
                                        "QListView::indicator:disabled { border-color: #3f5576; }"));
    }
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
        // The skin under a label still takes the mouse: hovering and dragging work there too.
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        return l;
    };
    // Three lines on the skin's information display.
    const QPoint at = InfoDisplayRect.topLeft() + QPoint(6, 2);
    labStatus = label("labStatus", "Ready... Show current status here.", QRect(at, QSize(274, 13)));
    labMusicTitle = label("labMusicTitle", "Show player current status here.", QRect(at, QSize(274, 13)));
    labMusicTitle->setVisible(false);
    labMusicBitrate = label("labMusicBitrate", "Info:", QRect(at + QPoint(0, 12), QSize(25, 13)));
    labMusicInfo = label("labMusicInfo", "Show current music format information here.",
                         QRect(at + QPoint(25, 12), QSize(233, 13)));
    Label1 = label("Label1", "Len:", QRect(at + QPoint(0, 24), QSize(25, 13)));
    labDurationTime = label("labDurationTime", "00:00:00", QRect(at + QPoint(25, 24), QSize(58, 13)));
    labCurrentTimeText = label("labCurrentTimeText", "Pos:", QRect(at + QPoint(92, 24), QSize(25, 13)));
    labCurrentTime = label("labCurrentTime", "00:00:00", QRect(at + QPoint(117, 24), QSize(58, 13)));
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

void TMainFrm::FormShow() { core_.StartUp(); }

void TMainFrm::btnExitClick() { core_.Exit(); }

void TMainFrm::btnMinimizeClick() { showMinimized(); }

void TMainFrm::btnOptionsClick()
{
    if (optionsFrm_)
        optionsFrm_->exec();
}

void TMainFrm::btnHelpMouseUp(QPoint globalPos) { menHelp->popup(globalPos); }

// The help page is installed beside the program, which is not the program folder of an installed copy.
void TMainFrm::metHelpClick() { context().shell.openFile(context().libraryFolder + "kestrel.html"); }

void TMainFrm::metHomePageClick() { context().shell.openAddress(QString::fromLatin1(HomePage)); }

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

void TMainFrm::ApplyMenuSkin(int32_t skin) { tb::ApplyMenuSkin(skin, {menHelp, menSelect}); }

void TMainFrm::ApplyButtonSounds(bool activeSnd, bool clickSnd)
{
    for (const ButtonPlace &place : mainButtonPlaces()) {
        TepMorphButton *b = button(place.name);
        b->setActiveSound(activeSnd ? wavSwitch : nullptr);
        b->setClickSound(clickSnd ? wavClick : nullptr);
    }
}

} // namespace tb
