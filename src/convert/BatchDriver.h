// The conversion batch: builds the queue from the checked files of the active list, asks, picks
// each file by the overwrite policy, enters and leaves the converting state. The two conversion
// directions plug in as Conversion objects and call FileFinished/FileFailed as files complete.
#pragma once

#include "Conversion.h"
#include "ConvertPorts.h"
#include "core/AppState.h"
#include "core/ProgramOptions.h"
#include "audioinfo/InfoView.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"

#include <QStringList>

namespace tb {

enum OutputModes { omAskMe = 0, omOverwrite = 1, omSkip = 2 };

class BatchDriver {
public:
    // The driver enters and leaves the converting state through `activity`.
    BatchDriver(AppState &state, ActivityControl &activity, ProgramOptions &options, Dialogs &dialogs, Shell &shell,
                FileSystem &fileSystem, ConvertWindowPort &window, InfoView &info);

    // The two directions, indexed by DoWhat.
    void Attach(Conversion *mp3ToWav, Conversion *wavToMp3);

    // The convert button: start a batch when idle, offer to stop it while converting.
    void btnConvertClick();

    // Called by the conversions when the current file is done (or failed, and why): picks the
    // next file and starts it, or ends the batch.
    void FileFinished();
    void FileFailed(const QString &reason);

    // Destination: the folder, then the source's file name with its extension replaced.
    static QString DestinationFor(const QString &folder, const QString &source, const QString &extension);

    int CurrentIndex() const { return currentIndex_; }
    int BatchOutputMode() const { return batchOutputMode_; }
    QString CurrentFile() const;
    QStringList FailedFiles() const;
    bool IsConverting() const { return state_.ActivityState == asConverting; }

    struct Failure {
        QString path;
        QString reason;
    };
    const QList<Failure> &Failures() const { return failures_; }
    // Files of a kind the direction passes over (WAV files that are not PCM).
    int PassedOverCount() const { return passedOver_; }

    // What the end of a batch says about the files that did not convert: how many of how many
    // checked files failed, each as "file name: reason", and how many were passed over.
    // Empty when there is nothing to tell.
    static QString FailureSummary(int32_t doWhat, const QList<Failure> &failures, int queued, int passedOver);

private:
    enum class Verdict { Take, PassOver, Abort };

    Conversion &Active() const;
    QString Destination(const QString &source) const;
    void StartBatch();
    void ConfirmStop();
    void EnableAllCheckBoxes(ConversionListPort &list);
    // Examines candidates from `from` on; true when one was taken (CurrentIndex names it).
    bool SelectFrom(int from);
    Verdict Examine(int index);
    void MakeCurrentRow(const QString &path);
    // Makes the file's row current, shows the file and starts it; false when the codec refused it.
    bool ShowAndStart(const QString &path, bool firstOfBatch);
    // Shows and starts candidates until one starts; false when none is left.
    bool StartNext();
    void EndBatch();
    void ResetToIdle(bool batchEnded);

    AppState &state_;
    ActivityControl &activity_;
    ProgramOptions &options_;
    Dialogs &dialogs_;
    Shell &shell_;
    FileSystem &fileSystem_;
    ConvertWindowPort &window_;
    InfoView &info_;
    Conversion *conversions_[2] = {nullptr, nullptr};
    int currentIndex_ = 0;
    int batchOutputMode_ = omAskMe;
    QList<Failure> failures_;
    int passedOver_ = 0;
    // A file that completes while the stop question is open is moved on from only after the
    // answer, so a No never restarts a file that has already ended.
    bool questionOpen_ = false;
    bool finishedDuringQuestion_ = false;
};

} // namespace tb
