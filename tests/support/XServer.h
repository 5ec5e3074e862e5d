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
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            dup2(fds[1], 3);
            execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp", nullptr);
            _exit(127);
        }
        close(fds[1]);
        char buffer[16] = {};
        ssize_t n = pid_ > 0 ? read(fds[0], buffer, sizeof buffer - 1) : 0;
        close(fds[0]);
        if (n > 0)
            display_ = QString(":%1").arg(QString::fromLatin1(buffer).trimmed());
    }
    ~XServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
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
    pid_t pid_ = -1;
    QString display_;
};

} // namespace tb::test
