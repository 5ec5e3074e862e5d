// Threads: the component's methods and events run on the user-interface thread; ReadInput runs
// on the encoder's worker thread (TEncodeThread).
// Lock order: memoryInstanceLock, then a component's ringLock_. The worker's own lock
// (TEncodeThread::lock_) is never taken while either is held.
#include "GogoTea.h"

#include "platform/FileSystem.h"
#include "platform/PathBytes.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <thread>
#include <tuple>

namespace tb {

namespace {

const char *const TextLost = "Lost encoder.so!";
const char *const TextBusy = "エンコード中に設定は変更できません";
const char *const TextNoFpu = "FPUがありません";
const char *const TextBadSettings = "設定に誤りがあります.";
const char *const TextFrequency = "Furequencyは1以上です.";
const char *const TextVbrLevel = "VBRLevelは0～9の範囲です.";

// The instance whose ring buffer feeds _MEMORY input: the last one constructed.
std::mutex memoryInstanceLock;
TGogoTea *memoryInstance = nullptr;

// How long destruction waits for the worker to leave. The program ends its encoder beside its
// two decoders and its wave outputs on the way out, so the wait stays small: a worker that has
// not left by then is held in the system.
constexpr int QuitWaitMs = 100;

// Item values of the emphasis kinds, in TEmphasis order.
constexpr int32_t EmphasisValue[] = {0, 1, 3};
// The unit-state bit each processor unit needs, in TUseUnit order (0: no test).
constexpr uint32_t UnitBit[] = {MU_MMX, MU_3DNOW, MU_SSE, MU_E3DNOW, 0, 0};

} // namespace

QString TGogoTea::DefaultLibraryPath() { return executableFolder() + "encoder.so"; }

TGogoTea::TGogoTea(QObject *parent, const QString &libraryPath) : QObject(parent), api_(EncoderLibrary::Api())
{
    ApplyDefaults();
    if (!EncoderLibrary::Load(libraryPath))
        throw EGogoTeaError(QString::fromUtf8(TextLost));
    worker_ = std::make_unique<TEncodeThread>(api_);
    window_ = std::make_unique<QtMessageWindow>();
    window_->setHandler([this](uint32_t msg, uintptr_t wparam, intptr_t lparam) { WindowProc(msg, wparam, lparam); });
    worker_->SetWindow(window_->handle());
    {
        std::lock_guard<std::mutex> hold(memoryInstanceLock);
        memoryInstance = this;
    }
    alive_ = true;
    worker_->Start();
}

TGogoTea::~TGogoTea()
{
    alive_ = false;
    {
        std::lock_guard<std::mutex> hold(memoryInstanceLock);
        if (memoryInstance == this)
            memoryInstance = nullptr;
    }
    worker_->PostRequest(TEncodeThread::RequestQuit);
    worker_->Resume();
    // The worker leaves between two frames. One blocked in the system is not waited for: it is
    // left alive with everything it uses (its window and the loaded library) until the process
    // ends, so the program never hangs on its way out. The ring buffer is not among them: the
    // worker reaches it only through memoryInstance, which no longer names this component.
    const bool left = worker_->TerminateAndWait(std::chrono::milliseconds(QuitWaitMs));
    {
        std::lock_guard<std::mutex> hold(ringLock_);
        ring_.reset();
    }
    if (!left) {
        (void)worker_.release();
        window_->setHandler({}); // its reports no longer reach this component
        (void)window_.release();
        return;
    }
    worker_.reset();
    window_.reset();
    EncoderLibrary::Release();
}

QString TGogoTea::LastErrorText() const
{
    if (!api_.getLastError)
        return {};
    char text[512] = {};
    return api_.getLastError(text, sizeof text) == MPGE_OK ? pathFromBytes(text) : QString();
}

void TGogoTea::ApplyDefaults()
{
    {
        std::lock_guard<std::mutex> hold(ringLock_);
        if (!ring_)
            ring_ = std::make_unique<ByteRing>(RingBufferSize);
        ring_->clear();
        inputEnded_ = false;
    }
    bitRate_ = 128;
    encodeType_ = _JOINT;
    optimization_ = {_USE_MMX, _USE_3DNOW, _USE_KNI, _USE_EX_3DNOW};
    emphasis_ = _NO_EMPH;
    processors_ = 1;
    usePsyAnalize_ = false;
    useLPF_ = false;
    useVBR_ = false;
    vbrLevel_ = 5;
    destinationFile_.clear();
    sourceFile_.clear();
    priority_ = tpIdle;
    frequency_ = 100;
    encodeMode_ = _FILE;
    allFrames_ = 0;
    encodeResult_ = 0;
}

void TGogoTea::CheckNotEncoding() const
{
    if (isEncoding_)
        throw EGogoTeaError(QString::fromUtf8(TextBusy));
}

void TGogoTea::PrepareEncode()
{
    if (isEncoding_ || prepared_)
        throw EGogoTeaError(QString::fromUtf8(TextBusy));
    {
        std::lock_guard<std::mutex> hold(ringLock_);
        inputEnded_ = false;
    }
    encodeResult_ = api_.initializeWork();
    if (encodeResult_ != 0)
        throw EGogoTeaError(QString::fromUtf8(TextNoFpu));

    const QByteArray source = pathToBytes(sourceFile_);
    const MPGE_USERFUNC memoryInput{&TGogoTea::ReadInput, -1, 16, 44100, 2};
    if (encodeMode_ == _FILE)
        api_.setConfigure(MC_INPUTFILE, MC_INPDEV_FILE, source.constData());
    else
        api_.setConfigure(MC_INPUTFILE, MC_INPDEV_USERFUNC, &memoryInput);
    const QByteArray destination = pathToBytes(destinationFile_);
    api_.setConfigure(MC_OUTPUTFILE, 0, destination.constData());
    api_.setConfigure(MC_USEPSY, usePsyAnalize_ ? 1 : 0, nullptr);
    api_.setConfigure(MC_BITRATE, bitRate_, nullptr);
    api_.setConfigure(MC_USELPF16, useLPF_ ? 1 : 0, nullptr);
    if (useVBR_)
        api_.setConfigure(MC_VBR, vbrLevel_, nullptr);

    TSetOfUseUnit units = optimization_;
    for (int u = _USE_MMX; u <= _USE_EX_3DNOW; ++u)
        if (!(UnitStates() & UnitBit[u]))
            units.Exclude(static_cast<TUseUnit>(u));
    for (int u = _USE_MMX; u <= _USE_SPC2; ++u)
        api_.setConfigure(MC_USEMMX + u, units.Contains(static_cast<TUseUnit>(u)) ? 1 : 0, nullptr);

    api_.setConfigure(MC_EMPHASIS, EmphasisValue[emphasis_], nullptr);
    api_.setConfigure(MC_ENCODEMODE, static_cast<int32_t>(encodeType_), nullptr);

    encodeResult_ = api_.detectConfigure();
    if (encodeResult_ != 0) {
        prepared_ = false;
        throw EGogoTeaError(QString::fromUtf8(TextBadSettings));
    }
    {
        std::lock_guard<std::mutex> hold(ringLock_);
        ring_->clear();
    }
    int32_t frames = 0;
    api_.getConfigure(MG_FRAMES, &frames);
    allFrames_ = frames;
    prepared_ = true;
}

void TGogoTea::StartEncode()
{
    // A second start before the first encoding ends is refused in both modes.
    CheckNotEncoding();
    if (encodeMode_ == _FILE)
        PrepareEncode();
    encodeResult_ = 0;
    worker_->SetPriority(priority_);
    isEncoding_ = true;
    worker_->PostRequest(TEncodeThread::RequestStart, static_cast<uintptr_t>(allFrames_), frequency_);
}

void TGogoTea::SuspendEncode()
{
    suspended_ = true;
    worker_->Suspend();
}

void TGogoTea::ResumeEncode()
{
    if (!suspended_)
        return;
    suspended_ = false;
    // Reports that reached the window while suspended are handed over in their order, after
    // any that are still on their way and before anything the resumed worker reports.
    if (!heldReports_.empty())
        window_->post(ReleaseHeldReports, 0, 0);
    worker_->Resume();
}

void TGogoTea::AbortEncode()
{
    if (isEncoding_)
        worker_->PostRequest(TEncodeThread::RequestAbort);
}

int TGogoTea::WriteInput(const void *data, int bytes)
{
    std::lock_guard<std::mutex> hold(ringLock_);
    if (!ring_ || bytes <= 0)
        return 0;
    return static_cast<int>(ring_->write(data, static_cast<size_t>(bytes)));
}

void TGogoTea::EndInput()
{
    std::lock_guard<std::mutex> hold(ringLock_);
    inputEnded_ = true;
}

int32_t TGogoTea::ReadInput(void *buffer, int32_t length)
{
    auto *to = static_cast<uint8_t *>(buffer);
    const size_t wanted = length > 0 ? static_cast<size_t>(length) : 0;
    for (;;) {
        {
            std::lock_guard<std::mutex> holdInstance(memoryInstanceLock);
            TGogoTea *self = memoryInstance;
            if (!self || !self->alive_) {
                // Nobody feeds the input any longer: it has ended.
                std::memset(to, 0, wanted);
                return 1;
            }
            std::lock_guard<std::mutex> hold(self->ringLock_);
            if (self->ring_->available() >= wanted || self->inputEnded_) {
                const size_t copied = self->ring_->read(to, wanted);
                std::memset(to + copied, 0, wanted - copied);
                return copied > 0 || wanted == 0 ? 0 : 1;
            }
        }
        // Waiting for input must not keep the worker from its requests: an abort or a quit
        // gets a frame of silence so the worker comes back to read it, and a suspension parks here.
        if (TEncodeThread *worker = TEncodeThread::Current()) {
            if (worker->StopPending()) {
                std::memset(to, 0, wanted);
                return 0;
            }
            worker->ParkIfSuspended();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TGogoTea::WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    if (msg == ReleaseHeldReports) {
        DeliverHeldReports();
        return;
    }
    if (msg < TEncodeThread::ReportInputFinished || msg > TEncodeThread::ReportProgress)
        return; // nothing else is meant for this window
    heldReports_.emplace_back(msg, wparam, lparam);
    DeliverHeldReports();
}

void TGogoTea::DeliverHeldReports()
{
    while (!suspended_ && !heldReports_.empty()) {
        auto [msg, wparam, lparam] = heldReports_.front();
        heldReports_.pop_front();
        HandleReport(msg, wparam, lparam);
    }
}

void TGogoTea::HandleReport(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    switch (msg) {
    case TEncodeThread::ReportError:
        // The encoding counts as running until its finish report: the worker is still
        // closing the coder, so a new encoding must not start in between.
        prepared_ = false;
        encodeResult_ = static_cast<int>(static_cast<intptr_t>(wparam));
        if (OnError)
            OnError(this, encodeResult_);
        break;
    case TEncodeThread::ReportFinished:
        isEncoding_ = false;
        prepared_ = false;
        if (OnFinish)
            OnFinish(this, static_cast<intptr_t>(wparam) != 0);
        break;
    case TEncodeThread::ReportProgress:
        if (OnProgress)
            OnProgress(this, static_cast<int>(wparam), static_cast<int>(lparam));
        break;
    default: break; // input finished: no event
    }
}

void TGogoTea::SetSourceFile(const QString &value)
{
    CheckNotEncoding();
    sourceFile_ = value;
}

void TGogoTea::SetDestinationFile(const QString &value)
{
    CheckNotEncoding();
    destinationFile_ = value;
}

void TGogoTea::SetProcessors(int value)
{
    CheckNotEncoding();
    processors_ = value;
}

void TGogoTea::SetEmphasis(TEmphasis value)
{
    CheckNotEncoding();
    emphasis_ = value;
}

void TGogoTea::SetOptimization(TSetOfUseUnit value)
{
    CheckNotEncoding();
    optimization_ = value;
}

void TGogoTea::SetEncodeType(TEncodeType value)
{
    CheckNotEncoding();
    encodeType_ = value;
}

void TGogoTea::SetBitRate(int value)
{
    CheckNotEncoding();
    bitRate_ = value;
}

void TGogoTea::SetFrequency(int value)
{
    CheckNotEncoding();
    if (value <= 0)
        throw EGogoTeaError(QString::fromUtf8(TextFrequency));
    frequency_ = value;
}

void TGogoTea::SetUsePsyAnalize(bool value)
{
    CheckNotEncoding();
    usePsyAnalize_ = value;
}

void TGogoTea::SetUseLPF(bool value)
{
    CheckNotEncoding();
    useLPF_ = value;
}

void TGogoTea::SetUseVBR(bool value)
{
    CheckNotEncoding();
    useVBR_ = value;
}

void TGogoTea::SetVBRLevel(int value)
{
    CheckNotEncoding();
    if (value < 0 || value > 9)
        throw EGogoTeaError(QString::fromUtf8(TextVbrLevel));
    vbrLevel_ = value;
}

void TGogoTea::SetPriority(TThreadPriority value)
{
    priority_ = value;
    if (worker_)
        worker_->SetPriority(value);
}

void TGogoTea::SetEncodeMode(TEncodeMode value)
{
    CheckNotEncoding();
    encodeMode_ = value;
}

uint32_t TGogoTea::UnitStates() const
{
    uint32_t states = 0;
    return api_.getUnitStates && api_.getUnitStates(&states) == 0 ? states : 0;
}

uint32_t TGogoTea::VersionCode() const
{
    uint32_t code = 0;
    char text[MPGE_VERSION_TEXT_SIZE] = {};
    return api_.getVersion && api_.getVersion(&code, text) == 0 ? code : 0;
}

QString TGogoTea::VersionString() const
{
    uint32_t code = 0;
    char text[MPGE_VERSION_TEXT_SIZE] = {};
    if (!api_.getVersion || api_.getVersion(&code, text) != 0)
        return {};
    text[MPGE_VERSION_TEXT_SIZE - 1] = 0;
    return QString::fromLocal8Bit(text);
}

} // namespace tb
