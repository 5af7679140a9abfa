#include "Gbk.h"

#include <iconv.h>

#include <array>
#include <cstring>
#include <memory>

namespace {

constexpr quint16 NoCode = 0xFFFF;   // no GBK code: lead byte 0xFF is never valid

// GBK code of every character of the Basic Multilingual Plane (GBK has none
// beyond it) and the character of every two-byte GBK code, both taken from
// glibc's converter so that the store agrees with it byte for byte.
struct GbkTables {
    std::array<quint16, 0x10000> encode;   // < 0x80: one byte, else lead<<8|trail
    std::array<char16_t, 0x10000> decode;  // index lead<<8|trail, 0 = none

    GbkTables() {
        encode.fill(NoCode);
        decode.fill(0);
        for (unsigned c = 0; c < 0x80; ++c)
            encode[c] = quint16(c);

        iconv_t toGbk = iconv_open("GBK", "UTF-32LE");
        iconv_t fromGbk = iconv_open("UTF-32LE", "GBK");
        if (toGbk != iconv_t(-1)) {
            for (unsigned c = 0x80; c < 0x10000; ++c) {
                if (c >= 0xD800 && c <= 0xDFFF)
                    continue;
                unsigned char in[4] = {uchar(c), uchar(c >> 8), 0, 0};
                unsigned char out[8];
                char *ip = reinterpret_cast<char *>(in);
                char *op = reinterpret_cast<char *>(out);
                size_t il = 4, ol = sizeof out;
                iconv(toGbk, nullptr, nullptr, nullptr, nullptr);
                if (iconv(toGbk, &ip, &il, &op, &ol) == size_t(-1))
                    continue;
                const size_t n = sizeof out - ol;
                if (n == 2 && out[0] >= 0x81)
                    encode[c] = quint16(out[0] << 8 | out[1]);
            }
            iconv_close(toGbk);
        }
        if (fromGbk != iconv_t(-1)) {
            for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
                for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                    unsigned char in[2] = {uchar(lead), uchar(trail)};
                    unsigned char out[8];
                    char *ip = reinterpret_cast<char *>(in);
                    char *op = reinterpret_cast<char *>(out);
                    size_t il = 2, ol = sizeof out;
                    iconv(fromGbk, nullptr, nullptr, nullptr, nullptr);
                    if (iconv(fromGbk, &ip, &il, &op, &ol) == size_t(-1) || il != 0)
                        continue;
                    if (sizeof out - ol != 4)
                        continue;
                    const quint32 cp = out[0] | out[1] << 8 | out[2] << 16 | quint32(out[3]) << 24;
                    if (cp > 0 && cp < 0x10000)
                        decode[lead << 8 | trail] = char16_t(cp);
                }
            }
            iconv_close(fromGbk);
        }
    }
};

const GbkTables &tables() {
    static const auto t = std::make_unique<GbkTables>();
    return *t;
}

// GBK code of a UTF-16 code unit, NoCode when it has none (surrogates too).
inline quint16 codeOf(char16_t u) {
    return tables().encode[u];
}

} // namespace

QByteArray ToGbk(const QString &text, bool *ok) {
    QByteArray out;
    out.reserve(text.size() * 2);
    for (const QChar ch : text) {
        const quint16 c = codeOf(ch.unicode());
        if (c == NoCode) {
            if (ok)
                *ok = false;
            return {};
        }
        if (c < 0x80) {
            out.append(char(c));
        } else {
            out.append(char(c >> 8));
            out.append(char(c & 0xFF));
        }
    }
    if (ok)
        *ok = true;
    return out;
}

QString FromGbk(const char *bytes, qsizetype size) {
    const auto &t = tables();
    QString out;
    out.reserve(size);
    const auto *p = reinterpret_cast<const unsigned char *>(bytes);
    for (qsizetype i = 0; i < size;) {
        const unsigned char b = p[i];
        if (b == 0)
            break;
        if (b < 0x80) {
            out.append(QChar(b));
            ++i;
            continue;
        }
        if (b >= 0x81 && b <= 0xFE && i + 1 < size && p[i + 1] >= 0x40) {
            const char16_t u = t.decode[b << 8 | p[i + 1]];
            out.append(u ? QChar(u) : QChar(QChar::ReplacementCharacter));
            i += 2;
            continue;
        }
        out.append(QChar(QChar::ReplacementCharacter));
        ++i;
    }
    return out;
}

