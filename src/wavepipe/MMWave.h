// One RIFF WAVE file: its format, its length, a read position and reading of the sample data.
#pragma once

#include "tonebridge/wave.h"
#include "wavepipe/MMObject.h"
#include "wavepipe/MMUtils.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace tb {

class TMMWave : public TMMObject {
public:
    using TChangeCallback = void (*)(void *data, TMMWave *wave);
    static constexpr int32_t MinIOBufferSize = 8192;
    struct WaveIO; // the parsed file (internal)

    TMMWave();
    ~TMMWave() override;
    TMMWave(const TMMWave &) = delete;
    TMMWave &operator=(const TMMWave &) = delete;

    // Loads, replaces (non-empty name) or unloads (empty name) the file. Raises EMMWaveError
    // "Invalid wave file..." or "Error reading wave file"; the previous wave then stays loaded.
    const QString &FileName() const { return fileName_; }
    void SetFileName(const QString &fileName);

    // When false, a name of a file that does not exist is taken without loading anything.
    bool FileMustExist() const { return fileMustExist_; }
    void SetFileMustExist(bool value) { fileMustExist_ = value; }
    int32_t IOBufferSize() const { return ioBufferSize_; }
    void SetIOBufferSize(int32_t value);
    // Unit of DataSize, Duration and the positions.
    TMMTimeFormats TimeFormat() const { return timeFormat_; }
    void SetTimeFormat(TMMTimeFormats value) { timeFormat_ = value; }

    bool Loaded() const { return io_ != nullptr; }
    uint16_t FormatTag() const;
    // How the samples are coded: FormatTag, or the sub-format's tag of an extensible format.
    uint16_t SampleFormatTag() const;
    // The name of SampleFormatTag.
    QString FormatString() const;
    int32_t SampleRate() const;
    int32_t BitLength() const;
    TMMMode Mode() const;
    int64_t FileSize() const;
    int64_t DataSize() const;
    int64_t Duration() const;
    bool Empty() const { return DataSize() == 0; }
    // The loaded file's format, or none.
    const WAVEFORMATEX *PWaveFormat() const;

    // The read position in TimeFormat, relative to the start of the playable range; -1 when
    // nothing is loaded.
    int64_t Position() const;
    void SetPosition(int64_t value);

    // Reopens the loaded file for reading at the current position; raises "Unable to open wave
    // file" or "Unable to setup file IO buffer".
    void OpenWave();
    // Closes it; the position returns to 0.
    void CloseWave();
    bool IsOpen() const;
    // Reads sample data; the bytes read, or -1 when the file is not open or nothing is left.
    int64_t ReadData(void *buffer, int64_t length);
    int64_t BytesLeft() const;

    // Takes the other wave's settings and file (none unloads).
    void Assign(const TMMWave *other);

    // Called after every change, in order of registration, with (data, this wave).
    void AddChangeListener(TChangeCallback callback, void *data);
    void RemoveChangeListener(TChangeCallback callback, void *data);

    // Texts of the LIST/INFO entries (tag, text) and the DISP chunks (type, bytes) of the file.
    QList<QPair<QByteArray, QString>> InfoList() const;
    QList<QPair<uint32_t, QByteArray>> DispList() const;

protected:
    void Changed() override;

private:
    void Unload();
    void SetSamplePosition(int64_t samples);
    int64_t ToTime(int64_t samples) const;

    std::unique_ptr<WaveIO> io_;
    QString fileName_;
    bool fileMustExist_ = true;
    int32_t ioBufferSize_ = 32768;
    TMMTimeFormats timeFormat_ = tfSample;
    std::vector<std::pair<TChangeCallback, void *>> listeners_;
};

// Name of a wave format tag; "Unknown" for a tag not in the table.
QString WaveFormatTagName(uint16_t tag);
// The tag of a format, or for the extensible format (0xFFFE) the tag its sub-format GUID carries
// (0xFFFE itself for a GUID that carries none); 0 for none. The format's
// cbSize bytes of extra data must be present behind it.
uint16_t WaveSampleFormatTag(const WAVEFORMATEX *format);

} // namespace tb
