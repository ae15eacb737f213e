#include "JsonTextWriter.h"

#include <climits>
#include <cstring>

namespace {

// Qt writes the hex digits of \u escapes in lower case.
inline char16_t hexDigit(unsigned value)
{
    return u"0123456789abcdef"[value & 0xf];
}

inline bool isHighSurrogate(char16_t c)
{
    return c >= 0xd800 && c < 0xdc00;
}

inline bool isLowSurrogate(char16_t c)
{
    return c >= 0xdc00 && c < 0xe000;
}

inline bool needsEscape(char16_t c)
{
    return (c < 0x20) | (c == u'"') | (c == u'\\');
}

// Writes the escape of a code unit that JSON text cannot hold as it is; returns the units written.
inline int writeEscape(char16_t* out, char16_t c)
{
    out[0] = u'\\';
    switch (c) {
    case u'"':
        out[1] = u'"';
        return 2;
    case u'\\':
        out[1] = u'\\';
        return 2;
    case u'\b':
        out[1] = u'b';
        return 2;
    case u'\f':
        out[1] = u'f';
        return 2;
    case u'\n':
        out[1] = u'n';
        return 2;
    case u'\r':
        out[1] = u'r';
        return 2;
    case u'\t':
        out[1] = u't';
        return 2;
    default:
        // Other control characters, and surrogates without their partner (UTF-8 cannot carry them).
        out[1] = u'u';
        out[2] = hexDigit(c >> 12);
        out[3] = hexDigit(c >> 8);
        out[4] = hexDigit(c >> 4);
        out[5] = hexDigit(c);
        return 6;
    }
}

} // namespace

JsonTextWriter::JsonTextWriter(int capacity)
    : JsonTextWriter(QString(), capacity)
{
}

JsonTextWriter::JsonTextWriter(QString room, int capacity)
    : m_text(std::move(room))
{
    if (!m_text.isDetached())
        m_text = QString();
    m_text.resize(qMax(qMax(capacity, 16), m_text.capacity()));
    m_data = reinterpret_cast<char16_t*>(m_text.data());
    m_capacity = m_text.size();
}

void JsonTextWriter::grow(qint64 n)
{
    // Past the largest QString, resize() reports the failed allocation.
    m_text.resize(int(qMin<qint64>(qMax<qint64>(qint64(m_capacity) * 2, m_size + n), INT_MAX)));
    m_data = reinterpret_cast<char16_t*>(m_text.data());
    m_capacity = m_text.size();
}

void JsonTextWriter::writeKey(const char16_t* name, int length)
{
    char16_t* out = room(length + 4);
    if (m_needComma)
        *out++ = u',';
    *out++ = u'"';
    for (int i = 0; i < length; ++i)
        Q_ASSERT(!needsEscape(name[i]) && (name[i] < 0xd800 || name[i] >= 0xe000));
    std::memcpy(out, name, size_t(length) * sizeof(char16_t));
    out += length;
    *out++ = u'"';
    *out++ = u':';
    m_size = int(out - m_data);
    m_needComma = false;
}

void JsonTextWriter::value(int number)
{
    separate();
    char16_t digits[12];
    char16_t* end = digits + sizeof digits / sizeof digits[0];
    char16_t* first = end;
    // Through unsigned, so that the lowest int has a magnitude too.
    unsigned magnitude = number < 0 ? 0u - unsigned(number) : unsigned(number);
    do {
        *--first = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0)
        *--first = u'-';
    const int length = int(end - first);
    char16_t* out = room(length);
    for (int i = 0; i < length; ++i)
        out[i] = first[i];
    m_size += length;
    m_needComma = true;
}

void JsonTextWriter::value(QStringView text)
{
    separate();
    writeString(reinterpret_cast<const char16_t*>(text.utf16()), int(text.size()));
    m_needComma = true;
}

void JsonTextWriter::writeString(const char16_t* text, int length)
{
    // An escape takes at most six units for one.
    char16_t* out = room(qint64(length) * 6 + 2);
    char16_t* const start = out;
    *out++ = u'"';
    const char16_t* const end = text + length;
    while (text != end) {
        const char16_t c = *text++;
        if (!needsEscape(c) && (c < 0xd800 || c >= 0xe000)) {
            *out++ = c;
        } else if (isHighSurrogate(c) && text != end && isLowSurrogate(*text)) {
            *out++ = c;
            *out++ = *text++;
        } else {
            out += writeEscape(out, c);
        }
    }
    *out++ = u'"';
    m_size += int(out - start);
}

QString JsonTextWriter::take()
{
    // The room left is not trimmed: the text is sent and dropped soon, and trimming copies it whole.
    m_text.resize(m_size);
    QString text = std::move(m_text);
    m_text = QString();
    m_data = nullptr;
    m_size = 0;
    m_capacity = 0;
    m_needComma = false;
    return text;
}
