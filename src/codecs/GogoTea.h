// TGogoTea: encodes PCM audio to MP3 with the encoder library encoder.so. The component keeps
// the encoder settings, hands them to the library when an encoding starts, lets its worker
// thread (TEncodeThread) encode frame by frame, and raises its events on the user-interface
// thread from the worker's reports.
#pragma once

#include "ByteRing.h"
#include "EncodeThread.h"
#include "ThreadPriority.h"
#include "platform/Exception.h"
#include "platform/MessageWindow.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>

namespace tb {

class EGogoTeaError : public Exception {
public:
    using Exception::Exception;
};

enum TEmphasis { _NO_EMPH, _5015MS_EMPH, _CCITT_EMPH };
enum TUseUnit { _USE_MMX, _USE_3DNOW, _USE_KNI, _USE_EX_3DNOW, _USE_SPC1, _USE_SPC2 };
enum TEncodeType { _MONO, _STEREO, _JOINT, _MSSTEREO, _DUALCHANNEL };
enum TEncodeMode { _FILE, _MEMORY };

// A set of processor units, one byte: bit i for the i-th member of TUseUnit.
class TSetOfUseUnit {
public:
    TSetOfUseUnit() = default;
    TSetOfUseUnit(std::initializer_list<TUseUnit> units)
    {
        for (TUseUnit u : units)
            Include(u);
    }
    bool Contains(TUseUnit u) const { return bits_ & (1u << u); }
    void Include(TUseUnit u) { bits_ = static_cast<uint8_t>(bits_ | (1u << u)); }
    void Exclude(TUseUnit u) { bits_ = static_cast<uint8_t>(bits_ & ~(1u << u)); }
    uint8_t Bits() const { return bits_; }
    bool operator==(const TSetOfUseUnit &other) const = default;

private:
    uint8_t bits_ = 0;
};

class TGogoTea : public QObject {
public:
    using TGogoTeaProgressEvent = std::function<void(TGogoTea *Sender, int nowFrames, int AllFrames)>;
    using TGogoTeaEncodeError = std::function<void(TGogoTea *Sender, int ErrorCode)>;
    using TGogoTeaFinishEncode = std::function<void(TGogoTea *Sender, bool IsAborted)>;

    static constexpr int RingBufferSize = 1048576;

    // executableFolder() + "encoder.so".
    static QString DefaultLibraryPath();

    // Loads the library (process-wide, counted; the path only matters for the first load) and
    // starts the worker. Throws EGogoTeaError "Lost encoder.so!" when the library or one of its
    // entry points is missing. Needs a Qt application object: the events arrive through it.
    explicit TGogoTea(QObject *parent = nullptr, const QString &libraryPath = DefaultLibraryPath());
    ~TGogoTea() override;

    void ApplyDefaults();
    // Hands the settings to the library; throws EGogoTeaError on failure.
    void PrepareEncode();
    // _FILE: prepares and starts. _MEMORY: starts what PrepareEncode prepared.
    void StartEncode();
    // Returns once the worker is parked; a suspended encoding holds its place and reports nothing.
    void SuspendEncode();
    void ResumeEncode();
    // While encoding: the worker stops and reports OnFinish(IsAborted = true). Idle: nothing.
    void AbortEncode();

    // _MEMORY input: copies up to bytes of interleaved 16-bit stereo 44.1 kHz PCM into the ring
    // buffer and returns how many it took; EndInput marks the end of the input.
    int WriteInput(const void *data, int bytes);
    void EndInput();

    // Properties. Every setter except SetPriority throws while IsEncoding.
    const QString &SourceFile() const { return sourceFile_; }
    void SetSourceFile(const QString &value);
    const QString &DestinationFile() const { return destinationFile_; }
    void SetDestinationFile(const QString &value);
    bool IsEncoding() const { return isEncoding_; }
    int Processors() const { return processors_; }
    void SetProcessors(int value);
    TEmphasis Emphasis() const { return emphasis_; }
    void SetEmphasis(TEmphasis value);
    TSetOfUseUnit Optimization() const { return optimization_; }
    void SetOptimization(TSetOfUseUnit value);
    TEncodeType EncodeType() const { return encodeType_; }
    void SetEncodeType(TEncodeType value);
    int EncodeResult() const { return encodeResult_; }
    int BitRate() const { return bitRate_; }
    void SetBitRate(int value);
    int AllFrames() const { return allFrames_; }
    int Frequency() const { return frequency_; }
    void SetFrequency(int value);
    bool UsePsyAnalize() const { return usePsyAnalize_; }
    void SetUsePsyAnalize(bool value);
    bool UseLPF() const { return useLPF_; }
    void SetUseLPF(bool value);
    bool UseVBR() const { return useVBR_; }
    void SetUseVBR(bool value);
    int VBRLevel() const { return vbrLevel_; }
    void SetVBRLevel(int value);
    TThreadPriority Priority() const { return priority_; }
    void SetPriority(TThreadPriority value);
    TEncodeMode EncodeMode() const { return encodeMode_; }
    void SetEncodeMode(TEncodeMode value);
    // Why the last encoding or preparation failed, in the library's words; empty when it cannot say.
    QString LastErrorText() const;
    // The library's values; 0 or empty when the call fails.
    uint32_t UnitStates() const;
    QString VersionString() const;
    uint32_t VersionCode() const;

    TGogoTeaProgressEvent OnProgress;
    TGogoTeaEncodeError OnError;
    TGogoTeaFinishEncode OnFinish;

private:
    // Posted to the notification window by ResumeEncode to hand over the reports held back
    // while the encoding was suspended.
    static constexpr uint32_t ReleaseHeldReports = 0x6FF;

    void CheckNotEncoding() const;
    // The worker's reports, delivered on the user-interface thread.
    void WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam);
    void DeliverHeldReports();
    void HandleReport(uint32_t msg, uintptr_t wparam, intptr_t lparam);
    // The library's read callback for _MEMORY input; runs on the worker thread.
    static int32_t ReadInput(void *buffer, int32_t length);

    const EncoderApi &api_;
    std::unique_ptr<TEncodeThread> worker_;
    QString sourceFile_;
    QString destinationFile_;
    bool isEncoding_ = false;
    bool prepared_ = false;
    int processors_ = 1;
    TEmphasis emphasis_ = _NO_EMPH;
    TSetOfUseUnit optimization_;
    TEncodeType encodeType_ = _JOINT;
    int encodeResult_ = 0;
    int bitRate_ = 128;
    std::unique_ptr<QtMessageWindow> window_;
    int allFrames_ = 0;
    int frequency_ = 100;
    bool usePsyAnalize_ = false;
    bool useLPF_ = false;
    bool useVBR_ = false;
    int vbrLevel_ = 5;
    TThreadPriority priority_ = tpIdle;
    // The _MEMORY input, written on the user-interface thread and read by the worker; both
    // guarded by ringLock_.
    std::unique_ptr<ByteRing> ring_;
    bool inputEnded_ = false;
    std::mutex ringLock_;
    TEncodeMode encodeMode_ = _FILE;
    std::atomic<bool> alive_{false};

    bool suspended_ = false;
    std::deque<std::tuple<uint32_t, uintptr_t, intptr_t>> heldReports_;
};

} // namespace tb
