#include "Themes.h"

#include <QMenu>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace tb {

namespace {

const char *const ThemeProperty = "tbTheme";
const char *const FrameProperty = "tbThemeFrame";

QColor c(const char *hex) { return QColor(QString::fromLatin1(hex)); }

QString verticalGradient(const QColor &top, const QColor &bottom)
{
    return QString("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2)").arg(top.name(), bottom.name());
}

} // namespace

const std::array<Theme, 5> &themes()
{
    static const std::array<Theme, 5> all{{
        {"DeepBlue",
         {c("#1e3250"), c("#14233a"), c("#e6eef8"), c("#9cc8ff"), c("#24395a"), c("#0e1a2c"), c("#f2f6fb"),
          c("#3a6db0"), c("#234b82"), c("#ffffff"), c("#3f6393"), c("#5aa0ff"), c("#0e1a2c"), c("#2d6cc0"),
          c("#ffffff"), c("#1b2d48"), c("#e6eef8")},
         4},
        {"BlueGlass",
         {c("#eef5fd"), c("#cfe1f6"), c("#102a4a"), c("#0b4a94"), c("#f7fbff"), c("#ffffff"), c("#102a4a"),
          c("#fbfdff"), c("#b7d3f2"), c("#0d2a4d"), c("#8db3de"), c("#2f7bd6"), c("#cfe1f6"), c("#1d5fae"),
          c("#ffffff"), c("#f2f8ff"), c("#102a4a")},
         8},
        {"MacOS",
         {c("#ececec"), c("#dcdcdc"), c("#1d1d1f"), c("#3a3a3c"), c("#f5f5f5"), c("#ffffff"), c("#1d1d1f"),
          c("#ffffff"), c("#d9d9d9"), c("#1d1d1f"), c("#b5b5b5"), c("#2a84f4"), c("#c8c8c8"), c("#0a5fd0"),
          c("#ffffff"), c("#f6f6f6"), c("#1d1d1f")},
         10},
        {"Protein",
         {c("#f7efe3"), c("#ead9c2"), c("#3a2414"), c("#9a3d12"), c("#fcf6ee"), c("#fffbf5"), c("#3a2414"),
          c("#f6c08a"), c("#e0873e"), c("#2a1204"), c("#c9a27e"), c("#c9602a"), c("#e6d2b8"), c("#a8441a"),
          c("#ffffff"), c("#fbf3e8"), c("#3a2414")},
         6},
        {"WinXP",
         {c("#ece9d8"), c("#e3dfc9"), c("#000000"), c("#0046d5"), c("#f4f2e8"), c("#ffffff"), c("#000000"),
          c("#ffffff"), c("#dcdad0"), c("#000000"), c("#7f9db9"), c("#2f9a3a"), c("#d6d3c6"), c("#316ac5"),
          c("#ffffff"), c("#ffffff"), c("#000000")},
         3},
    }};
    return all;
}

const Theme *themeForSkin(int32_t skin)
{
    if (skin < 0 || skin >= static_cast<int32_t>(themes().size()))
        return nullptr;
    return &themes()[static_cast<size_t>(skin)];
}

QString dialogStyleSheet(const Theme &theme)
{
    const ThemeColours &k = theme.colours;
    const int r = theme.radius;
    const int fieldRadius = std::min(r, 4);
    QString sheet;
    sheet += QString("*[%1=\"true\"] { background: %2; }\n").arg(FrameProperty, verticalGradient(k.window, k.windowEnd));
    // Check boxes take their colours from the palette: the label in WindowText, the box in Base
    // and its mark in Text, as the style draws them.
    sheet += QString("QLabel { color: %1; }\n").arg(k.text.name());
    sheet += QString("QCheckBox { spacing: 5px; }\n");
    sheet += QString("QGroupBox { background: %1; border: 1px solid %2; border-radius: %3px; margin-top: 14px; "
                     "padding: 6px 4px 4px 4px; }\n")
                 .arg(k.groupBack.name(), k.border.name())
                 .arg(r);
    sheet += QString("QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 10px; "
                     "padding: 0px 4px; color: %1; font-weight: bold; background: transparent; }\n")
                 .arg(k.groupTitle.name());
    sheet += QString("QPushButton { color: %1; background: %2; border: 1px solid %3; border-radius: %4px; "
                     "padding: 3px 12px; min-width: 56px; min-height: 17px; }\n")
                 .arg(k.buttonText.name(), verticalGradient(k.buttonTop, k.buttonBottom), k.border.name())
                 .arg(r);
    sheet += QString("QPushButton:hover, QPushButton:default { border: 1px solid %1; }\n").arg(k.accent.name());
    sheet += QString("QPushButton:pressed { background: %1; }\n").arg(verticalGradient(k.buttonBottom, k.buttonTop));
    sheet += QString("QComboBox, QLineEdit { color: %1; background: %2; border: 1px solid %3; border-radius: %4px; "
                     "padding: 2px 5px; selection-color: %5; selection-background-color: %6; }\n")
                 .arg(k.baseText.name(), k.base.name(), k.border.name())
                 .arg(fieldRadius)
                 .arg(k.highlightText.name(), k.highlight.name());
    sheet += QString("QComboBox:hover, QComboBox:focus, QLineEdit:focus { border: 1px solid %1; }\n").arg(k.accent.name());
    sheet += QString("QComboBox QAbstractItemView { color: %1; background: %2; border: 1px solid %3; "
                     "selection-color: %4; selection-background-color: %5; }\n")
                 .arg(k.baseText.name(), k.base.name(), k.border.name(), k.highlightText.name(), k.highlight.name());
    sheet += QString("QSlider::groove:vertical { background: %1; border: 1px solid %2; width: 4px; border-radius: 2px; }\n")
                 .arg(k.groove.name(), k.border.name());
    sheet += QString("QSlider::handle:vertical { background: %1; border: 1px solid %2; height: 9px; "
                     "margin: 0px -5px; border-radius: %3px; }\n")
                 .arg(QString("qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 %1, stop:1 %2)")
                          .arg(k.accent.lighter(140).name(), k.accent.name()),
                      k.accent.darker(140).name())
                 .arg(std::min(r, 4));
    return sheet;
}

