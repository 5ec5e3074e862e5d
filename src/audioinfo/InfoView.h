// The information area of the main window, as the description helpers see it.
#pragma once

#include <QString>

namespace tb {

class InfoView {
public:
    virtual ~InfoView() = default;
    virtual void setStatusText(const QString &text) = 0;     // labStatus
    virtual void setMusicTitle(const QString &text) = 0;     // labMusicTitle (hidden)
    virtual QString musicTitle() const = 0;                  // read back for the status line
    virtual void setMusicInfo(const QString &text) = 0;      // labMusicInfo, the format line
    virtual void setDurationTime(const QString &text) = 0;   // labDurationTime
    virtual void setCurrentTime(const QString &text) = 0;    // labCurrentTime
};

// The texts themselves, without widgets; starts with the texts the window opens with.
class InfoTexts : public InfoView {
public:
    QString status = QStringLiteral("Ready... Show current status here.");
    QString title = QStringLiteral("Show player current status here.");
    QString info = QStringLiteral("Show current music format information here.");
    QString duration = QStringLiteral("00:00:00");
    QString current = QStringLiteral("00:00:00");

    void setStatusText(const QString &text) override { status = text; }
    void setMusicTitle(const QString &text) override { title = text; }
    QString musicTitle() const override { return title; }
    void setMusicInfo(const QString &text) override { info = text; }
    void setDurationTime(const QString &text) override { duration = text; }
    void setCurrentTime(const QString &text) override { current = text; }
};

} // namespace tb
