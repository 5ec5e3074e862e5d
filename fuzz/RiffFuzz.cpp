// Hostile RIFF files for the wave file reader and the wave file component's source role.
#include "platform/Exception.h"
#include "wavepipe/MMWave.h"
#include "wavepipe/MMWaveFile.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// One in-memory file, rewritten for every input and opened through its /proc name.
QString memoryFile(const uint8_t *data, size_t size)
{
    static int fd = memfd_create("riff-fuzz", MFD_CLOEXEC);
    if (fd < 0)
        std::abort();
    if (ftruncate(fd, 0) != 0 || (size > 0 && pwrite(fd, data, size, 0) != ssize_t(size)))
        std::abort();
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

// Reads until the data ends; never more than the file, and never more than the data chunk.
void readAll(tb::TMMWave &wave, size_t fileSize)
{
    const tb::TMMTimeFormats unit = wave.TimeFormat();
    wave.SetTimeFormat(tb::tfByte);
    const int64_t dataBytes = wave.DataSize();
    wave.SetTimeFormat(unit);
    std::vector<uint8_t> buffer(997);
    int64_t total = 0;
    for (int i = 0; i < 10000; ++i) {
        const int64_t n = wave.ReadData(buffer.data(), int64_t(buffer.size()));
        if (n <= 0)
            break;
        check(n <= int64_t(buffer.size()));
        total += n;
    }
    check(total <= int64_t(fileSize) && total <= dataBytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString name = memoryFile(data, size);
    const auto unit = size > 0 ? tb::TMMTimeFormats(data[size - 1] % 3) : tb::tfSample;

    tb::TMMWave wave;
    wave.SetTimeFormat(unit);
    try {
        wave.SetFileName(name);
    } catch (const tb::Exception &) {
        check(!wave.Loaded() && wave.FormatString() == QStringLiteral("Unknown") && wave.Duration() == 0);
        return 0;
    }
    check(wave.Loaded());
    check(wave.FileSize() == int64_t(size));
    const WAVEFORMATEX *format = wave.PWaveFormat();
    check(format && format->nBlockAlign > 0);
    (void)wave.FormatString();
    (void)wave.Mode();
    check(wave.Duration() >= 0 && wave.DataSize() >= 0);
    try {
        wave.OpenWave();
        readAll(wave, size);
        wave.SetPosition(wave.Duration() / 2);
        readAll(wave, size);
        wave.SetPosition(-5);
        wave.SetPosition(wave.Duration() + 1000);
        readAll(wave, size);
        wave.CloseWave();
    } catch (const tb::Exception &) {
    }

    // The same file as a chain source: silence while not started, then the data.
    tb::TMMWaveFile source;
    try {
        source.Wave()->SetTimeFormat(unit);
        source.Wave()->SetFileName(name);
        source.SetBufferSize(size > 1 ? data[1] * 16 : 2048);
        source.Open();
        std::vector<uint8_t> block(TB_WAVEHDR_SIZE + size_t(source.BufferSize()));
        auto *header = reinterpret_cast<PWaveHdr>(block.data());
        header->lpData = reinterpret_cast<char *>(block.data()) + TB_WAVEHDR_SIZE;
        header->dwBufferLength = uint32_t(source.BufferSize());
        bool more = false;
        source.BufferLoad(header, more);
        check(header->dwBytesRecorded <= header->dwBufferLength);
        source.Start();
        for (int i = 0; i < 64; ++i) {
            more = false;
            source.BufferLoad(header, more);
            check(header->dwBytesRecorded <= header->dwBufferLength);
            if (!more)
                break;
        }
        source.Stop();
        source.Close();
    } catch (const tb::Exception &) {
    }
    return 0;
}