QString menuStyleSheet(const Theme &theme)
{
    const ThemeColours &k = theme.colours;
    return QString("QMenu { color: %1; background: %2; border: 1px solid %3; border-radius: %4px; padding: 4px; }\n"
                   "QMenu::item { padding: 4px 24px 4px 18px; background: transparent; border-radius: %5px; }\n"
                   "QMenu::item:selected { color: %6; background: %7; }\n"
                   "QMenu::separator { height: 1px; background: %3; margin: 4px 6px; }\n")
        .arg(k.menuText.name(), k.menuBack.name(), k.border.name())
        .arg(std::min(theme.radius, 6))
        .arg(std::min(theme.radius, 4))
        .arg(k.highlightText.name(), k.highlight.name());
}

QPalette themePalette(const Theme &theme)
{
    const ThemeColours &k = theme.colours;
    QPalette p;
    p.setColor(QPalette::Window, k.window);
    p.setColor(QPalette::WindowText, k.text);
    p.setColor(QPalette::Base, k.base);
    p.setColor(QPalette::AlternateBase, k.groupBack);
    p.setColor(QPalette::Text, k.baseText);
    p.setColor(QPalette::Button, k.buttonBottom);
    p.setColor(QPalette::ButtonText, k.buttonText);
    p.setColor(QPalette::Highlight, k.highlight);
    p.setColor(QPalette::HighlightedText, k.highlightText);
    p.setColor(QPalette::ToolTipBase, k.menuBack);
    p.setColor(QPalette::ToolTipText, k.menuText);
    return p;
}

std::vector<ContrastPair> textPairs(const Theme &theme)
{
    const ThemeColours &k = theme.colours;
    return {
        {"label on dialog top", k.text, k.window},
        {"label on dialog bottom", k.text, k.windowEnd},
        {"label in group", k.text, k.groupBack},
        {"group title on dialog top", k.groupTitle, k.window},
        {"group title on dialog bottom", k.groupTitle, k.windowEnd},
        {"field text", k.baseText, k.base},
        {"button text on top", k.buttonText, k.buttonTop},
        {"button text on bottom", k.buttonText, k.buttonBottom},
        {"selected text", k.highlightText, k.highlight},
        {"menu text", k.menuText, k.menuBack},
    };
}

double contrastRatio(const QColor &a, const QColor &b)
{
    auto luminance = [](const QColor &colour) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QString themeName(const QWidget &widget) { return widget.property(ThemeProperty).toString(); }

bool ApplyDialogSkin(QWidget &frame, int32_t skin)
{
    const Theme *theme = themeForSkin(skin);
    if (!theme)
        return false;
    frame.setProperty(FrameProperty, true);
    frame.setAttribute(Qt::WA_StyledBackground, true);
    frame.setStyleSheet(dialogStyleSheet(*theme));
    // Set on every control: a style sheet keeps the frame's palette from reaching its children.
    const QPalette palette = themePalette(*theme);
    frame.setPalette(palette);
    for (QWidget *control : frame.findChildren<QWidget *>())
        control->setPalette(palette);
    frame.setProperty(ThemeProperty, QString::fromLatin1(theme->name));
    return true;
}

void ApplyMenuSkin(int32_t skin, std::initializer_list<QMenu *> menus)
{
    const Theme *theme = themeForSkin(skin);
    if (!theme)
        return;
    for (QMenu *menu : menus) {
        if (!menu)
            continue;
        menu->setPalette(themePalette(*theme));
        menu->setStyleSheet(menuStyleSheet(*theme));
        menu->setProperty(ThemeProperty, QString::fromLatin1(theme->name));
    }
}

} // namespace tb
