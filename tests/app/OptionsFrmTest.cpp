#include "RecordingDecoders.h"
#include "app/AboutFrm.h"
#include "app/MainLayout.h"
#include "app/OptionsFrm.h"
#include "support/AppFixture.h"
#include "skin/WavePlayer.h"
#include "skin/MorphButton.h"
#include "toolkit/Themes.h"

#include <QEnterEvent>
#include <QLabel>
#include <QStyleOptionSlider>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tb;
using namespace tb::test;

namespace {

using Calls = std::vector<std::string>;

class OptionsFrmTest : public ::testing::Test, public AppFixture {
protected:
    // The main window with its decoders and dialogs, shown, so the start step has run.
    TMainFrm &start()
    {
        TMainFrm &frm = create();
        frm.core().setEqualizerTargets(&decoders.mp3Player, &decoders.decoder);
        optionsFrm = std::make_unique<TOptionsFrm>(frm.options(), context, frm.core(), &frm);
        aboutFrm = std::make_unique<TAboutFrm>(frm.options(), &frm);
        frm.setDialogs(optionsFrm.get(), aboutFrm.get());
        frm.show();
        return frm;
    }
    TOptionsFrm &showOptions()
    {
        optionsFrm->show();
        return *optionsFrm;
    }
    void writeSettings(const QByteArray &text) { folder.write(QFileInfo(settingsFile()).fileName(), text); }
    QByteArray settings() const { return TempDir::read(settingsFile()); }
    static QStringList items(QComboBox *box)
    {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }

