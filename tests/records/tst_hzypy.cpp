// Pinyin initials of the GB2312 characters and the search box's match.
#include <iconv.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "hzYpy.h"

namespace {

const char kUnihan[] = "/usr/share/unicode/Unihan_Readings.txt.bz2";

// iconv between UTF-8 and a GBK-family code page, here in the test so that
// the tables are checked against the system's converter, not against
// themselves. Empty on failure.
QByteArray convert(const QByteArray &text, const char *to, const char *from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return {};
    QByteArray out(text.size() * 4 + 4, '\0');
    char *in = const_cast<char *>(text.constData());
    char *outPtr = out.data();
    size_t inLeft = text.size(), outLeft = out.size();
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == size_t(-1) || inLeft != 0)
        return {};
    out.truncate(out.size() - qsizetype(outLeft));
    return out;
}

QByteArray gbk(const char *utf8) { return convert(QByteArray(utf8), "GBK", "UTF-8"); }

std::string_view view(const QByteArray &bytes) { return {bytes.constData(), size_t(bytes.size())}; }

}  // namespace

class TestHzYpy : public QObject {
    Q_OBJECT

private slots:
    void tellingInitials_data();
    void tellingInitials();
    void outsideTheTables_data();
    void outsideTheTables();
    void hasInitial();
    void charCode();
    void tableShapes();
    void initialsFollowUnihan();
    void search_data();
    void search();
    void searchWalksTheListInOrder();
};

void TestHzYpy::tellingInitials_data()
{
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QByteArray>("initials");
    const char *cases[][2] = {{"张", "z"}, {"三", "s"}, {"李", "l"}, {"重", "zc"}, {"长", "cz"},
                              {"行", "xhh"}, {"乐", "ly"}, {"薄", "bb"}, {"庆", "q"}, {"啊", "a"},
                              {"齄", "z"}};
    for (const auto &c : cases)
        QTest::newRow(c[0]) << QByteArray(c[0]) << QByteArray(c[1]);
}

void TestHzYpy::tellingInitials()
{
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, initials);
    const ThzFirstChar table;
    const QByteArray code = gbk(utf8.constData());
    QCOMPARE(code.size(), 2);
    QCOMPARE(QByteArray::fromStdString(table.GetInitials(view(code))), initials);
    QCOMPARE(QByteArray::fromStdString(table.InitialsOf(QString::fromUtf8(utf8).toUcs4().first())), initials);
    // Blanks after the character do not count.
    QCOMPARE(QByteArray::fromStdString(table.GetInitials(view(code + "  "))), initials);
}

void TestHzYpy::outsideTheTables_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("initials");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("one letter") << QByteArray("a") << QByteArray();
    QTest::newRow("blanks") << QByteArray("   ") << QByteArray();
    QTest::newRow("half a character") << QByteArray("\xD5") << QByteArray();
    QTest::newRow("half and blanks") << QByteArray("  \xD5  ") << QByteArray();
    QTest::newRow("two letters") << QByteArray("zs") << QByteArray();
    QTest::newRow("full-width symbol A1") << QByteArray("\xA1\xA1") << QByteArray();
    QTest::newRow("full-width letter A3") << QByteArray("\xA3\xC1") << QByteArray();
    QTest::newRow("lead above F7") << QByteArray("\xF8\xA1") << QByteArray();
    QTest::newRow("trail below A1") << QByteArray("\xB0\xA0") << QByteArray();
    QTest::newRow("trail FF") << QByteArray("\xB0\xFF") << QByteArray();
    QTest::newRow("GBK extension 81") << QByteArray("\x81\x40") << QByteArray();
    QTest::newRow("blank before the character") << QByteArray(" \xD5\xC5") << QByteArray();
    // Codes inside the tables without a character have one blank initial.
    QTest::newRow("unassigned D7FA") << QByteArray("\xD7\xFA") << QByteArray(" ");
    QTest::newRow("unassigned D7FE") << QByteArray("\xD7\xFE") << QByteArray(" ");
    QTest::newRow("first of two characters") << gbk("张三") << QByteArray("z");
}

void TestHzYpy::outsideTheTables()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, initials);
    QCOMPARE(QByteArray::fromStdString(ThzFirstChar().GetInitials(view(text))), initials);
}

