// One running program per program folder (two would overwrite each other's settings and last
// playlist). The first start listens on a local socket in the user's runtime folder; a later
// start hands its files to it there and ends.
#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace tb {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        First,      // no program runs for this folder: this one goes on and listens
        HandedOver, // a running program took the files: this start ends
        NoAnswer,   // a program runs but did not take the files in time
    };

    explicit SingleInstance(const QString &programFolder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Hands `files` to a running program, or becomes the one that listens. A socket that cannot
    // be made leaves this start running on its own.
    Role claim(const QStringList &files);

    // The socket's path: one per user and program folder.
    static QString SocketPath(const QString &programFolder);

    // What a later start sends: the tag line, the body's size in bytes on a line, then each
    // path in UTF-8 ended by a NUL (the one byte no path holds).
    static QByteArray EncodeHandOver(const QStringList &files);
    enum class Decoded { Incomplete, Complete, Invalid };
    static Decoded DecodeHandOver(const QByteArray &message, QStringList &files);

signals:
    // Files handed over by a later start (possibly none: it was started without files).
    void filesReceived(const QStringList &files);

private:
    bool handOver(QLocalSocket &socket, const QStringList &files);
    void listen();
    void serve(QLocalSocket *client);

    QString socketPath_;
    QLocalServer *server_ = nullptr;
};

} // namespace tb
