// The user's dialogs: notices, questions and the file and folder choosers.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace tb {

enum class Answer { Yes, No, Abort };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A notice with one OK button and the application title as caption.
    virtual void message(const QString &text) = 0;
    // Yes/No; only Yes answers true.
    virtual bool confirm(const QString &text) = 0;
    virtual Answer confirmYesNoAbort(const QString &text) = 0;
    // Chosen paths in the order given, empty when cancelled. Filters are pairs of a description
    // and patterns, all joined by "|": "Wave File (*.wav)|*.wav|All File (*.*)|*.*".
    virtual QStringList openFiles(const QString &filter, bool multiSelect, const QString &startFolder = {}) = 0;
    // The chosen path, the default extension added when none was typed; empty when cancelled.
    virtual QString saveFile(const QString &filter, const QString &defaultExt, const QString &startFolder) = 0;
    // The chosen folder, empty when cancelled.
    virtual QString browseFolder(const QString &title, const QString &startFolder) = 0;
};

// A filter of description|patterns pairs in the form Qt's file dialog takes:
// "Wave File (*.wav) (*.wav);;All File (*.*) (*.*)". Text without "|" is passed on as it is.
QString qtNameFilters(const QString &filter);

// Real Qt dialogs, parented to the active window.
class QtDialogs : public Dialogs {
public:
    void message(const QString &text) override;
    bool confirm(const QString &text) override;
    Answer confirmYesNoAbort(const QString &text) override;
    QStringList openFiles(const QString &filter, bool multiSelect, const QString &startFolder = {}) override;
    QString saveFile(const QString &filter, const QString &defaultExt, const QString &startFolder) override;
    QString browseFolder(const QString &title, const QString &startFolder) override;
};

} // namespace tb
