#include "Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace tb {

namespace {
QWidget *parentWindow() { return QApplication::activeWindow(); }
QString caption() { return QApplication::applicationName(); }
} // namespace

QString qtNameFilters(const QString &filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the last parentheses, so a description may hold its own.
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

void QtDialogs::message(const QString &text)
{
    QMessageBox::information(parentWindow(), caption(), text, QMessageBox::Ok);
}

bool QtDialogs::confirm(const QString &text)
{
    return QMessageBox::question(parentWindow(), caption(), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

Answer QtDialogs::confirmYesNoAbort(const QString &text)
{
    auto button = QMessageBox::question(parentWindow(), caption(), text,
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Abort, QMessageBox::No);
    if (button == QMessageBox::Yes)
        return Answer::Yes;
    if (button == QMessageBox::No)
        return Answer::No;
    return Answer::Abort;
}

QStringList QtDialogs::openFiles(const QString &filter, bool multiSelect, const QString &startFolder)
{
    QFileDialog dialog(parentWindow(), QString(), startFolder, qtNameFilters(filter));
    dialog.setFileMode(multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString QtDialogs::saveFile(const QString &filter, const QString &defaultExt, const QString &startFolder)
{
    QFileDialog dialog(parentWindow(), QString(), startFolder, qtNameFilters(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultExt);
    // The overwrite question belongs to the caller, which decides when overwriting is allowed.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtDialogs::browseFolder(const QString &title, const QString &startFolder)
{
    return QFileDialog::getExistingDirectory(parentWindow(), title, startFolder);
}

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

} // namespace tb
