// The information area as plain texts, for tests that run without the window.
#pragma once

#include "audioinfo/InfoView.h"

namespace tb::test {

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

} // namespace tb::test