QString FromGbk(const QByteArray &bytes) {
    return FromGbk(bytes.constData(), bytes.size());
}

qsizetype GbkLength(const QString &text) {
    qsizetype n = 0;
    for (const QChar ch : text) {
        const quint16 c = codeOf(ch.unicode());
        if (c == NoCode)
            return -1;
        n += c < 0x80 ? 1 : 2;
    }
    return n;
}

QString CutToGbkBytes(const QString &text, qsizetype maxBytes) {
    qsizetype n = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const char16_t u = text.at(i).unicode();
        qsizetype units = 1;
        qsizetype bytes;
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            units = 2;
            bytes = 2;
        } else {
            const quint16 c = codeOf(u);
            bytes = (c != NoCode && c < 0x80) ? 1 : 2;
        }
        if (n + bytes > maxBytes)
            break;
        n += bytes;
        i += units;
    }
    return i == text.size() ? text : text.left(i);
}

bool IsGbkEncodable(const QString &text) {
    return FirstNonGbkCharacter(text).isEmpty();
}

QString FirstNonGbkCharacter(const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (codeOf(u) != NoCode)
            continue;
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            return text.mid(i, 2);
        return text.mid(i, 1);
    }
    return {};
}

namespace {

// Reads UTF-8 one character at a time and hands out its GBK bytes; a
// character without a GBK code gives 0xFF and its code point in three bytes,
// after every real code.
struct GbkByteStream {
    const unsigned char *p;
    const unsigned char *end;
    unsigned char buf[4];
    int len = 0;
    int pos = 0;

    GbkByteStream(const char *s, qsizetype n)
        : p(reinterpret_cast<const unsigned char *>(s)), end(p + n) {}

    quint32 nextCodePoint() {
        const unsigned char b = *p++;
        if (b < 0x80)
            return b;
        int extra;
        quint32 cp;
        if ((b & 0xE0) == 0xC0) { extra = 1; cp = b & 0x1F; }
        else if ((b & 0xF0) == 0xE0) { extra = 2; cp = b & 0x0F; }
        else if ((b & 0xF8) == 0xF0) { extra = 3; cp = b & 0x07; }
        else return 0xFFFD;
        for (int k = 0; k < extra; ++k) {
            if (p == end || (*p & 0xC0) != 0x80)
                return 0xFFFD;
            cp = cp << 6 | (*p++ & 0x3F);
        }
        return cp;
    }

    // Next byte, or -1 at the end.
    int next() {
        if (pos == len) {
            if (p == end)
                return -1;
            const quint32 cp = nextCodePoint();
            const quint16 c = cp < 0x10000 ? codeOf(char16_t(cp)) : NoCode;
            pos = 0;
            if (c == NoCode) {
                buf[0] = 0xFF; buf[1] = uchar(cp >> 16); buf[2] = uchar(cp >> 8); buf[3] = uchar(cp);
                len = 4;
            } else if (c < 0x80) {
                buf[0] = uchar(c);
                len = 1;
            } else {
                buf[0] = uchar(c >> 8);
                buf[1] = uchar(c);
                len = 2;
            }
        }
        return buf[pos++];
    }
};

} // namespace

int CompareUtf8ByGbk(const char *a, qsizetype aSize, const char *b, qsizetype bSize) {
    // Plain ASCII runs compare the same in UTF-8 and GBK.
    qsizetype i = 0;
    const qsizetype common = std::min(aSize, bSize);
    while (i < common && a[i] == b[i] && uchar(a[i]) < 0x80)
        ++i;
    GbkByteStream sa(a + i, aSize - i), sb(b + i, bSize - i);
    for (;;) {
        const int x = sa.next();
        const int y = sb.next();
        if (x != y)
            return x < y ? -1 : 1;
        if (x < 0)
            return 0;
    }
}

QByteArray GbkSortKey(const QString &text) {
    const QByteArray utf8 = text.toUtf8();
    GbkByteStream s(utf8.constData(), utf8.size());
    QByteArray key;
    key.reserve(utf8.size());
    for (int b; (b = s.next()) >= 0;)
        key.append(char(b));
    return key;
}
