#include "PathBytes.h"

namespace tb {

namespace {
constexpr char16_t EscapeBase = 0xDC00; // + the byte, for bytes 0x80..0xFF
constexpr char16_t Replacement = 0xFFFD;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at `at` and its code point; 0 when the bytes there are not one.
size_t validSequence(std::string_view s, size_t at, char32_t &code)
{
    const auto c0 = static_cast<unsigned char>(s[at]);
    size_t length;
    char32_t min;
    if (c0 < 0x80) {
        code = c0;
        return 1;
    } else if (c0 >= 0xC2 && c0 <= 0xDF) {
        length = 2, min = 0x80, code = c0 & 0x1F;
    } else if (c0 >= 0xE0 && c0 <= 0xEF) {
        length = 3, min = 0x800, code = c0 & 0x0F;
    } else if (c0 >= 0xF0 && c0 <= 0xF4) {
        length = 4, min = 0x10000, code = c0 & 0x07;
    } else {
        return 0;
    }
    if (at + length > s.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(s[at + i]);
        if (!isContinuation(c))
            return 0;
        code = code << 6 | (c & 0x3F);
    }
    // Overlong forms, encoded surrogates and values beyond Unicode are not valid UTF-8.
    if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

template <typename Bytes> void appendUtf8(Bytes &out, char32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | code >> 6));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | code >> 12));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | code >> 18));
        out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

template <typename Bytes> Bytes encode(const QString &path)
{
    Bytes out;
    out.reserve(static_cast<size_t>(path.size()));
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = path[i].unicode();
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && path[i + 1].unicode() >= 0xDC00 &&
            path[i + 1].unicode() <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (path[i + 1].unicode() - 0xDC00));
            ++i;
        } else if (u >= EscapeBase + 0x80 && u <= EscapeBase + 0xFF) {
            out.push_back(static_cast<char>(u - EscapeBase));
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            appendUtf8(out, Replacement); // a stray surrogate that no file name produced
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}
} // namespace

QString pathFromBytes(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (size_t at = 0; at < bytes.size();) {
        char32_t code = 0;
        const size_t length = validSequence(bytes, at, code);
        if (length == 0) {
            out.append(QChar(static_cast<char16_t>(EscapeBase + static_cast<unsigned char>(bytes[at]))));
            ++at;
            continue;
        }
        if (code >= 0x10000) {
            out.append(QChar(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10))));
            out.append(QChar(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF))));
        } else {
            out.append(QChar(static_cast<char16_t>(code)));
        }
        at += length;
    }
    return out;
}

QByteArray pathToBytes(const QString &path) { return encode<QByteArray>(path); }

std::string pathToStdBytes(const QString &path) { return encode<std::string>(path); }

QString displayPath(const QString &path)
{
    QString shown = path;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t u = shown[i].unicode();
        const bool pairStart = u >= 0xD800 && u <= 0xDBFF && i + 1 < shown.size() &&
                               shown[i + 1].unicode() >= 0xDC00 && shown[i + 1].unicode() <= 0xDFFF;
        if (pairStart)
            ++i;
        else if (u >= 0xD800 && u <= 0xDFFF)
            shown[i] = QChar(Replacement);
    }
    return shown;
}

} // namespace tb
