// The playback decoder engine on the real decoder binding, and the routing of its notifications
// to the controller.
#pragma once

#include "PlayerPorts.h"

namespace tb {

class EventLink;
class PlaybackController;
class TXaudioPlayer;

class XaudioDecoderEngine : public DecoderEngine {
public:
    // The playback decoder runs at priority 3, above the conversion decoder.
    static constexpr uint32_t PlaybackPriority = 3;

    explicit XaudioDecoderEngine(TXaudioPlayer &player);
    void InputOpen(const QString &path) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void OutputClose() override;
    void InputClose() override;
    void InputSeek(int offset, int range) override;
    void Ping(uint32_t tag) override;

private:
    TXaudioPlayer &player_;
};

// Routes mp3Player's notifications to the controller. A failure leaving a handler goes to the
// error report, as from any other event.
void ConnectPlayerEvents(EventLink &link, TXaudioPlayer &player, PlaybackController &controller);

} // namespace tb
