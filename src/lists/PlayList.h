// Playlist files: both conversion lists with their checked states and the active list, in
// an INI file. Open and Save, the load at start-up and the save at exit.
#pragma once

#include "ConversionLists.h"
#include "core/ProgramOptions.h"

#include <QString>
#include <vector>

namespace tb {

class TBigIniFile;

class TPlayLists {
public:
    static constexpr const char *PlayListID = "Tonebridge PlayList";
    static constexpr const char *Filter = "PlayList File (*.lst)|*.lst";

    TPlayLists(TConversionLists &lists, AppState &state, ProgramOptions &options, AppContext &context);

    // Replaces both lists by the file's content and activates the stored list. False, with a
    // message and nothing changed, when the file is not a playlist.
    bool LoadPlayList(const QString &path);
    // Writes both lists to the path; nothing when both are empty. An existing file is replaced
    // only after the user agreed, or without asking when `overwrite` is set and the file is a
    // playlist: a file of another kind is never replaced unasked. The old file stays whole
    // when the new one cannot be written; a read-only file raises "File access denied".
    void SavePlayList(const QString &path, bool overwrite);

    void btnOpenClick();
    void btnSaveClick();

    // Whether the file holds the playlist identification.
    static bool IsPlayListFile(const QString &path);

private:
    void saveThroughDialog();
    void loadList(TBigIniFile &ini, const QString &prefix, int32_t count, int32_t doWhat);

    TConversionLists &lists_;
    AppState &state_;
    ProgramOptions &options_;
    AppContext &context_;
};

// The section numbers present in the file for `prefix` (as "Mp3WavList-File" followed by the
// number, case ignored, no leading zeros) that lie below `count`, in ascending order. Looking up
// only these gives what looking up every number below the count would, in time bounded by the file.
std::vector<int32_t> ListSectionNumbers(const TBigIniFile &ini, const QString &prefix, int32_t count);

} // namespace tb
