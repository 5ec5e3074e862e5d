// Where everything sits on the main window's skin, in client pixels of the 437 x 463 picture.
// The window places its controls here and the artwork program draws their pictures here, so the
// two can never drift apart.
#pragma once

#include <QRect>
#include <array>

namespace tb {

inline constexpr int MainClientWidth = 437;
inline constexpr int MainClientHeight = 463;

struct ButtonPlace {
    const char *name;
    QRect rect; // left, top, width, height
    const char *hint;
};

// The hover buttons in hit-test order: where two rectangles overlap, the earlier one wins.
inline const std::array<ButtonPlace, 19> &mainButtonPlaces()
{
    static const std::array<ButtonPlace, 19> places{{
        {"btnHelp", QRect(12, 70, 21, 20), "Help"},
        {"btnMinimize", QRect(12, 90, 21, 20), "Minimize"},
        {"btnExit", QRect(12, 109, 21, 20), "Close"},
        {"btnSysHelp", QRect(332, 3, 21, 21), "Help"},
        {"btnSysMinimize", QRect(354, 3, 21, 21), "Minimize"},
        {"btnSysExit", QRect(376, 3, 21, 21), "Close"},
        {"btnAdd", QRect(35, 91, 32, 32), "Add files to current list."},
        {"btnRemove", QRect(30, 121, 34, 34), "Remove selected files from current list."},
        {"btnOpen", QRect(27, 151, 34, 34), "Open list..."},
        {"btnSave", QRect(27, 181, 34, 34), "Save current list as..."},
        {"btnMoveUp", QRect(27, 211, 34, 34), "Move a selected file up."},
        {"btnMoveDown", QRect(32, 241, 34, 34), "Move a selected file down."},
        {"btnPrevious", QRect(67, 357, 41, 57), "Previous"},
        {"btnPlay", QRect(105, 375, 41, 57), "Play checked files."},
        {"btnPause", QRect(146, 381, 41, 57), "Pause"},
        {"btnStop", QRect(184, 382, 41, 63), "Stop"},
        {"btnNext", QRect(230, 383, 41, 57), "Next"},
        {"btnConvert", QRect(351, 384, 56, 47), "Convert checked files."},
        {"btnOptions", QRect(370, 306, 27, 25), "Options..."},
    }};
    return places;
}

// The two bitmap sliders and the sizes of their thumb pictures.
inline constexpr QRect PlaySliderRect(84, 290, 267, 19);
inline constexpr QSize PlayThumbSize(23, 13);
inline constexpr QRect VolumeSliderRect(370, 94, 23, 175);
inline constexpr QSize VolumeThumbSize(13, 23);

// The tabs, the list panel and the information display.
inline constexpr QRect TabMp3WavRect(80, 31, 110, 22);
inline constexpr QRect TabWavMp3Rect(192, 31, 110, 22);
inline constexpr QRect ListAreaRect(80, 55, 278, 225);
inline constexpr QRect InfoDisplayRect(76, 313, 286, 41);

} // namespace tb