    RecordingDecoders decoders;
    std::unique_ptr<TOptionsFrm> optionsFrm;
    std::unique_ptr<TAboutFrm> aboutFrm;
};

TEST_F(OptionsFrmTest, WithoutASettingsFileTheDialogShowsTheDefaults)
{
    start();
    TOptionsFrm &dlg = showOptions();
    EXPECT_EQ(dlg.windowTitle(), "Options");
    EXPECT_EQ(dlg.size(), QSize(434, 428));
    EXPECT_EQ(dlg.suiForm->size(), QSize(434, 428));

    struct Check {
        QCheckBox *box;
        const char *text;
        bool checked;
    };
    for (const Check &c : {Check{dlg.chkActiveSnd, "Enabled button actived sound", false},
                           Check{dlg.chkClickSnd, "Enabled button clicked sound", true},
                           Check{dlg.chkPlayCycle, "Play files in a cycle.", false},
                           Check{dlg.chkOurMp3Player, "Use our MP3/WAV player", true},
                           Check{dlg.chkDoneOpenDir, "Open directory when done converting", true},
                           Check{dlg.chkNormalizing, "Enabled Normalizing", true}}) {
        EXPECT_EQ(c.box->text(), c.text);
        EXPECT_EQ(c.box->isChecked(), c.checked) << c.text;
    }
    EXPECT_EQ(dlg.cbxOutputMode->currentText(), "Ask me");
    EXPECT_EQ(dlg.cbxSkin->currentText(), "DeepBlue");
    EXPECT_EQ(dlg.cbxMp3Bitrate->currentText(), "128");
    EXPECT_EQ(dlg.cbxMp3Stereo->currentText(), "STEREO");
    for (QSlider *slider : dlg.trkVolLevel)
        EXPECT_EQ(slider->value(), 50) << slider->objectName().toStdString();
    EXPECT_EQ(dlg.edtMp3Dir->text(), folder.file("Mp3/"));
    EXPECT_EQ(dlg.edtWavDir->text(), folder.file("Wav/"));
    EXPECT_EQ(themeName(*dlg.suiForm), "DeepBlue");
}

TEST_F(OptionsFrmTest, TheDialogCarriesEveryControlWithItsTexts)
{
    start();
    TOptionsFrm &dlg = showOptions();
    EXPECT_EQ(dlg.grpGeneral->title(), "General");
    EXPECT_EQ(dlg.grpDecoder->title(), "Decoder Settings");
    EXPECT_EQ(dlg.grpEncoder->title(), "Encoder Settings");
    EXPECT_EQ(dlg.grpDirectory->title(), "Default Directory");
    EXPECT_EQ(items(dlg.cbxOutputMode), (QStringList{"Ask me", "Overwrite", "Skip"}));
    EXPECT_EQ(items(dlg.cbxSkin), (QStringList{"DeepBlue", "BlueGlass", "MacOS", "Protein", "WinXP"}));
    EXPECT_EQ(items(dlg.cbxMp3Bitrate), (QStringList{"32", "40", "48", "56", "64", "80", "96", "112", "128", "160",
                                                     "192", "224", "256", "320"}));
    EXPECT_EQ(items(dlg.cbxMp3Stereo), (QStringList{"MONO", "STEREO", "J STEREO", "DUALCHANNEL"}));
    QStringList labels;
    for (QLabel *l : dlg.findChildren<QLabel *>())
        labels << l->text();
    for (const char *text : {"If output file has existed:", "Dialog form skin:", "MP3 bitrate:", "Stereo:",
                             "Save MP3 Files...", "Save Wav Files..."})
        EXPECT_TRUE(labels.contains(text)) << text;
    EXPECT_EQ(dlg.btnReset->text(), "&Reset");
    EXPECT_EQ(dlg.btnBrowseMp3Dir->text(), "&Browse");
    EXPECT_EQ(dlg.btnBrowseWavDir->text(), "&Browse");
    EXPECT_EQ(dlg.btnOK->text(), "&OK");
    EXPECT_EQ(dlg.btnCancel->text(), "&Cancel");
    EXPECT_TRUE(dlg.edtMp3Dir->isReadOnly());
    EXPECT_TRUE(dlg.edtWavDir->isReadOnly());

    // Eight vertical sliders, left to right, 0 at the top and 100 at the bottom.
    int previousX = -1;
    for (size_t i = 0; i < dlg.trkVolLevel.size(); ++i) {
        QSlider *slider = dlg.trkVolLevel[i];
        EXPECT_EQ(slider->objectName(), QString("trkVolLevel%1").arg(i));
        EXPECT_EQ(slider->orientation(), Qt::Vertical);
        EXPECT_EQ(slider->minimum(), 0);
        EXPECT_EQ(slider->maximum(), 100);
        const int x = slider->mapTo(&dlg, QPoint(0, 0)).x();
        EXPECT_GT(x, previousX);
        previousX = x;
    }
    QSlider *slider = dlg.trkVolLevel[0];
    auto handleTop = [slider](int value) {
        slider->setValue(value);
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = Qt::Vertical;
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = option.sliderValue = value;
        option.upsideDown = !slider->invertedAppearance();
        option.subControls = QStyle::SC_All;
        return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).top();
    };
    EXPECT_LT(handleTop(0), handleTop(100));
}

TEST_F(OptionsFrmTest, TheStartAppliesTheEqualizerMenusAndSoundsFromTheSettings)
{
    struct Case {
        const char *settings;
        Calls calls;
        int8_t band;
        const char *menuTheme;
        bool activeSound, clickSound;
    };
    const Calls on{"mp3Player Set", "mp3Player Get", "Decoder Set", "Decoder Get"};
    const Calls off{"mp3Player Set null", "Decoder Set null"};
    for (const Case &c : {Case{"", on, -50, "DeepBlue", false, true},
                          Case{"[Options]\r\nIsNormalizing=0\r\nSkin=4\r\nIsActiveSnd=1\r\nIsClickSnd=0\r\n", off, 0,
                               "WinXP", true, false},
                          Case{"[Options]\r\nVolLevel0=10\r\nSkin=17\r\nIsActiveSnd=5\r\n", on, -10, "DeepBlue", true,
                               true}}) {
        AppFixture fresh;
        RecordingDecoders d;
        fresh.folder.write(QFileInfo(fresh.settingsFile()).fileName(), c.settings);
        TMainFrm &frm = fresh.create();
        frm.core().setEqualizerTargets(&d.mp3Player, &d.decoder);
        frm.show();
        EXPECT_EQ(d.calls(), c.calls) << c.settings;
        if (c.calls == on) {
            EXPECT_EQ(d.log[0].table->left[0], c.band) << c.settings;
            EXPECT_EQ(d.log[2].table->right[0], c.band) << c.settings;
        }
        EXPECT_EQ(themeName(*frm.menHelp), c.menuTheme) << c.settings;
        EXPECT_EQ(themeName(*frm.menSelect), c.menuTheme) << c.settings;
        for (const ButtonPlace &place : mainButtonPlaces()) {
            TepMorphButton *b = frm.button(place.name);
            EXPECT_EQ(b->ActiveSound(), c.activeSound ? frm.wavSwitch : nullptr) << place.name;
            EXPECT_EQ(b->ClickSound(), c.clickSound ? frm.wavClick : nullptr) << place.name;
        }
    }
}

