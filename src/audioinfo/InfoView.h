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

} // namespace tb
