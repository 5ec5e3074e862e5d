#include "WavePlayer.h"

#include <QtEndian>
#include <QPointer>

namespace tb {

WaveImage WaveImage::parse(const QByteArray &riff)
{
    WaveImage out;
    const auto *bytes = reinterpret_cast<const uchar *>(riff.constData());
    const qsizetype size = riff.size();
    if (size < 12 || riff.left(4) != "RIFF" || riff.mid(8, 4) != "WAVE")
        return out;
    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= size) {
        const QByteArray id = riff.mid(at, 4);
        const quint32 length = qFromLittleEndian<quint32>(bytes + at + 4);
        const qsizetype body = at + 8;
        if (static_cast<quint64>(length) > static_cast<quint64>(size - body))
            return out; // a chunk that runs past the end
        if (id == "fmt " && length >= 16) {
            const quint16 tag = qFromLittleEndian<quint16>(bytes + body);
            out.format.channels = qFromLittleEndian<quint16>(bytes + body + 2);
            out.format.rate = qFromLittleEndian<quint32>(bytes + body + 4);
            out.format.bitsPerSample = qFromLittleEndian<quint16>(bytes + body + 14);
            haveFormat = tag == 1 && (out.format.bitsPerSample == 8 || out.format.bitsPerSample == 16) &&
                         out.format.channels >= 1 && out.format.channels <= 2 && out.format.rate >= 4000 &&
                         out.format.rate <= 192000;
        } else if (id == "data" && haveFormat) {
            const qsizetype whole = length - length % out.format.bytesPerFrame();
            out.samples = riff.mid(body, whole);
            out.valid = !out.samples.isEmpty();
            return out;
        }
        at = body + length + (length & 1);
    }
    return out;
}

SoundChannel::SoundChannel(SinkFactory sinks) : sinks_(std::move(sinks)) {}

SoundChannel::~SoundChannel() { stop(); }

SoundChannel &SoundChannel::shared()
{
    static SoundChannel channel;
    return channel;
}

bool SoundChannel::playing() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return outstanding_ > 0;
}

bool SoundChannel::play(const WaveImage &sound, TWavePlayerOptions options)
{
    if ((options & wpoNoStop) && playing())
        return false;
    stop();
    if (!sound.valid)
        return false;
    current_ = sound;
    loop_ = (options & wpoLoop) && !(options & wpoSync);
    uint64_t generation;
    {
        std::lock_guard<std::mutex> hold(lock_);
        generation = ++generation_;
        outstanding_ = loop_ ? 2 : 1;
    }
    // Runs on the device's worker thread: it only counts and passes the notice on.
    auto done = [this, generation](uintptr_t) {
        std::lock_guard<std::mutex> hold(lock_);
        if (generation != generation_ || outstanding_ == 0)
            return;
        --outstanding_;
        ended_.notify_all();
        QMetaObject::invokeMethod(this, [this, generation] { finished(generation); }, Qt::QueuedConnection);
    };
    device_ = sinks_ ? std::make_unique<audio::WaveOutDevice>(sinks_(sound.format), done)
                     : std::make_unique<audio::WaveOutDevice>(sound.format, done);
    ++started_;
    // A looping sound keeps a second copy queued, so it repeats without a gap.
    for (unsigned i = 0; i < (loop_ ? 2u : 1u); ++i)
        device_->write(current_.samples.constData(), static_cast<size_t>(current_.samples.size()), i);
    if (options & wpoSync) {
        std::unique_lock<std::mutex> hold(lock_);
        ended_.wait(hold, [this] { return outstanding_ == 0; });
    }
    return true;
}

void SoundChannel::finished(uint64_t generation)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (generation != generation_)
            return;
        if (loop_) {
            ++outstanding_;
        } else if (outstanding_ > 0) {
            return;
        }
    }
    if (loop_) {
        device_->write(current_.samples.constData(), static_cast<size_t>(current_.samples.size()), 0);
        return;
    }
    device_.reset(); // quiet: give the output back
}

void SoundChannel::stop()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++generation_; // notices of the old sound are ignored from now on
        outstanding_ = 0;
    }
    loop_ = false;
    device_.reset();
}

TepWavePlayer::TepWavePlayer(const QString &name, QObject *parent) : QObject(parent) { setObjectName(name); }

TepWavePlayer::~TepWavePlayer()
{
    if (startedOne_)
        Stop();
}

void TepWavePlayer::setWave(const QByteArray &wave)
{
    wave_ = wave;
    parsed_ = WaveImage::parse(wave_);
}

void TepWavePlayer::Play()
{
    if (BeforePlay)
        BeforePlay(this);
    if (enabled_ && channel().play(parsed_, options_))
        startedOne_ = true;
    if (AfterPlay)
        AfterPlay(this);
}

void TepWavePlayer::Stop()
{
    channel().stop();
    startedOne_ = false;
}

} // namespace tb