TEST_F(OptionsFrmTest, ShowingTheDialogSendsTheStoredLevelsToBothDecodersAgain)
{
    writeSettings("[Options]\r\nVolLevel3=80\r\nVolLevel7=0\r\n");
    start();
    decoders.log.clear();
    showOptions();
    // Each of the eight sliders counts as a change: eight times the table to both decoders.
    EXPECT_EQ(decoders.count("Set"), 16u);
    EXPECT_EQ(decoders.count("Get"), 16u);
    EXPECT_TRUE(sameTable(*decoders.lastTable(), BuildEqualizerTable({50, 50, 50, 80, 50, 50, 50, 0})));
    EXPECT_EQ(decoders.log.back().decoder, "Decoder");
}

TEST_F(OptionsFrmTest, MovingASliderPreviewsTheEqualizerAtOnce)
{
    TMainFrm &frm = start();
    TOptionsFrm &dlg = showOptions();
    decoders.log.clear();
    dlg.trkVolLevel[3]->setValue(80);
    EXPECT_EQ(decoders.calls(), (Calls{"mp3Player Set", "mp3Player Get", "Decoder Set", "Decoder Get"}));
    EXPECT_TRUE(sameTable(*decoders.lastTable(), BuildEqualizerTable({50, 50, 50, 80, 50, 50, 50, 50})));
    EXPECT_EQ(frm.options().VolLevel[3], 50); // nothing stored before OK
}

TEST_F(OptionsFrmTest, UncheckingNormalizingSwitchesTheEqualizerOffAndCancelLeavesItOff)
{
    TMainFrm &frm = start();
    TOptionsFrm &dlg = showOptions();
    decoders.log.clear();
    dlg.chkNormalizing->click();
    EXPECT_EQ(decoders.calls(), (Calls{"mp3Player Set null", "Decoder Set null"}));

    dlg.btnCancel->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(decoders.calls(), (Calls{"mp3Player Set null", "Decoder Set null"}));
    EXPECT_TRUE(frm.options().IsNormalizing);
    EXPECT_FALSE(QFileInfo::exists(settingsFile()));

    // The next showing sends the stored equalizer again.
    decoders.log.clear();
    showOptions();
    EXPECT_TRUE(dlg.chkNormalizing->isChecked());
    EXPECT_TRUE(sameTable(*decoders.lastTable(), flatTable(-50)));
}

TEST_F(OptionsFrmTest, ResetPutsEverySliderInTheMiddleAndLeavesTheCheckBox)
{
    TMainFrm &frm = start();
    TOptionsFrm &dlg = showOptions();
    dlg.chkNormalizing->click(); // off
    dlg.trkVolLevel[0]->setValue(0);
    dlg.trkVolLevel[7]->setValue(100);
    decoders.log.clear();
    dlg.btnReset->click();
    for (QSlider *slider : dlg.trkVolLevel)
        EXPECT_EQ(slider->value(), 50);
    EXPECT_FALSE(dlg.chkNormalizing->isChecked());
    // Eight slider changes and one more application, all with the equalizer off.
    EXPECT_EQ(decoders.count("Set"), 18u);
    EXPECT_EQ(decoders.count("Get"), 0u);
    EXPECT_FALSE(decoders.lastTable());

    dlg.chkNormalizing->click(); // on again
    EXPECT_TRUE(sameTable(*decoders.lastTable(), flatTable(-50)));
    EXPECT_EQ(frm.options().VolLevel[0], 50);
    EXPECT_FALSE(QFileInfo::exists(settingsFile()));
}

