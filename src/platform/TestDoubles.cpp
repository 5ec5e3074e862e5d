#include "TestDoubles.h"

#include <QFileInfo>
#include <chrono>

namespace tb {

void ScriptedDialogs::message(const QString &text) { shown.push_back({"message", text}); }

bool ScriptedDialogs::confirm(const QString &text)
{
    shown.push_back({"confirm", text});
    if (confirmAnswers.empty())
        return false;
    bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

Answer ScriptedDialogs::confirmYesNoAbort(const QString &text)
{
    shown.push_back({"yesnoabort", text});
    if (yesNoAbortAnswers.empty())
        return Answer::Abort;
    Answer answer = yesNoAbortAnswers.front();
    yesNoAbortAnswers.pop_front();
    return answer;
}

QStringList ScriptedDialogs::openFiles(const QString &filter, bool multiSelect, const QString &startFolder)
{
    shown.push_back({"open", filter});
    lastMultiSelect = multiSelect;
    lastStartFolder = startFolder;
    if (openAnswers.empty())
        return {};
    QStringList answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::saveFile(const QString &filter, const QString &defaultExt, const QString &startFolder)
{
    shown.push_back({"save", filter});
    lastDefaultExt = defaultExt;
    lastStartFolder = startFolder;
    if (saveAnswers.empty())
        return {};
    QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    // Like the real dialog: a name typed without an extension gets the default one.
    if (!answer.isEmpty() && !defaultExt.isEmpty() && QFileInfo(answer).suffix().isEmpty())
        answer += "." + defaultExt;
    return answer;
}

QString ScriptedDialogs::browseFolder(const QString &title, const QString &startFolder)
{
    shown.push_back({"browse", title});
    lastStartFolder = startFolder;
    if (browseAnswers.empty())
        return {};
    QString answer = browseAnswers.front();
    browseAnswers.pop_front();
    return answer;
}

QStringList ScriptedDialogs::messages() const
{
    QStringList out;
    for (const Shown &s : shown)
        if (s.kind == "message")
            out << s.text;
    return out;
}

QStringList ScriptedDialogs::questions() const
{
    QStringList out;
    for (const Shown &s : shown)
        if (s.kind == "confirm" || s.kind == "yesnoabort")
            out << s.text;
    return out;
}
bool FaultyFileSystem::createFolders(const QString &path)
{
    return failCreateFolders ? false : LocalFileSystem::createFolders(path);
}

bool FaultyFileSystem::deleteFile(const QString &path)
{
    if (failDelete)
        return false;
    deleted << path;
    return LocalFileSystem::deleteFile(path);
}

int ManualMessageWindow::discardPending(uint32_t msg, uintptr_t wparam)
{
    std::lock_guard<std::mutex> hold(lock_);
    const auto before = queue_.size();
    std::erase_if(queue_, [&](const Posted &p) { return p.msg == msg && p.wparam == wparam; });
    return int(before - queue_.size());
}

bool ManualMessageWindow::post(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        queue_.push_back({msg, wparam, lparam});
    }
    arrived_.notify_all();
    return true;
}

int ManualMessageWindow::deliverPending()
{
    std::deque<Posted> batch;
    {
        std::lock_guard<std::mutex> hold(lock_);
        batch.swap(queue_);
    }
    for (const Posted &p : batch)
        deliver(p.msg, p.wparam, p.lparam);
    return static_cast<int>(batch.size());
}

int ManualMessageWindow::waitAndDeliver(int timeoutMs)
{
    {
        std::unique_lock<std::mutex> hold(lock_);
        arrived_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [this] { return !queue_.empty(); });
    }
    return deliverPending();
}

size_t ManualMessageWindow::pendingCount()
{
    std::lock_guard<std::mutex> hold(lock_);
    return queue_.size();
}

} // namespace tb
