// The information area without widgets: the texts the batch and the description helpers set,
// reported as they change. The main window's labels follow the signals.
#pragma once

#include "audioinfo/InfoView.h"

#include <QObject>
#include <QString>

namespace tb {

class InfoModel : public QObject, public InfoView {
    Q_OBJECT
public:
    void setStatusText(const QString &text) override { emit statusTextChanged(status_ = text); }
    void setMusicTitle(const QString &text) override { emit musicTitleChanged(title_ = text); }
    QString musicTitle() const override { return title_; }
    void setMusicInfo(const QString &text) override { emit musicInfoChanged(info_ = text); }
    void setDurationTime(const QString &text) override { emit durationTimeChanged(duration_ = text); }
    void setCurrentTime(const QString &text) override { emit currentTimeChanged(current_ = text); }

    QString statusText() const { return status_; }
    QString musicInfo() const { return info_; }
    QString durationTime() const { return duration_; }
    QString currentTime() const { return current_; }

signals:
    void statusTextChanged(const QString &text);
    void musicTitleChanged(const QString &text);
    void musicInfoChanged(const QString &text);
    void durationTimeChanged(const QString &text);
    void currentTimeChanged(const QString &text);

private:
    // The texts the window opens with.
    QString status_ = QStringLiteral("Ready... Show current status here.");
    QString title_ = QStringLiteral("Show player current status here.");
    QString info_ = QStringLiteral("Show current music format information here.");
    QString duration_ = QStringLiteral("00:00:00");
    QString current_ = QStringLiteral("00:00:00");
};

} // namespace tb
