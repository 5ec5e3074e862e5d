#include "SystemMediaPlayer.h"

#include <QAudioOutput>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>

namespace tb {

QtSystemPlayer::QtSystemPlayer() = default;

QtSystemPlayer::~QtSystemPlayer()
{
    if (player_)
        player_->stop();
}

QMediaPlayer &QtSystemPlayer::OpenPlayer()
{
    if (!open_ || !player_)
        throw EMciError(QStringLiteral("The media player has no file open."));
    return *player_;
}

void QtSystemPlayer::Open()
{
    if (fileName_.isEmpty())
        throw EMciError(QStringLiteral("No file name was given to the media player."));
    if (!player_) {
        output_ = std::make_unique<QAudioOutput>();
        player_ = std::make_unique<QMediaPlayer>();
        player_->setAudioOutput(output_.get());
    }
    open_ = false;
    startPosition_.reset();
    player_->stop();
    player_->setSource(QUrl::fromLocalFile(QFileInfo(fileName_).absoluteFilePath()));

    auto settled = [this] {
        switch (player_->mediaStatus()) {
        case QMediaPlayer::LoadedMedia:
        case QMediaPlayer::BufferedMedia:
        case QMediaPlayer::BufferingMedia:
        case QMediaPlayer::InvalidMedia: return true;
        default: return player_->error() != QMediaPlayer::NoError;
        }
    };
    if (!settled()) {
        QEventLoop loop;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(player_.get(), &QMediaPlayer::mediaStatusChanged, &loop, [&] {
            if (settled())
                loop.quit();
        });
        QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
        guard.start(OpenTimeoutMs);
        loop.exec();
    }
    const QMediaPlayer::MediaStatus status = player_->mediaStatus();
    if (player_->error() != QMediaPlayer::NoError || status == QMediaPlayer::InvalidMedia ||
        status == QMediaPlayer::NoMedia || status == QMediaPlayer::LoadingMedia) {
        QString reason = player_->errorString();
        player_->setSource(QUrl());
        throw EMciError(QStringLiteral("The media player cannot open ") + fileName_ +
                        (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
    }
    open_ = true;
}

void QtSystemPlayer::Close()
{
    if (!player_)
        return;
    player_->stop();
    player_->setSource(QUrl());
    open_ = false;
    startPosition_.reset();
}

void QtSystemPlayer::Play()
{
    QMediaPlayer &player = OpenPlayer();
    player.play();
    if (startPosition_) {
        player.setPosition(*startPosition_);
        startPosition_.reset();
    }
}

void QtSystemPlayer::Stop() { OpenPlayer().stop(); }

void QtSystemPlayer::Pause() { OpenPlayer().pause(); }

void QtSystemPlayer::Resume()
{
    QMediaPlayer &player = OpenPlayer();
    if (player.playbackState() != QMediaPlayer::PausedState)
        throw EMciError(QStringLiteral("The media player is not paused."));
    player.play();
}

int64_t QtSystemPlayer::Length() { return OpenPlayer().duration(); }

int64_t QtSystemPlayer::Position() { return OpenPlayer().position(); }

SystemPlayer::Mode QtSystemPlayer::GetMode()
{
    if (!open_ || !player_)
        return Mode::Other;
    switch (player_->playbackState()) {
    case QMediaPlayer::PlayingState: return Mode::Playing;
    case QMediaPlayer::PausedState: return Mode::Paused;
    default: return Mode::Other;
    }
}

} // namespace tb