void TestHzYpy::hasInitial()
{
    const ThzFirstChar table;
    const QByteArray zhong = gbk("重");
    QVERIFY(table.HasInitial('z', view(zhong)));
    QVERIFY(table.HasInitial('Z', view(zhong)));
    QVERIFY(table.HasInitial('c', view(zhong)));
    QVERIFY(table.HasInitial('C', view(zhong)));
    QVERIFY(!table.HasInitial('q', view(zhong)));
    QVERIFY(!table.HasInitial(U'重', view(zhong)));
    QVERIFY(!table.HasInitial(U'\u212A', view(gbk("开"))));  // Kelvin sign is no k
    QVERIFY(!table.HasInitial('a', view(QByteArray("a"))));
}

void TestHzYpy::charCode()
{
    QCOMPARE(ThzFirstChar::CharCode(view(QByteArray("\xD5\xC5"))), std::uint16_t(0xD5 + 256 * 0xC5));
    QCOMPARE(ThzFirstChar::CharCode(view(QByteArray("\xF7\xFE"))), std::uint16_t(0xF7 + 256 * 0xFE));
    QCOMPARE(ThzFirstChar::CharCode(view(QByteArray("\xB0"))), std::uint16_t(0));
    QCOMPARE(ThzFirstChar::CharCode({}), std::uint16_t(0));
}

// The layout the look-up relies on: sorted blank-padded syllables, entry 0
// blank; further readings of one character together, each naming that
// character's code, and reached from its CharTable entry.
void TestHzYpy::tableShapes()
{
    using namespace hzYpy;
    QVERIFY(SyllableCount > 1 && SyllableCount < 0x10000);
    QCOMPARE(QByteArray(SyllableTable[0].Text, 6), QByteArray(6, ' '));
    for (int i = 0; i < SyllableCount; ++i) {
        const QByteArray text(SyllableTable[i].Text, 6);
        QCOMPARE(int(SyllableTable[i].Length), 6);
        const QByteArray word = text.trimmed();
        QVERIFY2(text.startsWith(word) && word.count(' ') == 0, text);
        for (char c : word)
            QVERIFY2(c >= 'a' && c <= 'z', text);
        if (i > 1)
            QVERIFY2(QByteArray(SyllableTable[i - 1].Text, 6).trimmed() < word, text);
    }
    int reached = 0;
    for (int index = 0; index < CharCount; ++index) {
        const CharEntry &e = CharTable[index];
        QVERIFY(e.Syllable < SyllableCount);
        if (e.FirstAlt == 0)
            continue;
        QVERIFY(e.FirstAlt <= AltReadingCount);
        const std::uint16_t code = std::uint16_t(LeadFirst + index / TrailsPerLead
                                                 + 256 * (TrailFirst + index % TrailsPerLead));
        QCOMPARE(AltReadingTable[e.FirstAlt].Code, code);
        // The entry before belongs to another character.
        QVERIFY(e.FirstAlt == 1 || AltReadingTable[e.FirstAlt - 1].Code != code);
        for (int k = e.FirstAlt; k <= AltReadingCount && AltReadingTable[k].Code == code; ++k) {
            QVERIFY(AltReadingTable[k].Syllable > 0 && AltReadingTable[k].Syllable < SyllableCount);
            QVERIFY(AltReadingTable[k].Syllable != e.Syllable);
            ++reached;
        }
    }
    QCOMPARE(reached, AltReadingCount);
    for (int k = 1; k <= AltReadingCount; ++k) {
        const int lead = AltReadingTable[k].Code & 0xFF, trail = AltReadingTable[k].Code >> 8;
        QVERIFY(CharIndex(lead, trail) >= 0);
    }
}

// The compiled tables give, for every assigned code, the initials the
// generator derives from the Unicode Han readings now, and the system's
// GB2312 converter agrees on which character each code is.
void TestHzYpy::initialsFollowUnihan()
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (!QFile::exists(QString::fromLatin1(kUnihan)) || python.isEmpty())
        QSKIP("the Unicode Han readings (unicode-data) or python3 are not installed");
    QProcess generator;
    generator.start(python, {QStringLiteral(KELO_SOURCE_DIR "/tools/gen_pinyin/gen_pinyin.py"),
                             QStringLiteral("--initials")});
    QVERIFY(generator.waitForFinished(120000));
    QCOMPARE(generator.exitCode(), 0);
    const QList<QByteArray> lines = generator.readAllStandardOutput().split('\n');

    const ThzFirstChar table;
    int checked = 0;
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> f = line.split('\t');
        QCOMPARE(f.size(), 3);
        const QByteArray code = QByteArray::fromHex(f[0]);
        QCOMPARE(code.size(), 2);
        QVERIFY2(convert(code, "UTF-8", "GB2312") == f[1], line);
        QVERIFY2(QByteArray::fromStdString(table.GetInitials(view(code))) == f[2], line);
        QVERIFY2(QByteArray::fromStdString(table.InitialsOf(QString::fromUtf8(f[1]).toUcs4().first())) == f[2],
                 line);
        ++checked;
    }
    QCOMPARE(checked, hzYpy::CharCount - 5);  // all but the five unassigned codes
}

