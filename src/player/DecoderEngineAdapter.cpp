#include "DecoderEngineAdapter.h"

#include "PlaybackController.h"
#include "core/EventLink.h"
#include "codecs/XaudioPlayer.h"
#include "platform/ErrorReport.h"

namespace tb {

XaudioDecoderEngine::XaudioDecoderEngine(TXaudioPlayer &player) : player_(player)
{
    player_.SetPriority(PlaybackPriority);
}

void XaudioDecoderEngine::InputOpen(const QString &path) { player_.InputOpen(path); }
void XaudioDecoderEngine::Play() { player_.Play(); }
void XaudioDecoderEngine::Pause() { player_.Pause(); }
void XaudioDecoderEngine::Stop() { player_.Stop(); }
void XaudioDecoderEngine::OutputClose() { player_.OutputClose(); }
void XaudioDecoderEngine::InputClose() { player_.InputClose(); }
void XaudioDecoderEngine::InputSeek(int offset, int range) { player_.InputSeek(offset, range); }
void XaudioDecoderEngine::Ping(uint32_t tag) { player_.Ping(static_cast<int>(tag)); }

void ConnectPlayerEvents(EventLink &link, TXaudioPlayer &player, PlaybackController &controller)
{
    link.bind(player.OnNotifyPlayerState, [&controller](TXaudioPlayer *, int32_t state) {
        ErrorReport::run([&] { controller.mp3PlayerNotifyPlayerState(state); });
    });
    link.bind(player.OnNotifyInputPosition, [&controller](TXaudioPlayer *, uint32_t offset, uint32_t range) {
        ErrorReport::run([&] { controller.mp3PlayerNotifyInputPosition(offset, range); });
    });
    link.bind(player.OnNotifyStreamDuration, [&controller](TXaudioPlayer *, uint32_t duration) {
        ErrorReport::run([&] { controller.mp3PlayerNotifyStreamDuration(duration); });
    });
    link.bind(player.OnNotifyInputTimecode, [&controller](TXaudioPlayer *, uint8_t h, uint8_t m, uint8_t s, uint8_t f) {
        ErrorReport::run([&] { controller.mp3PlayerNotifyInputTimecode(h, m, s, f); });
    });
    link.bind(player.OnNotifyError, [&controller](TXaudioPlayer *, uint8_t, int16_t, const QString &) {
        ErrorReport::run([&] { controller.mp3PlayerNotifyError(); });
    });
    link.bind(player.OnNotifyPong, [&controller](TXaudioPlayer *, uint32_t tag) {
        ErrorReport::run([&] { controller.mp3PlayerNotifyPong(tag); });
    });
}

} // namespace tb
