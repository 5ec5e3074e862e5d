#include "support/AppFixture.h"
#include "toolkit/Themes.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <gtest/gtest.h>
#include <set>

using namespace tb;

namespace {

TEST(Themes, ContrastRatioFollowsRelativeLuminance)
{
    struct Case {
        const char *a, *b;
        double ratio;
    };
    for (const Case &c : {Case{"#000000", "#ffffff", 21.0}, Case{"#ffffff", "#000000", 21.0},
                          Case{"#777777", "#777777", 1.0}, Case{"#767676", "#ffffff", 4.54}}) {
        EXPECT_NEAR(contrastRatio(QColor(c.a), QColor(c.b)), c.ratio, 0.01) << c.a << " on " << c.b;
    }
}

class EveryTheme : public ::testing::TestWithParam<int> {};

TEST_P(EveryTheme, EveryTextIsReadableOnItsBackground)
{
    const Theme &theme = themes()[static_cast<size_t>(GetParam())];
    const std::vector<ContrastPair> pairs = textPairs(theme);
    ASSERT_FALSE(pairs.empty());
    for (const ContrastPair &pair : pairs)
        EXPECT_GE(contrastRatio(pair.text, pair.background), 4.5)
            << theme.name << ": " << pair.what << " " << pair.text.name().toStdString() << " on "
            << pair.background.name().toStdString();
}

TEST_P(EveryTheme, TheStyleSheetsUseTheCheckedColours)
{
    const Theme &theme = themes()[static_cast<size_t>(GetParam())];
    const QString dialog = dialogStyleSheet(theme);
    const QString menu = menuStyleSheet(theme);
    for (const ContrastPair &pair : textPairs(theme)) {
        const bool inMenu = pair.background == theme.colours.menuBack || pair.background == theme.colours.highlight;
        const QString &sheet = inMenu ? menu : dialog;
        EXPECT_TRUE(sheet.contains(pair.text.name())) << theme.name << ": " << pair.what;
        EXPECT_TRUE(sheet.contains(pair.background.name())) << theme.name << ": " << pair.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Themes, EveryTheme, ::testing::Range(0, 5),
                         [](const ::testing::TestParamInfo<int> &info) { return std::string(themes()[info.param].name); });

TEST(Themes, SkinValuesNameTheFiveThemesInOrder)
{
    const char *names[] = {"DeepBlue", "BlueGlass", "MacOS", "Protein", "WinXP"};
    for (int32_t skin = 0; skin < 5; ++skin) {
        ASSERT_NE(themeForSkin(skin), nullptr);
        EXPECT_STREQ(themeForSkin(skin)->name, names[skin]);
    }
    for (int32_t skin : {-1, 5, 17, INT32_MIN, INT32_MAX})
        EXPECT_EQ(themeForSkin(skin), nullptr) << skin;
}

TEST(Themes, TheFiveThemesAreClearlyDistinct)
{
    std::set<QRgb> windows, accents;
    std::set<QString> sheets;
    for (const Theme &theme : themes()) {
        windows.insert(theme.colours.window.rgb());
        accents.insert(theme.colours.accent.rgb());
        sheets.insert(dialogStyleSheet(theme));
    }
    EXPECT_EQ(windows.size(), 5u);
    EXPECT_EQ(accents.size(), 5u);
    EXPECT_EQ(sheets.size(), 5u);
}

TEST(Themes, ADialogFrameTakesTheThemeAndAnUnknownSkinLeavesIt)
{
    tb::test::application();
    QFrame frame;
    auto *label = new QLabel("Options", &frame);
    auto *check = new QCheckBox("Enabled Normalizing", &frame);
    EXPECT_EQ(themeName(frame), "");

    EXPECT_TRUE(ApplyDialogSkin(frame, 3));
    EXPECT_EQ(themeName(frame), "Protein");
    EXPECT_EQ(frame.styleSheet(), dialogStyleSheet(themes()[3]));

    for (int32_t skin : {-1, 5, 99}) {
        EXPECT_FALSE(ApplyDialogSkin(frame, skin));
        EXPECT_EQ(themeName(frame), "Protein");
        EXPECT_EQ(frame.styleSheet(), dialogStyleSheet(themes()[3]));
    }

    // What the user sees: the frame's background and the label's text in the theme's colours.
    frame.resize(160, 60);
    label->setGeometry(0, 0, 160, 30);
    check->setGeometry(0, 30, 160, 30);
    frame.show();
    const QImage image = frame.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0).rgb(), themes()[3].colours.window.rgb());
    EXPECT_EQ(label->palette().color(QPalette::WindowText).rgb(), themes()[3].colours.text.rgb());
    // A check box: its text like a label's, its box in the field colours so the mark stays readable.
    EXPECT_EQ(check->palette().color(QPalette::WindowText).rgb(), themes()[3].colours.text.rgb());
    EXPECT_EQ(check->palette().color(QPalette::Base).rgb(), themes()[3].colours.base.rgb());
    EXPECT_EQ(check->palette().color(QPalette::Text).rgb(), themes()[3].colours.baseText.rgb());
}

TEST(Themes, MenusTakeTheThemeInTurnAndAnUnknownSkinLeavesThem)
{
    tb::test::application();
    QMenu first, second;
    ApplyMenuSkin(1, {&first, nullptr, &second});
    EXPECT_EQ(themeName(first), "BlueGlass");
    EXPECT_EQ(themeName(second), "BlueGlass");
    EXPECT_EQ(first.styleSheet(), menuStyleSheet(themes()[1]));

    ApplyMenuSkin(5, {&first, &second});
    EXPECT_EQ(themeName(first), "BlueGlass");
    EXPECT_EQ(second.styleSheet(), menuStyleSheet(themes()[1]));
}

} // namespace