TEST_F(OptionsFrmTest, OkWritesTheKeysInOrderWithoutLastPlayList)
{
    writeSettings("[Options]\r\nLastPlayList=/music/my.lst\r\n");
    TMainFrm &frm = start();
    TOptionsFrm &dlg = showOptions();
    dlg.chkActiveSnd->click();
    dlg.cbxMp3Stereo->setCurrentIndex(2);
    dlg.trkVolLevel[7]->setValue(100);
    dlg.btnOK->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    const QByteArray dir = QFile::encodeName(folder.path());
    EXPECT_EQ(settings(), "[Options]\r\nLastPlayList=/music/my.lst\r\nIsActiveSnd=1\r\nIsClickSnd=1\r\nIsPlayCycle=0\r\n"
                          "IsOurMp3Player=1\r\nIsDoneOpenDir=1\r\nIsNormalizing=1\r\nOutputMode=0\r\nSkin=0\r\n"
                          "Mp3Bitrate=8\r\nMp3Stereo=2\r\nVolLevel0=50\r\nVolLevel1=50\r\nVolLevel2=50\r\n"
                          "VolLevel3=50\r\nVolLevel4=50\r\nVolLevel5=50\r\nVolLevel6=50\r\nVolLevel7=100\r\n"
                          "Mp3Dir=" + dir + "Mp3/\r\nWavDir=" + dir + "Wav/\r\n\r\n");
    EXPECT_TRUE(frm.options().IsActiveSnd);
    EXPECT_EQ(frm.options().Mp3Stereo, 2);
    EXPECT_EQ(frm.options().VolLevel[7], 100);
    EXPECT_EQ(frm.options().LastPlayList, "/music/my.lst");
}

TEST_F(OptionsFrmTest, OkAppliesTheMenuThemeTheEqualizerAndTheSounds)
{
    TMainFrm &frm = start();
    TOptionsFrm &dlg = showOptions();
    dlg.cbxSkin->setCurrentIndex(2);
    dlg.chkActiveSnd->click();
    dlg.chkClickSnd->click();
    decoders.log.clear();
    dlg.btnOK->click();
    EXPECT_EQ(themeName(*frm.menHelp), "MacOS");
    EXPECT_EQ(themeName(*frm.menSelect), "MacOS");
    EXPECT_EQ(decoders.calls(), (Calls{"mp3Player Set", "mp3Player Get", "Decoder Set", "Decoder Get"}));
    for (const ButtonPlace &place : mainButtonPlaces()) {
        EXPECT_EQ(frm.button(place.name)->ActiveSound(), frm.wavSwitch) << place.name;
        EXPECT_EQ(frm.button(place.name)->ClickSound(), nullptr) << place.name;
    }
    // From then on every button plays the switch sound on hover.
    int played = 0;
    frm.wavSwitch->BeforePlay = [&](TepWavePlayer *) { ++played; };
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    for (const ButtonPlace &place : mainButtonPlaces())
        QCoreApplication::sendEvent(frm.button(place.name), &enter);
    EXPECT_EQ(played, 19);
}

// What OK changes, in order: the menu theme, then the equalizer, then the sounds.
class RecordingEffects : public OptionsEffects {
public:
    QStringList calls;
    void ApplyEqualizer(bool normalizing, const VolLevels &levels) override
    {
        calls << QString("equalizer %1 %2").arg(normalizing).arg(levels[0]);
    }
    void ApplyMenuSkin(int32_t skin) override { calls << QString("menus %1").arg(skin); }
    void ApplyButtonSounds(bool activeSnd, bool clickSnd) override
    {
        calls << QString("sounds %1 %2").arg(activeSnd).arg(clickSnd);
    }
};

