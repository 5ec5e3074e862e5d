#include "wavepipe/MMWave.h"

#include "wavepipe/BufferedFile.h"
#include "wavepipe/MMErrors.h"

#include "platform/PathBytes.h"

#include <sys/stat.h>
#include <algorithm>
#include <cstring>
#include <new>

namespace tb {

// The parsed file.
struct TMMWave::WaveIO {
    BufferedFile file;          // open only between OpenWave and CloseWave
    int64_t fileSize = 0;
    int64_t dataSize = 0;       // bytes of sample data, whole blocks
    int64_t dataOffset = 0;     // file offset of the first sample byte
    int64_t sampleCount = 0;
    int64_t start = 0;          // first sample of the playable range
    int64_t end = 0;            // sample after the playable range
    int64_t bytesLeft = 0;
    int64_t position = 0;       // current sample, relative to start
    QString fileName;
    QList<QPair<uint32_t, QByteArray>> dispList;
    QList<QPair<QByteArray, QString>> infoList;
    std::vector<uint8_t> format; // the fmt chunk, at least 18 bytes

    const WAVEFORMATEX &wfx() const { return *reinterpret_cast<const WAVEFORMATEX *>(format.data()); }
};

namespace {

constexpr int64_t ChunkHeaderSize = 8;
constexpr uint16_t FormatExtensible = 0xFFFE;
// A fmt chunk holds at most the record and 65535 bytes of extra data.
constexpr int64_t MaxFormatBytes = int64_t(sizeof(WAVEFORMATEX)) + 0xFFFF;
// Caps on what is kept of the text lists.
constexpr int64_t MaxInfoText = 4096;
constexpr int64_t MaxDispBytes = 65536;

const char *const InfoTags[] = {"IARL", "IART", "ICMS", "ICMT", "ICOP", "ICRD", "ICRP", "IDIM",
                                "IDPI", "IENG", "IGNR", "IKEY", "ILGT", "IMED", "INAM", "IPLT",
                                "IPRD", "ISBJ", "ISFT", "ISHP", "ISRC", "ISRF", "ITCH"};

uint32_t le32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t le64(const uint8_t *p)
{
    return uint64_t(le32(p)) | uint64_t(le32(p + 4)) << 32;
}

bool isId(const uint8_t *p, const char *id)
{
    return std::memcmp(p, id, 4) == 0;
}

struct TagName {
    uint16_t tag;
    const char *name;
};

// Searched from the top; the first match wins. Checked against the registered WAVE format tags.
const TagName FormatTagNames[] = {
    {0x0000, "Unknown"},
    {0x0001, "PCM"},
    {0x0002, "Microsoft ADPCM"},
    {0x0003, "IEEE Float"},
    {0x0005, "IBM CVSD"},
    {0x0006, "CCITT A-Law"},
    {0x0007, "CCITT mu-Law"},
    {0x0010, "OKI ADPCM"},
    {0x0011, "IMA ADPCM"},
    {0x0011, "DVI ADPCM"},
    {0x0012, "Mediaspace's ADPCM"},
    {0x0013, "Sierra's ADPCM"},
    {0x0014, "CCITT G.723 ADPCM"},
    {0x0015, "Digisound DIGISTD"},
    {0x0016, "Digisound DIGIFIX"},
    {0x0017, "Dialogic OKI ADPCM"},
    {0x0018, "Mediavision's ADPCM"},
    {0x0020, "Yamaha ADPCM"},
    {0x0021, "Sonarc"},
    {0x0022, "DSP Group's Truespeech"},
    {0x0023, "Echo SC1"},
    {0x0024, "Audiofile AF36"},
    {0x0025, "Audio Processing Technology"},
    {0x0026, "Audiofile AF10"},
    {0x0030, "Dolby AC2"},
    {0x0031, "GSM 6.10"},
    {0x0033, "Antex ADPCME"},
    {0x0039, "CS IMA ADPCM"},
    {0x0040, "CCITT G.721 ADPCM"},
    {0x0050, "Microsoft MPEG"},
    {0x0055, "MPEG Layer-3"},
    {0x0200, "Creative's ADPCM"},
    {0x1001, "Olivetti's ADPCM"},
    {0xFFFE, "Extensible"}, // only when the sub-format is not one of the tags above
    {0xFFFF, "*DEVELOPMENT ONLY TAG*"},
};

// Reads the RIFF structure of a file. Returns none for a file that is not a valid wave file.
class RiffScanner {
public:
    explicit RiffScanner(TMMWave::WaveIO &io) : io_(io) {}

