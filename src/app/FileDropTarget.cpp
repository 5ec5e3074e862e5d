#include "FileDropTarget.h"

#include "desktop/CommandLine.h"
#include "lists/AudioFileCollector.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace tb {

FileDropTarget::FileDropTarget(QWidget *target, Receiver receiver) : QObject(target), receiver_(std::move(receiver))
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

QStringList FileDropTarget::AcceptablePaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        const QString path = LocalPathOf(url);
        if (path.isEmpty())
            continue;
        const QFileInfo info(path);
        if (info.isDir() || (info.isFile() && IsAudioFileName(path)))
            paths << path;
    }
    return paths;
}

bool FileDropTarget::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        // Copy, never move: the files stay where they are.
        if (!AcceptablePaths(drag->mimeData()).isEmpty() && (drag->possibleActions() & Qt::CopyAction)) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList paths = AcceptablePaths(drop->mimeData());
        if (paths.isEmpty() || !(drop->possibleActions() & Qt::CopyAction)) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // Handled once the drop is over: a message box opened inside the drop would hold the
        // file manager until it closes.
        QMetaObject::invokeMethod(this, [this, paths] { receiver_(paths); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace tb
