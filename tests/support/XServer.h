// A virtual X server (Xvfb) for an end-to-end test program, and xdotool on its display.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tb::test {

class XServer {
public:
    // The display number is the server's choice, read back through -displayfd.
    XServer()
    {
        // Test programs run side by side: two servers choosing their display at the same moment
        // can both try the same number, and the loser removes the winner's socket file on its
        // way to the next one. One choice at a time, across processes.
        const int choosing = open("/tmp/tonebridge-xvfb.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (choosing >= 0)
            flock(choosing, LOCK_EX);
        // A server that named its display but takes no clients is replaced by another.
        for (int attempt = 0; attempt < 3; ++attempt) {
            start();
            if (display_.isEmpty() || run("xdpyinfo", {"-queryExtensions"}).contains("SHAPE"))
                break;
            stop();
        }
        if (choosing >= 0)
            close(choosing);
    }
    ~XServer() { stop(); }
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    const QString &display() const { return display_; }

    // Runs an X client (xdotool, xprop) on this display and returns what it printed.
    QString run(const QString &program, const QStringList &arguments) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        p.setProcessEnvironment(env);
        p.start(program, arguments);
        p.waitForFinished(60000);
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }
    QString xdotool(const QStringList &arguments) const { return run("xdotool", arguments); }

private:
    void stop()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
        display_.clear();
    }
    void start()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], 3);
            execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp", nullptr);
            _exit(127);
        }
        close(fds[1]);
        // The server writes its number and a line feed once it is ready; a signal may cut the wait short.
        QByteArray number;
        char c = 0;
        while (pid_ > 0) {
            const ssize_t n = read(fds[0], &c, 1);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0 || c == '\n')
                break;
            number += c;
        }
        close(fds[0]);
        if (!number.isEmpty())
            display_ = ":" + QString::fromLatin1(number);
    }

    pid_t pid_ = -1;
    QString display_;
};

} // namespace tb::test