TEST_F(OptionsFrmTest, OkAppliesInOrderAfterWriting)
{
    ProgramOptions options = ProgramOptions::Defaults(folder.path());
    RecordingEffects effects;
    TOptionsFrm dlg(options, context, effects);
    dlg.show();
    dlg.trkVolLevel[0]->setValue(30);
    effects.calls.clear();
    dlg.btnOK->click();
    EXPECT_EQ(effects.calls, (QStringList{"menus 0", "equalizer 1 30", "sounds 0 1"}));
    EXPECT_TRUE(settings().contains("VolLevel0=30\r\n"));
}

TEST_F(OptionsFrmTest, AFailedWriteKeepsTheDialogOpenAndAppliesNothing)
{
    writeSettings("[Options]\r\nSkin=1\r\n");
    ::chmod(QFile::encodeName(settingsFile()).constData(), 0444);
    ProgramOptions options = ProgramOptions::Defaults(folder.path());
    options.Skin = 1;
    RecordingEffects effects;
    TOptionsFrm dlg(options, context, effects);
    dlg.show();
    dlg.cbxSkin->setCurrentIndex(3);
    effects.calls.clear();
    dlg.btnOK->click(); // the application's error report shows the failure
    EXPECT_EQ(dialogs.messages(), QStringList{"File access denied"});
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(effects.calls.isEmpty());
    EXPECT_EQ(options.Skin, 3); // copied before the write failed
    EXPECT_EQ(settings(), "[Options]\r\nSkin=1\r\n");
    ::chmod(QFile::encodeName(settingsFile()).constData(), 0644);
}

TEST_F(OptionsFrmTest, SkinThreeGivesProteinToTheDialogsAndTheMenus)
{
    writeSettings("[Options]\r\nSkin=3\r\n");
    TMainFrm &frm = start();
    EXPECT_EQ(themeName(*frm.menHelp), "Protein");
    EXPECT_EQ(themeName(*frm.menSelect), "Protein");
    showOptions();
    EXPECT_EQ(themeName(*optionsFrm->suiForm), "Protein");
    EXPECT_EQ(optionsFrm->cbxSkin->currentText(), "Protein");
    aboutFrm->show();
    EXPECT_EQ(themeName(*aboutFrm->suiForm), "Protein");
    EXPECT_EQ(aboutFrm->size(), QSize(332, 250));
}

TEST_F(OptionsFrmTest, ASkinOutsideTheListLeavesEveryThemeAsItIs)
{
    writeSettings("[Options]\r\nSkin=17\r\n");
    TMainFrm &frm = start();
    EXPECT_EQ(themeName(*frm.menHelp), "DeepBlue");
    EXPECT_EQ(themeName(*frm.menSelect), "DeepBlue");
    TOptionsFrm &dlg = showOptions();
    EXPECT_EQ(dlg.cbxSkin->currentIndex(), -1);
    EXPECT_EQ(themeName(*dlg.suiForm), "DeepBlue");
    aboutFrm->show();
    EXPECT_EQ(themeName(*aboutFrm->suiForm), "DeepBlue");
}

TEST_F(OptionsFrmTest, ChoosingASkinPreviewsItAndCancelKeepsThePreviewUntilTheNextShowing)
{
    TMainFrm &frm = start();
    TOptionsFrm &dlg = showOptions();
    dlg.cbxSkin->setCurrentIndex(4);
    emit dlg.cbxSkin->activated(4);
    EXPECT_EQ(themeName(*dlg.suiForm), "WinXP");
    EXPECT_EQ(themeName(*frm.menHelp), "DeepBlue");
    dlg.btnCancel->click();
    EXPECT_EQ(themeName(*dlg.suiForm), "WinXP");
    EXPECT_EQ(frm.options().Skin, 0);
    showOptions();
    EXPECT_EQ(themeName(*dlg.suiForm), "DeepBlue");
    EXPECT_EQ(dlg.cbxSkin->currentText(), "DeepBlue");
}

