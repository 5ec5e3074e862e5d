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

} // namespace tb
