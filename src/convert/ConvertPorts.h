// What a conversion batch needs from the rest of the program, each as a narrow interface:
// the lists, the window, the decoder and the encoder.
// The application core provides them (the lists through the main window); tests provide doubles.
#pragma once

#include <QString>
#include <cstdint>

namespace tb {

// One conversion list as the batch sees it.
class ConversionListPort {
public:
    virtual ~ConversionListPort() = default;
    virtual int RowCount() const = 0;
    virtual QString RowPath(int row) const = 0;
    virtual bool RowChecked(int row) const = 0;
    virtual void SetRowCheckBoxEnabled(int row, bool enabled) = 0;
    virtual void ClearSelection() = 0;
    virtual void SetCurrentRow(int row) = 0;
    // Whether the list's pop-up menu opens on a right click.
    virtual void SetAutoPopup(bool enabled) = 0;
};

// The main window's part in a batch.
class ConvertWindowPort {
public:
    virtual ~ConvertWindowPort() = default;
    virtual ConversionListPort &List(int32_t doWhat) = 0;
    virtual void ProcessPendingEvents() = 0;
    virtual void Repaint() = 0;
    // Tabs disabled and grey (their colours kept), position clock yellow.
    virtual void EnterConvertingLook() = 0;
    // Position slider at 0 and disabled.
    virtual void ResetPositionSlider() = 0;
    // Tabs enabled with the colours they had before the batch, position clock in its normal colour.
    virtual void LeaveConvertingLook() = 0;
};

// The conversion decoder. Every call may raise.
class DecoderPort {
public:
    virtual ~DecoderPort() = default;
    virtual void SetOutputModule(int module) = 0;
    virtual void OutputOpen(const QString &name) = 0;
    virtual void InputOpen(const QString &path) = 0;
    virtual void Play() = 0;
    // Asks for a Pong with the tag: everything the decoder reported before it is older news.
    virtual void Ping(int tag) = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual void OutputClose() = 0;
    virtual void InputClose() = 0;
};

// Channel modes of the encoder, in its own order.
enum EncodeChannelMode { ecMono = 0, ecStereo = 1, ecJoint = 2, ecMsStereo = 3, ecDualChannel = 4 };

// The encoder. Every call may raise.
class EncoderPort {
public:
    virtual ~EncoderPort() = default;
    virtual void SetBitRate(int kbps) = 0;
    virtual void SetEncodeType(EncodeChannelMode mode) = 0;
    virtual void SetSourceFile(const QString &path) = 0;
    virtual void SetDestinationFile(const QString &path) = 0;
    virtual void StartEncode() = 0;
    virtual void SuspendEncode() = 0;
    virtual void ResumeEncode() = 0;
    virtual void AbortEncode() = 0;
    // Why the last encoding or its start failed, in the library's words; empty when unknown.
    virtual QString LastErrorText() { return {}; }
};

} // namespace tb
