// Runs the reference command-line tools (ffmpeg, ffprobe, sox, lame, mpg123, twolame) for tests
// that check our reading of a file against theirs.
#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <map>
#include <string>

namespace tb::test {

struct ToolRun {
    int exitCode = -1;
    QString output; // standard output and standard error together
};

inline ToolRun runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForStarted(-1))
        return run;
    process.closeWriteChannel();
    process.waitForFinished(-1);
    run.output = QString::fromUtf8(process.readAll());
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

// The first of the programs that cannot be started, or an empty text when all can.
inline QString missingTool(const QStringList &programs)
{
    for (const QString &program : programs) {
        QProcess process;
        process.start(program, {"-h"});
        if (!process.waitForStarted(-1))
            return program;
        process.kill();
        process.waitForFinished(-1);
    }
    return {};
}

// What ffprobe reads from a file's tags, keyed by lower-case name.
inline std::map<std::string, std::string> ffprobeTags(const QString &path)
{
    const ToolRun run = runTool("ffprobe", {"-v", "error", "-show_entries", "format_tags", "-of", "default=nw=1", path});
    std::map<std::string, std::string> tags;
    for (const QString &line : run.output.split('\n', Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf('=');
        if (line.startsWith("TAG:") && eq > 0)
            tags[line.mid(4, eq - 4).toLower().toStdString()] = line.mid(eq + 1).toStdString();
    }
    return tags;
}

// ffprobe's "key=value" lines for the entries of the first audio stream (e.g.
// "stream=sample_rate,channels" or "format=duration").
inline QMap<QString, QString> ffprobeEntries(const QString &path, const QString &entries)
{
    const ToolRun run = runTool("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries", entries,
                                            "-of", "default=noprint_wrappers=1", path});
    QMap<QString, QString> values;
    for (const QString &line : run.output.split('\n', Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0 && !values.contains(line.left(eq)))
            values.insert(line.left(eq), line.mid(eq + 1).trimmed());
    }
    return values;
}

// The file offset of the first audio packet ffprobe reads, -1 when it finds none.
inline qint64 ffprobeFirstPacketPosition(const QString &path)
{
    const ToolRun run = runTool("ffprobe", {"-v", "error", "-select_streams", "a:0", "-read_intervals", "%+#1",
                                            "-show_entries", "packet=pos", "-of", "csv=p=0", path});
    bool ok = false;
    const qint64 position = run.output.section('\n', 0, 0).section(',', 0, 0).trimmed().toLongLong(&ok);
    return ok ? position : -1;
}

} // namespace tb::test
