#include "CodecPorts.h"

#include "codecs/GogoTea.h"
#include "codecs/XaudioPlayer.h"

namespace tb {

void XaudioDecoderPort::SetOutputModule(int module) { decoder_.SetOutputModule(module); }
void XaudioDecoderPort::OutputOpen(const QString &name) { decoder_.OutputOpen(name); }
void XaudioDecoderPort::InputOpen(const QString &path) { decoder_.InputOpen(path); }
void XaudioDecoderPort::Play() { decoder_.Play(); }
void XaudioDecoderPort::Ping(int tag) { decoder_.Ping(tag); }
void XaudioDecoderPort::Pause() { decoder_.Pause(); }
void XaudioDecoderPort::Stop() { decoder_.Stop(); }
void XaudioDecoderPort::OutputClose() { decoder_.OutputClose(); }
void XaudioDecoderPort::InputClose() { decoder_.InputClose(); }

void GogoEncoderPort::SetBitRate(int kbps) { encoder_.SetBitRate(kbps); }
void GogoEncoderPort::SetEncodeType(EncodeChannelMode mode)
{
    // Both enumerations list the modes in the encoder's own order.
    encoder_.SetEncodeType(static_cast<TEncodeType>(mode));
}
void GogoEncoderPort::SetSourceFile(const QString &path) { encoder_.SetSourceFile(path); }
void GogoEncoderPort::SetDestinationFile(const QString &path) { encoder_.SetDestinationFile(path); }
void GogoEncoderPort::StartEncode() { encoder_.StartEncode(); }
void GogoEncoderPort::SuspendEncode() { encoder_.SuspendEncode(); }
void GogoEncoderPort::ResumeEncode() { encoder_.ResumeEncode(); }
void GogoEncoderPort::AbortEncode() { encoder_.AbortEncode(); }
QString GogoEncoderPort::LastErrorText() { return encoder_.LastErrorText(); }

static_assert(static_cast<int>(ecMono) == _MONO && static_cast<int>(ecStereo) == _STEREO &&
              static_cast<int>(ecJoint) == _JOINT && static_cast<int>(ecMsStereo) == _MSSTEREO &&
              static_cast<int>(ecDualChannel) == _DUALCHANNEL);

} // namespace tb

#include "Mp3ToWav.h"
#include "WavToMp3.h"

namespace tb {

void ConnectDecoderEvents(EventLink &link, TXaudioPlayer &decoder, Mp3ToWavConversion &conversion)
{
    link.bind(decoder.OnNotifyPlayerState,
              [&conversion](TXaudioPlayer *, int32_t state) { conversion.DecoderNotifyPlayerState(state); });
    link.bind(decoder.OnNotifyInputTimecode, [&conversion](TXaudioPlayer *, uint8_t h, uint8_t m, uint8_t s, uint8_t f) {
        conversion.DecoderNotifyInputTimecode(h, m, s, f);
    });
    link.bind(decoder.OnNotifyStreamDuration,
              [&conversion](TXaudioPlayer *, uint32_t duration) { conversion.DecoderNotifyStreamDuration(duration); });
    link.bind(decoder.OnNotifyError, [&conversion](TXaudioPlayer *, uint8_t, int16_t, const QString &message) {
        conversion.DecoderNotifyError(message);
    });
    link.bind(decoder.OnNotifyPong, [&conversion](TXaudioPlayer *, uint32_t tag) { conversion.DecoderNotifyPong(tag); });
}

void ConnectEncoderEvents(EventLink &link, TGogoTea &encoder, WavToMp3Conversion &conversion)
{
    link.bind(encoder.OnProgress, [&conversion](TGogoTea *, int now, int all) { conversion.EncoderProgress(now, all); });
    link.bind(encoder.OnError, [&conversion](TGogoTea *, int code) { conversion.EncoderError(code); });
    link.bind(encoder.OnFinish, [&conversion](TGogoTea *, bool aborted) { conversion.EncoderFinish(aborted); });
}

} // namespace tb
