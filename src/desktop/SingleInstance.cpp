#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <memory>

namespace tb {

namespace {
const QByteArray HandOverTag = QByteArrayLiteral("tonebridge-open-1");
constexpr char Taken = '1';
constexpr int ConnectMs = 2000;
// A program busy with a long step still answers from its event loop; this only guards a hung one.
constexpr int AnswerMs = 15000;
// More than any command line can carry; a client sending more is cut off.
constexpr qint64 MaxMessageBytes = 16 * 1024 * 1024;

QString runtimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}
} // namespace

SingleInstance::SingleInstance(const QString &programFolder, QObject *parent)
    : QObject(parent), socketPath_(SocketPath(programFolder))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::SocketPath(const QString &programFolder)
{
    const QByteArray key =
        QCryptographicHash::hash(QDir::cleanPath(programFolder).toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return runtimeFolder() + QStringLiteral("/tonebridge-") + QString::fromLatin1(key);
}

SingleInstance::Role SingleInstance::claim(const QStringList &files)
{
    // Two starts at the same moment must not both take the socket: the lock makes them one after the other.
    QLockFile lock(socketPath_ + QStringLiteral(".lock"));
    lock.tryLock(AnswerMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(ConnectMs)) {
        listen();
        return Role::First;
    }
    return handOver(socket, files) ? Role::HandedOver : Role::NoAnswer;
}

bool SingleInstance::handOver(QLocalSocket &socket, const QStringList &files)
{
    socket.write(EncodeHandOver(files));
    socket.waitForBytesWritten(AnswerMs);
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(AnswerMs))
            return false;
    char answer = 0;
    return socket.getChar(&answer) && answer == Taken;
}

void SingleInstance::listen()
{
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered, so a socket file left there is one a crashed program left behind.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) {
        qWarning("Tonebridge: cannot listen on %s: %s", qPrintable(socketPath_), qPrintable(server_->errorString()));
        return;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = server_->nextPendingConnection())
            serve(client);
    });
}

void SingleInstance::serve(QLocalSocket *client)
{
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    // The bytes so far; freed with the connection, which goes with the client.
    auto received = std::make_shared<QByteArray>();
    connect(client, &QLocalSocket::readyRead, this, [this, client, received] {
        received->append(client->readAll());
        QStringList files;
        switch (DecodeHandOver(*received, files)) {
        case Decoded::Incomplete:
            return;
        case Decoded::Invalid:
            client->abort();
            return;
        case Decoded::Complete:
            client->putChar(Taken);
            client->flush();
            client->disconnectFromServer();
            emit filesReceived(files);
        }
    });
}

QByteArray SingleInstance::EncodeHandOver(const QStringList &files)
{
    QByteArray body;
    for (const QString &file : files)
        body += file.toUtf8() + '\0';
    return HandOverTag + '\n' + QByteArray::number(body.size()) + '\n' + body;
}

SingleInstance::Decoded SingleInstance::DecodeHandOver(const QByteArray &message, QStringList &files)
{
    files.clear();
    if (message.size() > MaxMessageBytes)
        return Decoded::Invalid;
    const qsizetype tagEnd = message.indexOf('\n');
    if (tagEnd < 0)
        return HandOverTag.startsWith(message) ? Decoded::Incomplete : Decoded::Invalid;
    if (message.left(tagEnd) != HandOverTag)
        return Decoded::Invalid;
    const qsizetype sizeEnd = message.indexOf('\n', tagEnd + 1);
    if (sizeEnd < 0)
        return message.size() - tagEnd > 21 ? Decoded::Invalid : Decoded::Incomplete; // a size has at most 20 digits
    bool ok = false;
    const qlonglong size = message.mid(tagEnd + 1, sizeEnd - tagEnd - 1).toLongLong(&ok);
    if (!ok || size < 0 || size > MaxMessageBytes)
        return Decoded::Invalid;
    const QByteArray body = message.mid(sizeEnd + 1);
    if (body.size() < size)
        return Decoded::Incomplete;
    if (body.size() > size || (size > 0 && !body.endsWith('\0')))
        return Decoded::Invalid;
    for (const QByteArray &path : body.split('\0'))
        if (!path.isEmpty())
            files << QString::fromUtf8(path);
    return Decoded::Complete;
}

} // namespace tb
