// Recording doubles of everything the playback controller drives: the lists, the window, the
// sliders, the timers and the three engines. Every call lands in one shared log, in order.
#pragma once

#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "player/PlayerPorts.h"
#include "wavepipe/MMWave.h"

#include <QSet>
#include <algorithm>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace tb::test {

struct CallLog {
    QStringList calls;
    void add(const QString &call) { calls << call; }
    // The calls that start with the prefix, in order.
    QStringList of(const QString &prefix) const
    {
        QStringList out;
        for (const QString &c : calls)
            if (c.startsWith(prefix))
                out << c;
        return out;
    }
    void clear() { calls.clear(); }
};

// An engine call listed in `failing` raises, as a refusing engine would.
struct Failing {
    QSet<QString> failing;
    void check(const QString &name) const
    {
        if (failing.contains(name) || failing.contains(QStringLiteral("*")))
            throw Exception(QStringLiteral("refused: ") + name);
    }
};

struct ListRow {
    QString path;
    bool checked = true;
    bool checkBoxEnabled = true;
    bool selected = false;
};

class RecordingList : public ConversionListPort {
public:
    std::vector<ListRow> rows;
    bool autoPopup = true;
    int currentRow = -1;

    int RowCount() const override { return static_cast<int>(rows.size()); }
    QString RowPath(int row) const override { return rows[row].path; }
    bool RowChecked(int row) const override { return rows[row].checked; }
    void SetRowCheckBoxEnabled(int row, bool enabled) override { rows[row].checkBoxEnabled = enabled; }
    void ClearSelection() override
    {
        for (ListRow &r : rows)
            r.selected = false;
        currentRow = -1;
    }
    void SetCurrentRow(int row) override
    {
        currentRow = row;
        rows[row].selected = true;
    }
    void SetAutoPopup(bool enabled) override { autoPopup = enabled; }

    bool allCheckBoxes(bool enabled) const
    {
        for (const ListRow &r : rows)
            if (r.checkBoxEnabled != enabled)
                return false;
        return true;
    }
};

class RecordingSlider : public SliderPort {
public:
    int value = 0;
    int maxValue = 100;
    bool enabled = false;
    int Value() const override { return value; }
    void SetValue(int v) override { value = std::clamp(v, 0, maxValue); }
    int MaxValue() const override { return maxValue; }
    void SetEnabled(bool e) override { enabled = e; }
};

class RecordingWindow : public PlayerWindowPort {
public:
    RecordingList lists[2];
    RecordingSlider prgPlay;
    bool tabsGrey = false;
    ConversionListPort &List(int32_t doWhat) override { return lists[doWhat == 1 ? 1 : 0]; }
    SliderPort &PositionSlider() override { return prgPlay; }
    void GreyTabs() override { tabsGrey = true; }
    void RestoreTabs() override { tabsGrey = false; }
};

class RecordingTimer : public PollTimer {
public:
    bool active = false;
    void Start() override { active = true; }
    void Stop() override { active = false; }
    bool Active() const override { return active; }
};

class RecordingDecoder : public DecoderEngine, public Failing {
public:
    explicit RecordingDecoder(CallLog &log) : log_(log) {}
    std::vector<uint32_t> pings; // not yet answered

    void InputOpen(const QString &path) override { call("InputOpen(" + path + ")"); }
    void Play() override { call("Play"); }
    void Pause() override { call("Pause"); }
    void Stop() override { call("Stop"); }
    void OutputClose() override { call("OutputClose"); }
    void InputClose() override { call("InputClose"); }
    void InputSeek(int offset, int range) override
    {
        call(QStringLiteral("InputSeek(%1,%2)").arg(offset).arg(range), "InputSeek");
    }
    void Ping(uint32_t tag) override
    {
        check("Ping");
        pings.push_back(tag);
    }

private:
    void call(const QString &text, QString name = {})
    {
        if (name.isEmpty())
            name = text.section('(', 0, 0);
        check(name);
        log_.add("decoder." + text);
    }
    CallLog &log_;
};

class RecordingWave : public WaveEngine, public Failing {
public:
    explicit RecordingWave(CallLog &log) : log_(log) { wave.SetTimeFormat(tfMillisecond); }
    TMMWave wave;
    bool playing = false, paused = false;
    int64_t position = 0;
    // Runs inside Play, as a device that lets events through while it opens.
    std::function<void()> duringPlay;

    TMMWave &Wave() override { return wave; }
    void Play() override
    {
        call("Play(" + FileNameOf(wave.FileName()) + ")", "Play");
        if (duringPlay)
            duringPlay();
        playing = true;
    }
    void Pause() override
    {
        call("Pause");
        paused = true;
    }
    void Restart() override
    {
        call("Restart");
        paused = false;
    }
    void Stop() override
    {
        call("Stop");
        playing = paused = false;
    }
    void Unload() override
    {
        call("Unload");
        wave.SetFileName(QString());
    }
    bool Playing() override { return playing; }
    bool Paused() override { return paused; }
    int64_t DurationMs() override { return wave.Duration(); }
    int64_t PositionMs() override { return position; }
    void SetPositionMs(int64_t p) override
    {
        call(QStringLiteral("SetPosition(%1)").arg(p), "SetPosition");
        position = p;
    }

private:
    void call(const QString &text, QString name = {})
    {
        check(name.isEmpty() ? text : name);
        log_.add("wave." + text);
    }
    CallLog &log_;
};

class RecordingSystemPlayer : public SystemPlayer, public Failing {
public:
    explicit RecordingSystemPlayer(CallLog &log) : log_(log) {}
    QString fileName;
    bool notify = false;
    bool opened = false;
    Mode mode = Mode::Other;
    int64_t length = 0, position = 0;
    QSet<QString> unopenable; // file names Open refuses
    std::function<void()> duringOpen; // runs inside Open, as a player that lets events through

    void SetFileName(const QString &path) override
    {
        check("SetFileName");
        fileName = path;
    }
    void SetNotify(bool n) override { notify = n; }
    void Open() override
    {
        call("Open(" + FileNameOf(fileName) + ")", "Open");
        if (duringOpen)
            duringOpen();
        opened = !unopenable.contains(FileNameOf(fileName));
        if (!opened)
            throw Exception("cannot open " + fileName);
    }
    void Close() override
    {
        call("Close");
        mode = Mode::Other;
        opened = false;
    }
    void Play() override
    {
        call("Play");
        if (!opened)
            throw Exception("nothing open");
        mode = Mode::Playing;
    }
    void Stop() override
    {
        call("Stop");
        mode = Mode::Other;
    }
    void Pause() override
    {
        call("Pause");
        mode = Mode::Paused;
    }
    void Resume() override
    {
        call("Resume");
        if (mode != Mode::Paused)
            throw Exception("not paused");
        mode = Mode::Playing;
    }
    void SetStartPosition(int64_t ms) override { call(QStringLiteral("SetStartPosition(%1)").arg(ms), "SetStartPosition"); }
    void SetTimeFormatMilliseconds() override { check("SetTimeFormat"); }
    int64_t Length() override
    {
        check("Length");
        return length;
    }
    int64_t Position() override
    {
        check("Position");
        return position;
    }
    Mode GetMode() override
    {
        check("GetMode");
        return mode;
    }

private:
    void call(const QString &text, const QString &name = {})
    {
        check(name.isEmpty() ? text : name);
        log_.add("system." + text);
    }
    CallLog &log_;
};

} // namespace tb::test
