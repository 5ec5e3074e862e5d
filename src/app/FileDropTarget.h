// Lets the file manager drop files and folders on a widget (the main window's list area). A
// drag that carries local audio files or folders shows the copy cursor; anything else (text,
// web addresses, other kinds of files) is refused. The dropped paths go to one callback, called
// from the event loop right after the drop.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QMimeData;
class QWidget;

namespace tb {

class FileDropTarget : public QObject {
    Q_OBJECT
public:
    using Receiver = std::function<void(const QStringList &paths)>;
    // Watches `target` and switches its drops on; lives as long as the target.
    FileDropTarget(QWidget *target, Receiver receiver);

    // The local files and folders of a drag that the lists can take: folders and audio files.
    static QStringList AcceptablePaths(const QMimeData *data);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Receiver receiver_;
};

} // namespace tb
