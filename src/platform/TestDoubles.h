// The test doubles of the platform services: scripted dialogs, a recording shell, a counting
// cursor, a file system that fails on request and a message window the test delivers itself.
#pragma once

#include "BusyCursor.h"
#include "Dialogs.h"
#include "FileSystem.h"
#include "MessageWindow.h"
#include "Shell.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace tb {

// Test double: answers come from scripts; everything shown is recorded.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind; // "message", "confirm", "yesnoabort", "open", "save", "browse"
        QString text; // the text, filter or title
    };

    std::deque<bool> confirmAnswers;          // default No when empty
    std::deque<Answer> yesNoAbortAnswers;     // default Abort when empty
    std::deque<QStringList> openAnswers;      // default cancelled
    std::deque<QString> saveAnswers;          // default cancelled
    std::deque<QString> browseAnswers;        // default cancelled
    std::vector<Shown> shown;
    QString lastDefaultExt, lastStartFolder;
    bool lastMultiSelect = false;

    void message(const QString &text) override;
    bool confirm(const QString &text) override;
    Answer confirmYesNoAbort(const QString &text) override;
    QStringList openFiles(const QString &filter, bool multiSelect, const QString &startFolder = {}) override;
    QString saveFile(const QString &filter, const QString &defaultExt, const QString &startFolder) override;
    QString browseFolder(const QString &title, const QString &startFolder) override;

    QStringList messages() const;   // texts of the notices, in order
    QStringList questions() const;  // texts of both kinds of questions, in order
};

// Test double: records what would have been opened, as "file:", "folder:" or "address:" + text.
class RecordingShell : public Shell {
public:
    QStringList opened;
    bool openFile(const QString &path) override { opened << "file:" + path; return true; }
    bool openFolder(const QString &path) override { opened << "folder:" + path; return true; }
    bool openAddress(const QString &url) override { opened << "address:" + url; return true; }
};

// Test double: counts how often the cursor went busy and how deep it is now.
class CountingCursor : public CursorControl {
public:
    int busyCount = 0;
    int depth = 0;
    void showBusy() override { ++busyCount; ++depth; }
    void restore() override { --depth; }
};

// Test double: the real file system, with failures switched on by the test and every
// deletion recorded.
class FaultyFileSystem : public LocalFileSystem {
public:
    bool failCreateFolders = false;
    bool failDelete = false;
    QStringList deleted;
    bool createFolders(const QString &path) override;
    bool deleteFile(const QString &path) override;
};

// Test double: messages wait in a queue until the test delivers them on its own thread.
class ManualMessageWindow : public MessageWindow {
public:
    bool post(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;
    int discardPending(uint32_t msg, uintptr_t wparam) override;
    // Delivers everything queued now; returns how many were delivered.
    int deliverPending();
    // Waits up to timeoutMs for at least one message, then delivers all queued ones.
    int waitAndDeliver(int timeoutMs);
    size_t pendingCount();

private:
    struct Posted {
        uint32_t msg;
        uintptr_t wparam;
        intptr_t lparam;
    };
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<Posted> queue_;
};

} // namespace tb
