#include "BatchDriver.h"

#include "audioinfo/Describe.h"
#include "platform/PathBytes.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace tb {

namespace {
const char *const StartQuestions[2] = {
    "Now, all checked MP3 files will be converted to WAV files,\n"
    "click the button again to stop converting, continue?",
    "Now, all checked WAV files will be converted to MP3 files,\n"
    "click the button again to stop converting, continue?",
};

// True when both names lead to one file on disk (links and case-folding file systems included).
bool sameFileOnDisk(const QString &a, const QString &b)
{
    struct stat sa {}, sb {};
    if (::stat(pathToBytes(a).constData(), &sa) != 0 || ::stat(pathToBytes(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
} // namespace

BatchDriver::BatchDriver(AppState &state, ActivityControl &activity, ProgramOptions &options, Dialogs &dialogs,
                         Shell &shell, FileSystem &fileSystem, ConvertWindowPort &window, InfoView &info)
    : state_(state), activity_(activity), options_(options), dialogs_(dialogs), shell_(shell), fileSystem_(fileSystem), window_(window),
      info_(info)
{
}

void BatchDriver::Attach(Conversion *mp3ToWav, Conversion *wavToMp3)
{
    conversions_[ListIndexOf(dwMp3ToWav)] = mp3ToWav;
    conversions_[ListIndexOf(dwWavToMp3)] = wavToMp3;
}

Conversion &BatchDriver::Active() const { return *conversions_[ListIndexOf(state_.DoWhat)]; }

QString BatchDriver::CurrentFile() const
{
    return currentIndex_ >= 0 && currentIndex_ < state_.FileQueue.size() ? state_.FileQueue[currentIndex_] : QString();
}

QString BatchDriver::DestinationFor(const QString &folder, const QString &source, const QString &extension)
{
    QString name = source.mid(source.lastIndexOf('/') + 1);
    int dot = name.lastIndexOf('.');
    if (dot >= 0)
        name.truncate(dot);
    return folder + name + extension;
}

QString BatchDriver::Destination(const QString &source) const
{
    const Conversion &c = Active();
    return DestinationFor(c.DestinationFolder(), source, c.DestinationExtension());
}

void BatchDriver::btnConvertClick()
{
    switch (state_.ActivityState) {
    case asPlaying:
        dialogs_.message(QStringLiteral("Please stop playing at first!"));
        break;
    case asConverting:
        ConfirmStop();
        break;
    case asIdle:
        StartBatch();
        break;
    }
}

void BatchDriver::EnableAllCheckBoxes(ConversionListPort &list)
{
    for (int row = 0; row < list.RowCount(); ++row) {
        // Keeps a long list responsive: repaints and codec news are handled between rows.
        window_.ProcessPendingEvents();
        list.SetRowCheckBoxEnabled(row, true);
    }
}

void BatchDriver::StartBatch()
{
    ConversionListPort &list = window_.List(state_.DoWhat);
    if (list.RowCount() == 0)
        return;
    state_.FileQueue.clear();
    for (int row = 0; row < list.RowCount(); ++row) {
        // As above; the rows already passed have their check boxes disabled, so no click
        // changes what is being queued.
        window_.ProcessPendingEvents();
        list.SetRowCheckBoxEnabled(row, false);
        QString path = list.RowPath(row);
        if (list.RowChecked(row) && fileSystem_.fileExists(path))
            state_.FileQueue << path;
    }
    if (state_.FileQueue.isEmpty()) {
        dialogs_.message(QStringLiteral("At least check one item!"));
        EnableAllCheckBoxes(list);
        return;
    }
    if (!dialogs_.confirm(QString::fromLatin1(StartQuestions[ListIndexOf(state_.DoWhat)]))) {
        EnableAllCheckBoxes(list);
        return;
    }
    window_.Repaint();
    // Only the three known modes; anything else asks, so nothing is overwritten unasked.
    batchOutputMode_ = (options_.OutputMode >= omAskMe && options_.OutputMode <= omSkip) ? options_.OutputMode : omAskMe;
    failures_.clear();
    passedOver_ = 0;

    if (!SelectFrom(0)) {
        EnableAllCheckBoxes(list);
        const QString summary = FailureSummary(state_.DoWhat, failures_, state_.FileQueue.size(), passedOver_);
        if (!summary.isEmpty())
            dialogs_.message(summary);
        return;
    }
    const bool started = ShowAndStart(CurrentFile(), true);

    window_.EnterConvertingLook();
    activity_.SetActivityState(asConverting);
    SetStatus(info_, Active().StatusPrefix());
    if (!started)
        FileFailed(Active().StartFailureReason());
}

QStringList BatchDriver::FailedFiles() const
{
    QStringList paths;
    for (const Failure &f : failures_)
        paths << f.path;
    return paths;
}

BatchDriver::Verdict BatchDriver::Examine(int index)
{
    currentIndex_ = index;
    // Lets the window repaint and the codecs report between candidates; a candidate is judged
    // only on what the file system says now.
    window_.ProcessPendingEvents();
    const QString path = state_.FileQueue[index];
    if (!Active().IsEligible(path)) {
        const QString reason = Active().IneligibleReason();
        if (reason.isEmpty())
            ++passedOver_;
        else
            failures_.append({path, reason});
        return Verdict::PassOver;
    }
    const QString destination = Destination(path);
    if (!fileSystem_.fileExists(destination))
        return Verdict::Take;
    if (sameFileOnDisk(path, destination)) {
        // Converting a file onto itself would destroy it.
        failures_.append({path, QStringLiteral("the destination is the file itself")});
        return Verdict::PassOver;
    }
    switch (batchOutputMode_) {
    case omOverwrite:
        return Verdict::Take;
    case omSkip:
        return Verdict::PassOver;
    default:
        break;
    }
    const QString folder = Active().DestinationFolder();
    Answer answer = dialogs_.confirmYesNoAbort(QStringLiteral("The destionation file has existed, overwrite it?\n") +
                                               folder + destination.mid(folder.size()));
    window_.Repaint();
    switch (answer) {
    case Answer::Yes:
        // Nothing is deleted beforehand: the codec replaces the file once the new one is complete.
        return Verdict::Take;
    case Answer::No:
        return Verdict::PassOver;
    default:
        return Verdict::Abort;
    }
}

bool BatchDriver::SelectFrom(int from)
{
    const int count = static_cast<int>(state_.FileQueue.size());
    for (int index = from; index < count; ++index) {
        Verdict verdict = Examine(index);
        if (verdict == Verdict::Take)
            return true;
        if (verdict == Verdict::Abort)
            break;
    }
    currentIndex_ = count;
    return false;
}

void BatchDriver::MakeCurrentRow(const QString &path)
{
    ConversionListPort &list = window_.List(state_.DoWhat);
    list.ClearSelection();
    for (int row = 0; row < list.RowCount(); ++row) {
        if (list.RowPath(row).compare(path, Qt::CaseInsensitive) == 0) {
            list.SetCurrentRow(row);
            return;
        }
    }
}

void BatchDriver::FileFinished()
{
    if (!IsConverting())
        return;
    if (questionOpen_) {
        finishedDuringQuestion_ = true;
        return;
    }
    // Lets the window catch up (the last timecode of the finished file) before the next one starts.
    window_.ProcessPendingEvents();
    if (!StartNext())
        EndBatch();
}

void BatchDriver::FileFailed(const QString &reason)
{
    if (!IsConverting())
        return;
    failures_.append({CurrentFile(), reason});
    FileFinished();
}

bool BatchDriver::ShowAndStart(const QString &path, bool firstOfBatch)
{
    MakeCurrentRow(path);
    Active().Display(path);
    // The next files of a batch find the folder there already.
    if (firstOfBatch)
        fileSystem_.createFolders(Active().DestinationFolder());
    return Active().StartFile(path, Destination(path), firstOfBatch);
}

bool BatchDriver::StartNext()
{
    // A file the codec refuses counts as failed and the next one is tried, so a batch never
    // waits for a file that will not come.
    while (SelectFrom(currentIndex_ + 1)) {
        const QString path = CurrentFile();
        if (ShowAndStart(path, false)) {
            SetStatus(info_, Active().StatusPrefix());
            return true;
        }
        failures_.append({path, Active().StartFailureReason()});
    }
    return false;
}

void BatchDriver::EndBatch()
{
    Active().EndBatch();
    ResetToIdle(true);
}

void BatchDriver::ConfirmStop()
{
    Conversion &conversion = Active();
    conversion.HoldForQuestion();
    questionOpen_ = true;
    finishedDuringQuestion_ = false;
    bool stop = dialogs_.confirm(QStringLiteral("Are you sure you want to stop converting?"));
    // Lets a completion that was already on its way when the question opened reach
    // FileFinished, which only records it while questionOpen_ holds; the answer then decides.
    window_.ProcessPendingEvents();
    questionOpen_ = false;
    window_.Repaint();
    if (stop) {
        conversion.StopAfterQuestion();
        ResetToIdle(false);
    } else if (finishedDuringQuestion_) {
        finishedDuringQuestion_ = false;
        FileFinished();
    } else {
        conversion.ContinueAfterQuestion();
    }
}

void BatchDriver::ResetToIdle(bool batchEnded)
{
    ConversionListPort &list = window_.List(state_.DoWhat);
    for (int row = 0; row < list.RowCount(); ++row)
        list.SetRowCheckBoxEnabled(row, true);
    list.ClearSelection();
    list.SetAutoPopup(true);
    window_.ResetPositionSlider();
    window_.LeaveConvertingLook();
    ShowIdle(info_);
    activity_.SetActivityState(asIdle);
    if (batchEnded) {
        // "All ... converted" only when it is true; otherwise the summary says what failed.
        QString message = failures_.isEmpty() ? Active().EndMessage() : QString();
        const QString summary = FailureSummary(state_.DoWhat, failures_, state_.FileQueue.size(), passedOver_);
        if (!summary.isEmpty())
            message += (message.isEmpty() ? QString() : QStringLiteral("\n\n")) + summary;
        if (!message.isEmpty())
            dialogs_.message(message);
    }
    if (options_.IsDoneOpenDir)
        shell_.openFolder(Active().DestinationFolder());
}

QString BatchDriver::FailureSummary(int32_t doWhat, const QList<Failure> &failures, int queued, int passedOver)
{
    QStringList lines;
    if (!failures.isEmpty()) {
        const QString kind = doWhat == dwWavToMp3 ? QStringLiteral("WAV") : QStringLiteral("MP3");
        lines << QStringLiteral("%1 of %2 checked %3 %4 could not be converted:")
                     .arg(failures.size())
                     .arg(queued)
                     .arg(kind, queued == 1 ? QStringLiteral("file") : QStringLiteral("files"));
        const int shown = 20;
        for (int i = 0; i < failures.size() && i < shown; ++i) {
            const Failure &f = failures[i];
            const QString reason = f.reason.isEmpty() ? QStringLiteral("the reason is unknown") : f.reason;
            lines << displayPath(FileNameOf(f.path)) + QStringLiteral(": ") + reason;
        }
        if (failures.size() > shown)
            lines << QStringLiteral("... and %1 more").arg(failures.size() - shown);
    }
    if (passedOver == 1)
        lines << QStringLiteral("1 file was not PCM WAV and was passed over");
    else if (passedOver > 1)
        lines << QStringLiteral("%1 files were not PCM WAV and were passed over").arg(passedOver);
    return lines.join('\n');
}

} // namespace tb
