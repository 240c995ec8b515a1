#include "engine/fs/FileNames.h"

#include <cstring>

namespace FileNames {

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // a stray byte b becomes U+DC00 + b (b >= 0x80)

bool isEscapedByte(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

bool isControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// Length of the valid UTF-8 sequence at p (at most n bytes), or 0 when the
// byte there does not start one. Overlong forms, surrogates and values above
// U+10FFFF are not valid, so every valid name decodes one way only.
int sequenceLength(const unsigned char *p, qsizetype n, char32_t *out)
{
    const unsigned char b = p[0];
    int len;
    char32_t c, min;
    if (b < 0x80) {
        *out = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        len = 2, c = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3, c = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4, c = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    *out = c;
    return len;
}

void appendHex(QString &out, unsigned byte)
{
    static const char digits[] = "0123456789ABCDEF";
    out += QLatin1String("\\x");
    out += QLatin1Char(digits[byte >> 4]);
    out += QLatin1Char(digits[byte & 15]);
}

bool needsEscape(QStringView text, bool reversible)
{
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || isEscapedByte(c) || (reversible && c == u'\\'))
            return true;
    }
    return false;
}

QString escape(QStringView text, bool reversible)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (isEscapedByte(c)) {
            appendHex(out, unsigned(c - kEscapeBase));
        } else if (c < 0x80 && isControl(c)) {
            appendHex(out, c);
        } else if (isControl(c)) {
            appendHex(out, 0xC0 | (c >> 6)); // the two bytes of U+0080..U+009F
            appendHex(out, 0x80 | (c & 0x3F));
        } else if (c == u'\\' && reversible) {
            out += QLatin1String("\\\\");
        } else {
            out += QChar(c);
        }
    }
    return out;
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

} // namespace

QString fromBytes(const char *bytes, qsizetype size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes);
    qsizetype i = 0;
    while (i < size && p[i] < 0x80)
        ++i;
    if (i == size)
        return QString::fromLatin1(bytes, size); // the usual name: plain ASCII

    // Valid UTF-8 (a Greek name of today) goes through Qt's fast decoder.
    qsizetype j = i;
    char32_t c;
    for (int len; j < size && (len = sequenceLength(p + j, size - j, &c)) > 0;)
        j += len;
    if (j == size)
        return QString::fromUtf8(bytes, size);

    QString out;
    out.reserve(size);
    out.append(QLatin1String(bytes, i));
    while (i < size) {
        const int len = sequenceLength(p + i, size - i, &c);
        if (len == 0) {
            out.append(QChar(char16_t(kEscapeBase + p[i])));
            ++i;
        } else {
            if (c < 0x10000) {
                out.append(QChar(char16_t(c)));
            } else {
                out.append(QChar(QChar::highSurrogate(c)));
                out.append(QChar(QChar::lowSurrogate(c)));
            }
            i += len;
        }
    }
    return out;
}

QString fromBytes(const char *nulTerminated)
{
    return fromBytes(nulTerminated, qsizetype(std::strlen(nulTerminated)));
}

QByteArray toBytes(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            out.append(char(c));
            continue;
        }
        if (isEscapedByte(char16_t(c))) {
            out.append(char(c - kEscapeBase));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD; // cannot come from a disk; typed or pasted text only
        }
        if (c < 0x800) {
            out.append(char(0xC0 | (c >> 6)));
        } else if (c < 0x10000) {
            out.append(char(0xE0 | (c >> 12)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
        } else {
            out.append(char(0xF0 | (c >> 18)));
            out.append(char(0x80 | ((c >> 12) & 0x3F)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
        }
        out.append(char(0x80 | (c & 0x3F)));
    }
    return out;
}

QString shown(QStringView text) { return escape(text, false); }
QString shown(const QString &text) { return needsEscape(text, false) ? escape(text, false) : text; }

QString escaped(QStringView text) { return escape(text, true); }
QString escaped(const QString &text) { return needsEscape(text, true) ? escape(text, true) : text; }

QString unescaped(QStringView text, bool *ok)
{
    // Back to bytes first: "\xC2\x85" is one character, "\xE1" a stray byte.
    QByteArray bytes;
    bytes.reserve(text.size());
    bool good = true;
    qsizetype plain = 0;
    auto flush = [&](qsizetype end) {
        bytes += toBytes(text.mid(plain, end - plain));
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\')
            continue;
        flush(i);
        if (i + 1 < text.size() && text[i + 1] == u'\\') {
            bytes.append('\\');
            ++i;
        } else if (i + 3 < text.size() && text[i + 1] == u'x' && hexValue(text[i + 2]) >= 0
                   && hexValue(text[i + 3]) >= 0) {
            bytes.append(char(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3])));
            i += 3;
        } else {
            good = false;
            bytes.append('\\');
        }
        plain = i + 1;
    }
    flush(text.size());
    if (ok)
        *ok = good;
    return fromBytes(bytes);
}

} // namespace FileNames