    bool scan(const QString &fileName);

private:
    bool readInfoList(int64_t listData, int64_t listSize);
    bool readDisp(int64_t data, int64_t size);
    bool readFormat(int64_t data, int64_t size);
    bool chunkHeaderAt(int64_t position, int64_t riffEnd);

    TMMWave::WaveIO &io_;
};

bool RiffScanner::scan(const QString &fileName)
{
    BufferedFile &file = io_.file;
    if (!file.open(fileName))
        return false;
    uint8_t head[12];
    if (!file.readExactly(head, sizeof head) || !isId(head + 8, "WAVE"))
        return false;
    // RF64 is RIFF with 64-bit sizes, kept in a ds64 chunk that comes first.
    const bool rf64 = isId(head, "RF64");
    if (!rf64 && !isId(head, "RIFF"))
        return false;

    const int64_t fileSize = file.size();
    uint64_t riffSize = le32(head + 4);
    uint64_t rf64DataSize = 0;
    int64_t position = sizeof head;
    if (rf64) {
        uint8_t ds64[ChunkHeaderSize + 16];
        if (!file.readExactly(ds64, sizeof ds64) || !isId(ds64, "ds64") || le32(ds64 + 4) < 16)
            return false;
        riffSize = le64(ds64 + 8);
        rf64DataSize = le64(ds64 + 16);
        const int64_t size = le32(ds64 + 4);
        position += ChunkHeaderSize + size + (size & 1);
    }
    // A RIFF size of 0 (a recording to a pipe) or one beyond the file means: up to the file's end.
    if (riffSize < 4 || riffSize > uint64_t(std::max<int64_t>(fileSize - ChunkHeaderSize, 0)))
        riffSize = uint64_t(std::max<int64_t>(fileSize - ChunkHeaderSize, 0));
    const int64_t riffEnd = ChunkHeaderSize + int64_t(riffSize);

    bool formatSeen = false, dataSeen = false, soundDataSeen = false, factSeen = false;
    bool previousWasData = false;
    int64_t dataEnd = -1;
    for (;;) {
        uint8_t chunk[ChunkHeaderSize];
        if (!file.seek(position) || !file.readExactly(chunk, ChunkHeaderSize))
            break; // no further chunk header
        const int64_t header = position;
        const int64_t data = header + ChunkHeaderSize;
        int64_t size = le32(chunk + 4);
        const bool isData = isId(chunk, "data");
        if (isData && rf64 && size == 0xFFFFFFFF)
            size = int64_t(std::min<uint64_t>(rf64DataSize, uint64_t(INT64_MAX / 2)));

        // Sample data whose size is open (0 or 0xFFFFFFFF, written to a pipe) or larger than
        // the file (an interrupted recording) runs to the end of the file; the scan ends there.
        if (isData && !soundDataSeen && (data + size > riffEnd || (size == 0 && !chunkHeaderAt(data, riffEnd)))) {
            io_.dataOffset = data;
            dataSeen = true;
            dataEnd = size == 0 ? fileSize : std::min(data + size, fileSize);
            break;
        }
        if (data + size > riffEnd) {
            // Past the end: a damaged file, unless format and data are known already. Bytes
            // that do not form a chunk after the data count as data.
            if (formatSeen && dataSeen)
                break;
            return false;
        }
        // The sample data reaches up to the next chunk header, whatever its declared size.
        if (previousWasData)
            dataEnd = header;
        previousWasData = false;
        if (isId(chunk, "LIST")) {
            if (!readInfoList(data, size))
                return false;
        } else if (isId(chunk, "DISP")) {
            if (!readDisp(data, size))
                return false;
        } else if (isId(chunk, "fmt ")) {
            if (formatSeen)
                break;
            if (!readFormat(data, size))
                return false;
            formatSeen = true;
        } else if (isData) {
            if (soundDataSeen)
                break;
            io_.dataOffset = data;
            dataSeen = true;
            soundDataSeen = size > 0;
            previousWasData = true;
            dataEnd = -1;
        } else if (isId(chunk, "fact")) {
            if (factSeen)
                break;
            uint8_t value[4];
            if (size >= 4 && (!file.seek(data) || !file.readExactly(value, sizeof value)))
                return false;
            factSeen = true;
        }

        const int64_t next = data + size + (size & 1);
        if (next > fileSize) {
            if (soundDataSeen)
                break;
            return false;
        }
        position = next;
    }

    if (!formatSeen)
        return false;
    const WAVEFORMATEX &format = io_.wfx();
    // Rates and block size divide every length computation; a zero there describes no sound.
    if (format.nBlockAlign == 0 || format.nSamplesPerSec == 0 || format.nAvgBytesPerSec == 0)
        return false;

    io_.fileSize = fileSize;
    if (dataSeen) {
        const int64_t end = dataEnd >= 0 ? dataEnd : fileSize;
        const int64_t align = format.nBlockAlign;
        io_.dataSize = align * (std::max<int64_t>(end - io_.dataOffset, 0) / align);
    } else {
        // A format without sample data: a wave of length 0.
        io_.dataOffset = 0;
        io_.dataSize = 0;
    }
    io_.sampleCount = wioBytesToSamples(format, io_.dataSize);
    io_.start = 0;
    io_.end = io_.sampleCount;
    io_.position = 0;
    io_.bytesLeft = 0;
    io_.fileName = fileName;
    file.close();
    return true;
}

// True when the bytes at position look like a chunk header (an id of four printable characters
// and a size that stays inside the RIFF), not like sample data.
bool RiffScanner::chunkHeaderAt(int64_t position, int64_t riffEnd)
{
    uint8_t chunk[ChunkHeaderSize];
    if (!io_.file.seek(position) || !io_.file.readExactly(chunk, ChunkHeaderSize))
        return false;
    for (int i = 0; i < 4; ++i)
        if (chunk[i] < 0x20 || chunk[i] > 0x7E)
            return false;
    return position + ChunkHeaderSize + int64_t(le32(chunk + 4)) <= riffEnd;
}

bool RiffScanner::readInfoList(int64_t listData, int64_t listSize)
{
    if (listSize < 5)
        return true;
    BufferedFile &file = io_.file;
    uint8_t type[4];
    if (!file.seek(listData) || !file.readExactly(type, sizeof type))
        return false;
    if (!isId(type, "INFO"))
        return true;
    const int64_t end = listData + listSize;
    int64_t position = listData + 4;
    while (position + ChunkHeaderSize <= end) {
        uint8_t entry[ChunkHeaderSize];
        if (!file.seek(position) || !file.readExactly(entry, ChunkHeaderSize))
            return false;
        const int64_t size = le32(entry + 4);
        if (position + ChunkHeaderSize + size > end)
            break; // a malformed entry ends the list
        const bool known = std::any_of(std::begin(InfoTags), std::end(InfoTags),
                                       [&](const char *tag) { return isId(entry, tag); });
        if (known) {
            QByteArray text(int(std::min(size, MaxInfoText)), '\0');
            if (!file.readExactly(text.data(), text.size()))
                return false;
            const qsizetype nul = text.indexOf('\0');
            if (nul >= 0)
                text.truncate(nul);
            io_.infoList.append({QByteArray(reinterpret_cast<const char *>(entry), 4), QString::fromLatin1(text)});
        }
        position += ChunkHeaderSize + size + (size & 1);
    }
    return true;
}

bool RiffScanner::readDisp(int64_t data, int64_t size)
{
    if (size < 5)
        return true;
    BufferedFile &file = io_.file;
    uint8_t type[4];
    QByteArray bytes(int(std::min(size - 4, MaxDispBytes)), '\0');
    if (!file.seek(data) || !file.readExactly(type, sizeof type) || !file.readExactly(bytes.data(), bytes.size()))
        return false;
    io_.dispList.append({le32(type), bytes});
    return true;
}

bool RiffScanner::readFormat(int64_t data, int64_t size)
{
    const int64_t present = std::min(size, MaxFormatBytes);
    io_.format.assign(size_t(std::max<int64_t>(present, sizeof(WAVEFORMATEX))), 0);
    if (!io_.file.seek(data) || !io_.file.readExactly(io_.format.data(), present))
        return false;
    // Extra format bytes are only what the chunk really holds: copies never read beyond it.
    auto &format = *reinterpret_cast<WAVEFORMATEX *>(io_.format.data());
    const int64_t extraPresent = std::max<int64_t>(present - int64_t(sizeof(WAVEFORMATEX)), 0);
    if (format.wFormatTag != WAVE_FORMAT_PCM && format.cbSize > extraPresent)
        format.cbSize = uint16_t(extraPresent);
    return true;
}

} // namespace

uint16_t WaveSampleFormatTag(const WAVEFORMATEX *format)
{
    if (!format)
        return 0;
    if (format->wFormatTag != FormatExtensible)
        return format->wFormatTag;
    // Valid bits (2), channel mask (4), then the sub-format GUID: a format tag followed by the
    // tail that every tag-based sub-format shares.
    static const uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    if (format->cbSize < 22)
        return FormatExtensible;
    const auto *guid = reinterpret_cast<const uint8_t *>(format) + sizeof(WAVEFORMATEX) + 6;
    if (std::memcmp(guid + 2, guidTail, sizeof guidTail) != 0)
        return FormatExtensible;
    return uint16_t(guid[0] | guid[1] << 8);
}

QString WaveFormatTagName(uint16_t tag)
{
    for (const TagName &entry : FormatTagNames) {
        if (entry.tag == tag)
            return QString::fromLatin1(entry.name);
    }
    return QStringLiteral("Unknown");
}

TMMWave::TMMWave() = default;

TMMWave::~TMMWave() = default;

void TMMWave::SetFileName(const QString &fileName)
{
    if (fileName == fileName_)
        return;
    if (fileName.isEmpty()) {
        const bool wasLoaded = Loaded();
        Unload();
        if (wasLoaded)
            Changed();
        return;
    }
    struct stat st {};
    if (::stat(pathToBytes(fileName).constData(), &st) != 0) {
        if (fileMustExist_)
            throw EMMWaveError(MMMessageText(MMMessage::ErrorReadingWaveFile));
        Unload();
        fileName_ = fileName;
        Changed();
        return;
    }
    std::unique_ptr<WaveIO> io;
    bool valid = false;
    try {
        io = std::make_unique<WaveIO>();
        valid = RiffScanner(*io).scan(fileName);
    } catch (const std::bad_alloc &) {
        valid = false;
    }
    if (!valid)
        throw EMMWaveError(MMMessageText(MMMessage::InvalidWaveFile));
    Unload();
    io_ = std::move(io);
    fileName_ = fileName;
    Changed();
}

void TMMWave::Unload()
{
    io_.reset();
    fileName_.clear();
}

void TMMWave::SetIOBufferSize(int32_t value)
{
    ioBufferSize_ = std::max(value, MinIOBufferSize);
    if (IsOpen()) {
        try {
            io_->file.setBufferSize(ioBufferSize_);
        } catch (const std::bad_alloc &) {
            throw EMMWaveError(MMMessageText(MMMessage::UnableToSetupIOBuffer));
        }
    }
}

const WAVEFORMATEX *TMMWave::PWaveFormat() const
{
    return io_ ? &io_->wfx() : nullptr;
}

uint16_t TMMWave::FormatTag() const
{
    return io_ ? io_->wfx().wFormatTag : 0;
}

uint16_t TMMWave::SampleFormatTag() const
{
    return io_ ? WaveSampleFormatTag(&io_->wfx()) : 0;
}

QString TMMWave::FormatString() const
{
    return io_ ? WaveFormatTagName(SampleFormatTag()) : QStringLiteral("Unknown");
}

int32_t TMMWave::SampleRate() const
{
    return io_ ? int32_t(std::min<uint32_t>(io_->wfx().nSamplesPerSec, INT32_MAX)) : 11025;
}

int32_t TMMWave::BitLength() const
{
    return io_ ? io_->wfx().wBitsPerSample : 0;
}

TMMMode TMMWave::Mode() const
{
    return io_ && io_->wfx().nChannels == 2 ? mStereo : mMono;
}

int64_t TMMWave::FileSize() const
{
    return io_ ? io_->fileSize : 0;
}

int64_t TMMWave::ToTime(int64_t samples) const
{
    return wioSamplesToTime(io_->wfx(), samples, timeFormat_);
}

int64_t TMMWave::DataSize() const
{
    return io_ ? ToTime(io_->sampleCount) : 0;
}

int64_t TMMWave::Duration() const
{
    return io_ ? ToTime(io_->end) - ToTime(io_->start) : 0;
}

int64_t TMMWave::Position() const
{
    return io_ ? ToTime(io_->position) : -1;
}

void TMMWave::SetPosition(int64_t value)
{
    if (!io_)
        return;
    SetSamplePosition(wioTimeToSamples(io_->wfx(), value, timeFormat_));
}

void TMMWave::SetSamplePosition(int64_t samples)
{
    WaveIO &io = *io_;
    samples = std::clamp<int64_t>(samples, 0, io.sampleCount);
    samples = std::max<int64_t>(std::min(samples, io.end - io.start - 1), 0);
    const int64_t byteOffset = std::min(wioSamplesToBytes(io.wfx(), io.start + samples), io.dataSize);
    if (io.file.isOpen()) {
        if (!io.file.seek(io.dataOffset + byteOffset))
            throw EMMWaveError(MMMessageText(MMMessage::ErrorSeekingFilePosition));
        // Never past the sample data, whatever the rounding of a compressed format gives.
        const int64_t endBytes = std::min(wioSamplesToBytes(io.wfx(), io.end), io.dataSize);
        io.bytesLeft = std::max<int64_t>(endBytes - byteOffset, 0);
    }
    io.position = wioBytesToSamples(io.wfx(), byteOffset) - io.start;
}

void TMMWave::OpenWave()
{
    if (!io_ || io_->file.isOpen())
        return;
    if (!io_->file.open(io_->fileName))
        throw EMMWaveError(MMMessageText(MMMessage::UnableToOpenWaveFile));
    try {
        SetSamplePosition(io_->position);
    } catch (const EMMWaveError &) {
        io_->file.close();
        throw EMMWaveError(MMMessageText(MMMessage::UnableToOpenWaveFile));
    }
    try {
        io_->file.setBufferSize(ioBufferSize_);
    } catch (const std::bad_alloc &) {
        io_->file.close();
        throw EMMWaveError(MMMessageText(MMMessage::UnableToSetupIOBuffer));
    }
}

void TMMWave::CloseWave()
{
    if (!io_)
        return;
    io_->file.close();
    io_->bytesLeft = 0;
    io_->position = 0;
}

bool TMMWave::IsOpen() const
{
    return io_ && io_->file.isOpen();
}

int64_t TMMWave::ReadData(void *buffer, int64_t length)
{
    if (!IsOpen())
        return -1;
    WaveIO &io = *io_;
    if (io.bytesLeft <= 0)
        return -1;
    length = std::max<int64_t>(length, 0);
    int64_t got = io.file.read(buffer, std::min(length, io.bytesLeft));
    got = std::max<int64_t>(got, 0);
    if (got < length)
        io.bytesLeft = 0; // the data ends within this read
    if (got > 0) {
        io.bytesLeft = std::max<int64_t>(io.bytesLeft - got, 0);
        io.position += wioBytesToSamples(io.wfx(), got);
    }
    return got;
}

int64_t TMMWave::BytesLeft() const
{
    return io_ ? io_->bytesLeft : 0;
}

void TMMWave::Assign(const TMMWave *other)
{
    if (other == this)
        return;
    if (!other) {
        SetFileName(QString());
        return;
    }
    fileMustExist_ = other->fileMustExist_;
    ioBufferSize_ = other->ioBufferSize_;
    timeFormat_ = other->timeFormat_;
    SetFileName(other->fileName_);
}

void TMMWave::AddChangeListener(TChangeCallback callback, void *data)
{
    listeners_.emplace_back(callback, data);
}

void TMMWave::RemoveChangeListener(TChangeCallback callback, void *data)
{
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), std::make_pair(callback, data)),
                     listeners_.end());
}

void TMMWave::Changed()
{
    TMMObject::Changed();
    const auto listeners = listeners_; // a listener may unregister itself
    for (const auto &[callback, data] : listeners) {
        if (callback)
            callback(data, this);
    }
}

QList<QPair<QByteArray, QString>> TMMWave::InfoList() const
{
    return io_ ? io_->infoList : QList<QPair<QByteArray, QString>>{};
}

QList<QPair<uint32_t, QByteArray>> TMMWave::DispList() const
{
    return io_ ? io_->dispList : QList<QPair<uint32_t, QByteArray>>{};
}

} // namespace tb
