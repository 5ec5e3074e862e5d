// The system media player (sysPlayer) on Qt Multimedia: a QMediaPlayer with a QAudioOutput on
// the default device, driven through the operations of a media control interface. The player is
// created at the first use, so a program that never plays through it never starts the media
// framework.
#pragma once

#include "PlayerPorts.h"
#include "platform/Exception.h"

#include <QString>
#include <memory>
#include <optional>

class QMediaPlayer;
class QAudioOutput;

namespace tb {

// A media control command the player refused.
class EMciError : public Exception {
public:
    using Exception::Exception;
};

class QtSystemPlayer : public SystemPlayer {
public:
    // How long Open waits for the media framework to load a file.
    static constexpr int OpenTimeoutMs = 10000;

    QtSystemPlayer();
    ~QtSystemPlayer() override;

    void SetFileName(const QString &path) override { fileName_ = path; }
    const QString &FileName() const { return fileName_; }
    void SetNotify(bool notify) override { notify_ = notify; }
    bool Notify() const { return notify_; }
    // Loads the file, waiting in the event loop until it is loaded or refused.
    void Open() override;
    void Close() override;
    void Play() override;
    void Stop() override;
    void Pause() override;
    void Resume() override;
    void SetStartPosition(int64_t milliseconds) override { startPosition_ = milliseconds; }
    // Lengths and positions are always milliseconds here.
    void SetTimeFormatMilliseconds() override {}
    int64_t Length() override;
    int64_t Position() override;
    Mode GetMode() override;

private:
    QMediaPlayer &OpenPlayer();

    std::unique_ptr<QAudioOutput> output_;
    std::unique_ptr<QMediaPlayer> player_;
    QString fileName_;
    bool notify_ = false;
    bool open_ = false;
    std::optional<int64_t> startPosition_;
};

} // namespace tb
