// Files that reach the lists from outside the Add dialog: dropped from the file manager, named
// on the command line or handed over by a second start. A folder stands for the audio files in it.
#pragma once

#include <QString>
#include <QStringList>

namespace tb {

// Whether the name ends in an extension the lists are made for: .mp3, .mp2, .mp1 or .wav, in any case.
bool IsAudioFileName(const QString &path);

// The audio files the paths stand for, as absolute paths: a regular audio file stands for itself,
// a folder for the audio files below it (recursively, hidden entries and symbolic links to
// folders left out, sorted by path). Other files, missing paths, devices and pipes stand for
// nothing. The order of `paths` is kept; repeats are left to the lists' own duplicate rule.
QStringList CollectAudioFiles(const QStringList &paths);

} // namespace tb
