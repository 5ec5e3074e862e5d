// Where the main window's command buttons sit, in hit-test order, with their hints.
#pragma once

#include <QRect>
#include <QStyle>
#include <array>

namespace tb {

struct ButtonPlace {
    const char *name;
    QRect rect; // client pixels: left, top, width, height
    const char *hint;
};

inline constexpr int MainClientWidth = 437;
inline constexpr int MainClientHeight = 463;

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

// The picture each command button shows until the skin draws them.
inline QStyle::StandardPixmap mainButtonGlyph(const QString &name)
{
    static const std::array<std::pair<const char *, QStyle::StandardPixmap>, 19> glyphs{{
        {"btnHelp", QStyle::SP_TitleBarContextHelpButton},
        {"btnMinimize", QStyle::SP_TitleBarMinButton},
        {"btnExit", QStyle::SP_TitleBarCloseButton},
        {"btnSysHelp", QStyle::SP_TitleBarContextHelpButton},
        {"btnSysMinimize", QStyle::SP_TitleBarMinButton},
        {"btnSysExit", QStyle::SP_TitleBarCloseButton},
        {"btnAdd", QStyle::SP_FileIcon},
        {"btnRemove", QStyle::SP_TrashIcon},
        {"btnOpen", QStyle::SP_DialogOpenButton},
        {"btnSave", QStyle::SP_DialogSaveButton},
        {"btnMoveUp", QStyle::SP_ArrowUp},
        {"btnMoveDown", QStyle::SP_ArrowDown},
        {"btnPrevious", QStyle::SP_MediaSkipBackward},
        {"btnPlay", QStyle::SP_MediaPlay},
        {"btnPause", QStyle::SP_MediaPause},
        {"btnStop", QStyle::SP_MediaStop},
        {"btnNext", QStyle::SP_MediaSkipForward},
        {"btnConvert", QStyle::SP_BrowserReload},
        {"btnOptions", QStyle::SP_FileDialogDetailedView},
    }};
    for (const auto &[button, glyph] : glyphs)
        if (name == QLatin1String(button))
            return glyph;
    return QStyle::SP_CustomBase;
}

// The rest of the window: the tabs, the list area and the information labels.
inline constexpr QRect TabMp3WavRect(75, 32, 110, 22);
inline constexpr QRect TabWavMp3Rect(187, 32, 110, 22);
inline constexpr QRect ListAreaRect(75, 56, 340, 236);

} // namespace tb
