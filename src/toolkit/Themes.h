// The five colour themes of the dialogs and pop-up menus: "DeepBlue", "BlueGlass", "MacOS",
// "Protein" and "WinXP", chosen by their index. Each theme is one set of colours, turned into a
// style sheet and a palette, so every text/background pair can be checked for readability.
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

class QMenu;
class QWidget;

namespace tb {

struct ThemeColours {
    QColor window, windowEnd;         // dialog background, a gradient from top to bottom
    QColor text;                      // labels and check boxes
    QColor groupTitle;                // group box captions, drawn on the dialog background
    QColor groupBack;                 // the panel inside a group box
    QColor base, baseText;            // edit fields and combo boxes
    QColor buttonTop, buttonBottom;   // push button gradient
    QColor buttonText;
    QColor border;                    // frames of groups, fields and buttons
    QColor accent;                    // slider handles and the default button's frame
    QColor groove;                    // slider grooves
    QColor highlight, highlightText;  // selected items in lists and menus
    QColor menuBack, menuText;
};

struct Theme {
    const char *name;
    ThemeColours colours;
    int radius; // corner radius of frames and buttons, in pixels
};

// The themes in index order: 0 DeepBlue, 1 BlueGlass, 2 MacOS, 3 Protein, 4 WinXP.
const std::array<Theme, 5> &themes();
// The theme of a Skin value, or null when the value names none.
const Theme *themeForSkin(int32_t skin);

QString dialogStyleSheet(const Theme &theme);
QString menuStyleSheet(const Theme &theme);
QPalette themePalette(const Theme &theme);

// A text colour and the background it is drawn on.
struct ContrastPair {
    const char *what;
    QColor text, background;
};
std::vector<ContrastPair> textPairs(const Theme &theme);
// The contrast ratio of two colours (1 to 21), from their relative luminance.
double contrastRatio(const QColor &a, const QColor &b);

// The name of the theme a widget wears, empty when it was never given one.
QString themeName(const QWidget &widget);

// Gives a dialog frame and the controls on it the theme of Skin; any other value leaves the
// frame as it is. Returns whether a theme was applied.
bool ApplyDialogSkin(QWidget &frame, int32_t skin);
// The same for pop-up menus, in the order given; null entries are passed over.
void ApplyMenuSkin(int32_t skin, std::initializer_list<QMenu *> menus);

} // namespace tb
