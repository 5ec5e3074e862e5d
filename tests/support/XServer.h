// An Xvfb display for one test program, found through -displayfd, and xdotool for real clicks.
#pragma once

#include <QProcess>
#include <QString>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace tb::test {

class XServer {
public:
    XServer()
    {
        // A display number taken by another server at the same moment makes Xvfb give up; try again.
        for (int attempt = 0; attempt < 3 && display_.isEmpty(); ++attempt)
            start();
    }
    ~XServer() { stop(); }
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;
    const QString &display() const { return display_; }

    // Runs xdotool on this display; its output.
    QString xdotool(const QStringList &arguments) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        p.setProcessEnvironment(env);
        p.start("xdotool", arguments);
        p.waitForFinished(10000);
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }
    // A left click at a point of the screen.
    void click(int x, int y) const
    {
        xdotool({"mousemove", "--sync", QString::number(x), QString::number(y)});
        xdotool({"click", "1"});
    }

private:
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
        // The server writes the number and the line feed separately; the pipe stays open until
        // both have arrived, or the second write fails and the server gives up.
        char buffer[16] = {};
        size_t n = 0;
        while (pid_ > 0 && n < sizeof buffer - 1 && (n == 0 || buffer[n - 1] != '\n')) {
            ssize_t got = read(fds[0], buffer + n, sizeof buffer - 1 - n);
            if (got <= 0)
                break;
            n += static_cast<size_t>(got);
        }
        close(fds[0]);
        if (n > 0 && buffer[n - 1] == '\n')
            display_ = QString(":%1").arg(QString::fromLatin1(buffer).trimmed());
        else
            stop();
    }
    void stop()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    pid_t pid_ = -1;
    QString display_;
};

} // namespace tb::test
