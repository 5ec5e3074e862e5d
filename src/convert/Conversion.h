// One direction of conversion as the batch driver drives it: which files qualify, how a file
// is shown and started, and what the codec does when the batch holds, goes on or ends.
#pragma once

#include <QString>

namespace tb {

class Conversion {
public:
    virtual ~Conversion() = default;
    virtual QString DestinationFolder() const = 0;
    virtual QString DestinationExtension() const = 0; // ".wav" or ".mp3"
    virtual QString StatusPrefix() const = 0;
    // Whether a queued file can be converted at all (a silent test).
    virtual bool IsEligible(const QString &path) = 0;
    // After IsEligible said no: why the file could not be read, or empty when it was readable
    // but of a kind this direction passes over.
    virtual QString IneligibleReason() const { return {}; }
    // After StartFile failed: why, in the codec's or the system's words.
    virtual QString StartFailureReason() const { return {}; }
    // Title, format line and length of the file about to be converted.
    virtual void Display(const QString &path) = 0;
    // Starts one file; false when the codec refused it.
    virtual bool StartFile(const QString &source, const QString &destination, bool firstOfBatch) = 0;
    // The batch is over: the codec lets go of its files.
    virtual void EndBatch() = 0;
    // The stop question: hold the codec while it is open, then go on or stop for good.
    virtual void HoldForQuestion() = 0;
    virtual void ContinueAfterQuestion() = 0;
    // Stopping for good lets go of the files as the end of a batch does, unless a direction
    // says otherwise.
    virtual void StopAfterQuestion() { EndBatch(); }
    // The message shown when the batch has run to its end; empty for none.
    virtual QString EndMessage() const = 0;
};

} // namespace tb
