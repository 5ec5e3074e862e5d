#include "BigIniFile.h"

#include "AtomicFileWriter.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/PathBytes.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace tb {

namespace {
// Values are kept as the file's bytes; a path that is not UTF-8 comes back byte for byte.
std::string bytes(const QString &text) { return pathToStdBytes(text); }
QString text(const std::string &bytes) { return pathFromBytes(bytes); }
} // namespace

TBigIniFile::TBigIniFile(const QString &fileName, DuplicateSectionHook hook, void *hookUser)
    : duplicateHook_(std::move(hook)), duplicateHookUser_(hookUser), fileName_(fileName)
{
    LoadFromFile();
}

TBigIniFile::~TBigIniFile()
{
    try {
        UpdateFile();
    } catch (...) {
    }
}

void TBigIniFile::LoadFromFile()
{
    sections_.clear();
    if (!fileName_.isEmpty()) {
        const QByteArray path = pathToBytes(fileName_);
        // Non-blocking, so that a named pipe in place of the file cannot hang the program.
        int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat info {};
        if (fd >= 0 && (::fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)))) {
            ::close(fd);
            throw EInOutError(runtimeErrorText(EACCES));
        }
        if (fd < 0) {
            if (errno != ENOENT && errno != ENOTDIR)
                throw EInOutError(runtimeErrorText(errno));
        } else {
            std::string content;
            std::string chunk(static_cast<size_t>(TextBufferSize), '\0');
            bool ended = false;
            while (!ended) {
                ssize_t got = ::read(fd, chunk.data(), chunk.size());
                if (got < 0) {
                    if (errno == EINTR)
                        continue;
                    int error = errno;
                    ::close(fd);
                    throw EInOutError(runtimeErrorText(error));
                }
                if (got == 0)
                    break;
                // 0x1A ends the text: nothing after it is read.
                std::string_view piece(chunk.data(), static_cast<size_t>(got));
                size_t eof = piece.find('\x1A');
                if (eof != std::string_view::npos) {
                    piece = piece.substr(0, eof);
                    ended = true;
                }
                content.append(piece);
            }
            ::close(fd);
            parse(content);
        }
    }
    sectionCursor_ = 0;
    modified_ = false;
}

void TBigIniFile::parse(const std::string &content)
{
    int current = -1;
    size_t pos = 0;
    const size_t n = content.size();
    while (pos < n) {
        // A line ends at CR; an LF right after the CR belongs to the line end, any other LF is text.
        size_t cr = content.find('\r', pos);
        size_t end = cr == std::string::npos ? n : cr;
        std::string_view line(content.data() + pos, end - pos);
        pos = end;
        if (cr != std::string::npos) {
            ++pos;
            if (pos < n && content[pos] == '\n')
                ++pos;
        }
        if (line.empty())
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current = sections_.add(std::string(line.substr(1, line.size() - 2)));
            continue;
        }
        if (current >= 0)
            sections_.at(current).lines.emplace_back(line);
    }
    mergeDuplicateSections();
}

void TBigIniFile::mergeDuplicateSections()
{
    auto &list = sections_.sections();
    std::vector<bool> keep(list.size(), true);
    std::unordered_map<std::string, size_t> firstByName; // folded name -> index of the one kept
    for (size_t i = 0; i < list.size(); ++i) {
        std::string folded = foldCase(list[i].name);
        auto found = firstByName.find(folded);
        if (found == firstByName.end()) {
            firstByName.emplace(std::move(folded), i);
            continue;
        }
        size_t earlier = found->second;
        bool keepEarlier = !duplicateHook_ ||
                           duplicateHook_(duplicateHookUser_, list[i].name, list[earlier].lines, list[i].lines);
        if (keepEarlier) {
            keep[i] = false;
        } else {
            keep[earlier] = false;
            found->second = i;
        }
    }
    std::vector<TSectionList::Section> kept;
    kept.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i)
        if (keep[i])
            kept.push_back(std::move(list[i]));
    list = std::move(kept);
}

int TBigIniFile::findSection(const std::string &name)
{
    int index = sections_.find(name, sectionCursor_);
    if (index >= 0)
        sectionCursor_ = index;
    return index;
}