TEST_F(OptionsFrmTest, ABitrateOutsideTheListShowsNoSelectionAndOkStoresMinusOne)
{
    writeSettings("[Options]\r\nMp3Bitrate=20\r\n");
    TMainFrm &frm = start();
    TOptionsFrm &dlg = showOptions();
    EXPECT_EQ(dlg.cbxMp3Bitrate->currentIndex(), -1);
    EXPECT_EQ(dlg.cbxMp3Bitrate->currentText(), "");
    dlg.btnOK->click();
    EXPECT_EQ(frm.options().Mp3Bitrate, -1);
    EXPECT_TRUE(settings().contains("\r\nMp3Bitrate=-1\r\n"));
}

TEST_F(OptionsFrmTest, BrowseThenCancelChangesNothing)
{
    TMainFrm &frm = start();
    TOptionsFrm &dlg = showOptions();
    dialogs.browseAnswers = {"/music/out", "/music/wav/"};
    dlg.btnBrowseMp3Dir->click();
    dlg.btnBrowseWavDir->click();
    EXPECT_EQ(dlg.edtMp3Dir->text(), "/music/out/");
    EXPECT_EQ(dlg.edtWavDir->text(), "/music/wav/");
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].kind, "browse");
    EXPECT_EQ(dialogs.shown[0].text, "Select directory");
    EXPECT_EQ(dialogs.lastStartFolder, "");

    dlg.btnCancel->click();
    EXPECT_EQ(frm.options().Mp3Dir, folder.file("Mp3/"));
    EXPECT_EQ(frm.options().WavDir, folder.file("Wav/"));
    EXPECT_FALSE(QFileInfo::exists(settingsFile()));
    showOptions();
    EXPECT_EQ(dlg.edtMp3Dir->text(), folder.file("Mp3/"));
}

TEST_F(OptionsFrmTest, BrowseThenOkStoresTheFolderWithASlash)
{
    TMainFrm &frm = start();
    TOptionsFrm &dlg = showOptions();
    dialogs.browseAnswers = {"/music/out"};
    dlg.btnBrowseMp3Dir->click();
    dlg.btnBrowseWavDir->click(); // cancelled: no answer left
    EXPECT_EQ(dlg.edtWavDir->text(), folder.file("Wav/"));
    dlg.btnOK->click();
    EXPECT_EQ(frm.options().Mp3Dir, "/music/out/");
    EXPECT_TRUE(settings().contains("\r\nMp3Dir=/music/out/\r\n"));
    EXPECT_FALSE(QFileInfo(QString("/music/out")).isDir()); // OK creates no folder
}

TEST_F(OptionsFrmTest, WrongTypesAndOutOfRangeValuesNeverBreakTheDialog)
{
    writeSettings("[Options]\r\nSkin=abc\r\nOutputMode=99\r\nMp3Stereo=-4\r\nMp3Bitrate=0x7fffffff\r\n"
                  "VolLevel2=500\r\nVolLevel3=-20\r\nVolLevel4=9999999999\r\nIsClickSnd=yes\r\nMp3Dir=\r\n"
                  "WavDir=\xff\xfe\r\n");
    TMainFrm &frm = start();
    TOptionsFrm &dlg = showOptions();
    EXPECT_EQ(dlg.cbxSkin->currentText(), "DeepBlue"); // not a number: the default
    EXPECT_EQ(dlg.cbxOutputMode->currentIndex(), -1);
    EXPECT_EQ(dlg.cbxMp3Stereo->currentIndex(), -1);
    EXPECT_EQ(dlg.cbxMp3Bitrate->currentIndex(), -1);
    EXPECT_EQ(dlg.trkVolLevel[2]->value(), 100);
    EXPECT_EQ(dlg.trkVolLevel[3]->value(), 0);
    EXPECT_EQ(dlg.trkVolLevel[4]->value(), 50); // does not fit 32 bits: the default
    EXPECT_TRUE(dlg.chkClickSnd->isChecked());
    EXPECT_EQ(dlg.edtMp3Dir->text(), "/");
    dlg.btnOK->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(frm.options().OutputMode, -1);
    EXPECT_EQ(frm.options().VolLevel[2], 100);
}

} // namespace
