#pragma once
// GBK, the code page of the user's texts, of the stored string sizes and of
// every text exchanged with the chart engine. Conversion goes through glibc
// iconv ("GBK"); the tables are built from it once, on first use, so the
// functions below are cheap enough to be called per comparison.

#include <QByteArray>
#include <QString>

// The GBK bytes of text. A character GBK cannot write makes the result empty
// and *ok false (ok may be null); with ok true the bytes are exact.
QByteArray ToGbk(const QString &text, bool *ok = nullptr);

// Text from GBK bytes. Bytes that are no GBK character become U+FFFD; a NUL
// byte ends the text (engine cells are NUL-terminated).
QString FromGbk(const QByteArray &bytes);
QString FromGbk(const char *bytes, qsizetype size);

// Number of bytes text takes in GBK; -1 when it holds a character GBK cannot
// write.
qsizetype GbkLength(const QString &text);

// The longest beginning of text whose GBK form fits into maxBytes, cut at a
// whole character (a two-byte character never loses its second byte).
// Characters GBK cannot write count as two bytes here; callers refuse such
// text with IsGbkEncodable before storing it.
QString CutToGbkBytes(const QString &text, qsizetype maxBytes);

// True when every character of text can be written in GBK.
bool IsGbkEncodable(const QString &text);

// The first character of text that GBK cannot write (a whole surrogate pair
// when it is one), or an empty string when there is none.
QString FirstNonGbkCharacter(const QString &text);

// Three-way comparison of two UTF-8 texts by their GBK bytes, the order of
// the ByName index: GB2312 level-1 characters come in pinyin order, so 阿
// sorts before 张. Characters GBK cannot write sort after all others, by code
// point. Returns <0, 0 or >0.
int CompareUtf8ByGbk(const char *a, qsizetype aSize, const char *b, qsizetype bSize);

// The bytes CompareUtf8ByGbk compares, for text held as QString: a sort key
// such that comparing keys bytewise gives the ByName order.
QByteArray GbkSortKey(const QString &text);