int TBigIniFile::findKeyLine(const TSectionList::Section &section, const std::string &key)
{
    for (size_t i = 0; i < section.lines.size(); ++i) {
        const std::string &line = section.lines[i];
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        if (sameTextIgnoringCase(std::string_view(line).substr(0, eq), key))
            return static_cast<int>(i);
    }
    return -1;
}

const std::string *TBigIniFile::findValueLine(const std::string &section, const std::string &key)
{
    int s = findSection(section);
    if (s < 0)
        return nullptr;
    const auto &sec = sections_.at(s);
    int line = findKeyLine(sec, key);
    return line < 0 ? nullptr : &sec.lines[static_cast<size_t>(line)];
}

QString TBigIniFile::ReadString(const QString &section, const QString &key, const QString &defaultValue)
{
    const std::string *line = findValueLine(bytes(section), bytes(key));
    if (!line)
        return defaultValue;
    return text(line->substr(line->find('=') + 1));
}

bool TBigIniFile::parseInteger(std::string value, int32_t &result)
{
    if (value.size() >= 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X'))
        value.replace(0, 2, "$");
    size_t i = 0;
    while (i < value.size() && value[i] == ' ')
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < value.size() && (value[i] == '$' || value[i] == 'x' || value[i] == 'X')) {
        hex = true;
        ++i;
    }
    if (i >= value.size())
        return false;
    // Hexadecimal text covers the 32 bits as they are ($FFFFFFFF is -1); decimal must fit the range.
    const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    uint64_t magnitude = 0;
    for (; i < value.size(); ++i) {
        char c = value[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (magnitude > limit)
            return false;
    }
    uint32_t bits = static_cast<uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    result = static_cast<int32_t>(bits);
    return true;
}

int32_t TBigIniFile::ReadInteger(const QString &section, const QString &key, int32_t defaultValue)
{
    const std::string *line = findValueLine(bytes(section), bytes(key));
    if (!line)
        return defaultValue;
    int32_t value = 0;
    return parseInteger(line->substr(line->find('=') + 1), value) ? value : defaultValue;
}

bool TBigIniFile::ReadBool(const QString &section, const QString &key, bool defaultValue)
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TBigIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    const std::string sectionName = bytes(section);
    if (key.isEmpty()) {
        if (!section.isEmpty() || !value.isEmpty()) {
            int s = findSection(sectionName);
            if (s >= 0) {
                sections_.remove(s);
                sectionCursor_ = 0;
                modified_ = true;
            }
        } else {
            UpdateFile();
        }
        return;
    }
    const std::string keyText = bytes(key);
    std::string newLine = keyText + "=" + bytes(value);
    int s = findSection(sectionName);
    if (s < 0) {
        s = sections_.add(sectionName);
        sectionCursor_ = s;
    }
    auto &lines = sections_.at(s).lines;
    int existing = findKeyLine(sections_.at(s), keyText);
    if (existing < 0) {
        lines.push_back(std::move(newLine));
        modified_ = true;
    } else if (lines[static_cast<size_t>(existing)] != newLine) {
        lines[static_cast<size_t>(existing)] = std::move(newLine);
        modified_ = true;
    }
}

void TBigIniFile::WriteInteger(const QString &section, const QString &key, int32_t value)
{
    WriteString(section, key, QString::number(value));
}

void TBigIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

std::string TBigIniFile::render() const
{
    std::string out;
    for (const auto &section : sections_.sections()) {
        if (section.lines.empty())
            continue;
        out += '[';
        out += section.name;
        out += "]\r\n";
        for (const std::string &line : section.lines) {
            out += line;
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

void TBigIniFile::UpdateFile()
{
    if (!modified_ || fileName_.isEmpty())
        return;
    writeFileAtomically(fileName_, render(), static_cast<size_t>(TextBufferSize));
    modified_ = false;
}

void TBigIniFile::Clear()
{
    sections_.clear();
    sectionCursor_ = 0;
    modified_ = true;
}

TAppIniFile::TAppIniFile() : TAppIniFile(programFolder()) {}

TAppIniFile::TAppIniFile(const QString &programFolder) : TBiggerIniFile(SettingsFileName(programFolder)) {}

QString TAppIniFile::SettingsFileName(const QString &programFolder)
{
    QString base = QFileInfo(executablePath()).completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("kestrel");
    return withTrailingSlash(programFolder) + base + ".ini";
}

} // namespace tb
