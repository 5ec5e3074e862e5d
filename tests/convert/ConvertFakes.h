// Doubles for the batch driver's ports: lists, window, decoder and encoder record what they
// are asked and can be told to refuse.
#pragma once

#include "support/StateActivity.h"
#include "convert/ConvertPorts.h"
#include "core/AppState.h"

#include <QStringList>
#include <stdexcept>
#include <vector>

namespace tb::test {

struct FakeRow {
    QString path;
    bool checked = true;
    bool checkBoxEnabled = true;
};

class FakeList : public ConversionListPort {
public:
    std::vector<FakeRow> rows;
    int currentRow = -1;
    int selectionClears = 0;
    bool autoPopup = false;

    int RowCount() const override { return static_cast<int>(rows.size()); }
    QString RowPath(int row) const override { return rows[size_t(row)].path; }
    bool RowChecked(int row) const override { return rows[size_t(row)].checked; }
    void SetRowCheckBoxEnabled(int row, bool enabled) override { rows[size_t(row)].checkBoxEnabled = enabled; }
    void ClearSelection() override { ++selectionClears; currentRow = -1; }
    void SetCurrentRow(int row) override { currentRow = row; }
    void SetAutoPopup(bool enabled) override { autoPopup = enabled; }

    bool allEnabled() const
    {
        for (const FakeRow &r : rows)
            if (!r.checkBoxEnabled)
                return false;
        return true;
    }
    bool noneEnabled() const
    {
        for (const FakeRow &r : rows)
            if (r.checkBoxEnabled)
                return false;
        return true;
    }
};

class FakeWindow : public ConvertWindowPort {
public:
    FakeList lists[2];
    bool convertingLook = false;
    int repaints = 0;
    int sliderResets = 0;

    ConversionListPort &List(int32_t doWhat) override { return lists[ListIndexOf(doWhat)]; }
    void ProcessPendingEvents() override {}
    std::function<void()> onRepaint; // runs at each repaint, e.g. right after the start question
    void Repaint() override
    {
        ++repaints;
        if (onRepaint)
            onRepaint();
    }
    void EnterConvertingLook() override { convertingLook = true; }
    void ResetPositionSlider() override { ++sliderResets; }
    void LeaveConvertingLook() override { convertingLook = false; }
};

class FakeDecoder : public DecoderPort {
public:
    QStringList calls;
    QString refuse; // a call name that raises, e.g. "InputOpen"

    void SetOutputModule(int module) override { record(QStringLiteral("SetOutputModule(%1)").arg(module)); }
    void OutputOpen(const QString &name) override { record("OutputOpen(" + name + ")"); }
    void InputOpen(const QString &path) override { record("InputOpen(" + path + ")"); }
    void Play() override { record("Play"); }
    void Ping(int tag) override { record(QStringLiteral("Ping(%1)").arg(tag)); }
    void Pause() override { record("Pause"); }
    void Stop() override { record("Stop"); }
    void OutputClose() override { record("OutputClose"); }
    void InputClose() override { record("InputClose"); }

private:
    void record(const QString &call)
    {
        calls << call;
        if (!refuse.isEmpty() && call.startsWith(refuse))
            throw std::runtime_error("refused");
    }
};

class FakeEncoder : public EncoderPort {
public:
    QStringList calls;
    QString refuse;
    int bitRate = 0;
    EncodeChannelMode mode = ecJoint;

    void SetBitRate(int kbps) override { bitRate = kbps; record(QStringLiteral("SetBitRate(%1)").arg(kbps)); }
    void SetEncodeType(EncodeChannelMode m) override { mode = m; record(QStringLiteral("SetEncodeType(%1)").arg(int(m))); }
    void SetSourceFile(const QString &path) override { record("SetSourceFile(" + path + ")"); }
    void SetDestinationFile(const QString &path) override { record("SetDestinationFile(" + path + ")"); }
    void StartEncode() override { record("StartEncode"); }
    void SuspendEncode() override { record("SuspendEncode"); }
    void ResumeEncode() override { record("ResumeEncode"); }
    void AbortEncode() override { record("AbortEncode"); }
    QString lastError; // what the library would say about its last failure
    QString LastErrorText() override { return lastError; }

private:
    void record(const QString &call)
    {
        calls << call;
        if (!refuse.isEmpty() && call.startsWith(refuse))
            throw std::runtime_error("refused");
    }
};

} // namespace tb::test