void TestHzYpy::search_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("matches");
    QTest::newRow("zs") << "张三" << "zs" << true;
    QTest::newRow("ZS") << "张三" << "ZS" << true;
    QTest::newRow("zS") << "张三" << "zS" << true;
    QTest::newRow("z") << "张三" << "z" << true;
    QTest::newRow("longer name") << "张三丰" << "zs" << true;
    QTest::newRow("wrong second letter") << "张三" << "zx" << false;
    QTest::newRow("other name") << "李四" << "zs" << false;
    QTest::newRow("重庆 by zq") << "重庆" << "zq" << true;
    QTest::newRow("重庆 by cq") << "重庆" << "cq" << true;
    QTest::newRow("重庆 by CQ") << "重庆" << "CQ" << true;
    QTest::newRow("长 by c and z") << "长江" << "cj" << true;
    QTest::newRow("长 by z") << "长江" << "zj" << true;
    QTest::newRow("typed longer than name") << "张三" << "zsa" << false;
    QTest::newRow("Tom by to") << "Tom" << "to" << true;
    QTest::newRow("Tom by TOM") << "Tom" << "TOM" << true;
    QTest::newRow("Tom not by tm") << "Tom" << "tm" << false;
    QTest::newRow("张 by prefix") << "张三" << "张" << true;
    QTest::newRow("张三 by prefix") << "张三" << "张三" << true;
    QTest::newRow("张 not in 李四") << "李四" << "张" << false;
    QTest::newRow("mixed character and letter") << "张三" << "张s" << false;
    QTest::newRow("empty text") << "李四" << "" << true;
    QTest::newRow("empty name") << "" << "z" << false;
    QTest::newRow("empty both") << "" << "" << true;
    // A Latin letter is compared exactly position by position, and by the
    // prefix rule without regard to case.
    QTest::newRow("Z先生 by Zx") << "Z先生" << "Zx" << true;
    QTest::newRow("Z先生 not by zx") << "Z先生" << "zx" << false;
    QTest::newRow("Z先生 by z") << "Z先生" << "z" << true;
    // Characters outside the tables match only themselves; a character
    // beyond 16 bits still counts as one position.
    QTest::newRow("full-width letter") << "Ａ三" << "Ａs" << true;
    QTest::newRow("extension character") << "𠀀三" << "𠀀s" << true;
    QTest::newRow("extension character, wrong") << "𠀀三" << "xs" << false;
    QTest::newRow("blank in name") << "张 三" << "z s" << true;
}

void TestHzYpy::search()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(bool, matches);
    QCOMPARE(MatchesSearch(name, typed), matches);
    QCOMPARE(TSearchMatcher(typed).Matches(name), matches);
}

// The window walks its list in order and stops at the first match.
void TestHzYpy::searchWalksTheListInOrder()
{
    const QStringList names = {"Anna", "李四", "Zoe", "张三", "张伟", "重庆人"};
    const auto first = [&](const QString &typed) {
        const TSearchMatcher matcher(typed);
        for (qsizetype i = 0; i < names.size(); ++i)
            if (matcher.Matches(names[i]))
                return i;
        return qsizetype(-1);
    };
    QCOMPARE(first("z"), 2);   // Zoe by the prefix rule comes before 张三
    QCOMPARE(first("zs"), 3);
    QCOMPARE(first("zw"), 4);
    QCOMPARE(first("cqr"), 5);
    QCOMPARE(first("ls"), 1);
    QCOMPARE(first(""), 0);
    QCOMPARE(first("wxyz"), -1);
}

QTEST_GUILESS_MAIN(TestHzYpy)
#include "tst_hzypy.moc"
