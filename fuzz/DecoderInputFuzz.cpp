// Hostile MPEG files through the decoder library's input path: the buffered reader, libmpg123
// behind MpegInput (seeking, the length count, format changes) and the WAV file writer with its
// temporary file. Whatever the input, nothing crashes, the output never claims more than was
// written, and no temporary file is left behind.
#include "MpegInput.h"
#include "WavFileWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// One in-memory input file, rewritten for every input and opened through its /proc name.
std::string memoryFile(const uint8_t *data, size_t size)
{
    static int fd = memfd_create("decoder-input-fuzz", MFD_CLOEXEC);
    if (fd < 0)
        std::abort();
    if (ftruncate(fd, 0) != 0 || (size > 0 && pwrite(fd, data, size, 0) != ssize_t(size)))
        std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
}

const std::string &outputFolder()
{
    static const std::string folder = [] {
        char name[] = "/dev/shm/decoder-fuzz-XXXXXX";
        char fallback[] = "/tmp/decoder-fuzz-XXXXXX";
        const char *made = mkdtemp(name);
        if (!made)
            made = mkdtemp(fallback);
        if (!made)
            std::abort();
        return std::string(made) + "/";
    }();
    return folder;
}

int entriesIn(const std::string &folder)
{
    int count = 0;
    if (DIR *d = opendir(folder.c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.' || (e->d_name[1] != '\0' && (e->d_name[1] != '.' || e->d_name[2] != '\0')))
                ++count;
        closedir(d);
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace tb::decoder;
    const std::string input = memoryFile(data, size);
    const std::string output = outputFolder() + "out.wav";
    // The last byte picks what else happens to the stream: a seek, the equalizer, an early stop.
    const uint8_t control = size > 0 ? data[size - 1] : 0;

    MpegInput mpeg;
    Failure failure;
    if (!mpeg.open(input, failure)) {
        check(!failure.message.empty() && !mpeg.isOpen());
        return 0;
    }
    if (control & 1) {
        XA_EqualizerInfo bands{};
        for (int i = 0; i < 32; ++i)
            bands.left[i] = bands.right[i] = static_cast<int8_t>(control * (i + 1));
        mpeg.setEqualizer(&bands);
    }
    WavFileWriter writer;
    std::string error;
    check(writer.open(output, error));
    writer.setFormat(mpeg.format());
    uint64_t written = 0;
    const bool keep = (control & 2) == 0;
    for (int frame = 0; frame < 2000; ++frame) {
        if ((control & 4) && frame == 3)
            mpeg.seek(mpeg.length() / 2);
        const uint8_t *pcm = nullptr;
        size_t bytes = 0;
        const MpegInput::Read read = mpeg.read(pcm, bytes, failure);
        if (read == MpegInput::Read::Data) {
            check(pcm != nullptr && bytes % mpeg.format().bytesPerFrame() == 0);
            check(writer.write(pcm, bytes, error));
            written += bytes;
            continue;
        }
        // The first frame's format holds for the whole stream.
        if (read == MpegInput::Read::NewFormat)
            check(mpeg.format() == writer.format());
        if (read != MpegInput::Read::NewFormat)
            break;
    }
    if (keep) {
        check(writer.close(error));
        struct stat st {};
        check(stat(output.c_str(), &st) == 0 && uint64_t(st.st_size) == 44 + written);
    } else {
        writer.abandon();
    }
    mpeg.close();
    // Only the completed file may be there.
    check(entriesIn(outputFolder()) == (keep ? 1 : 0));
    unlink(output.c_str());
    check(entriesIn(outputFolder()) == 0);
    return 0;
}
