#include "wavepipe/MainWavPlayer.h"

namespace tb {

std::unique_ptr<TMMWavePlayer> makeMainWavPlayer()
{
    auto player = std::make_unique<TMMWavePlayer>();
    player->Wave()->SetTimeFormat(tfMillisecond);
    player->SetBufferSize(2048);
    player->SetNumBuffers(10);
    player->SetDeviceID(0);
    player->SetTimeFormat(tfMillisecond);
    player->SetCallBackMode(cmWindow);
    player->SetLooping(false);
    player->SetLoopCount(0);
    player->ResetPosition = true;
    return player;
}

} // namespace tb
