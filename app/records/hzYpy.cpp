#include "hzYpy.h"

#include <iconv.h>

#include <array>
#include <memory>

namespace hzYpy {

namespace {

// Unicode (BMP) to CharTable position + 1, 0 for none: the GBK codes of the
// tables decoded once with iconv, so that names held as Unicode are looked
// up exactly as their GBK form would be.
using ReverseMap = std::array<std::uint16_t, 0x10000>;

std::unique_ptr<ReverseMap> buildReverseMap()
{
    auto map = std::make_unique<ReverseMap>();
    map->fill(0);
    iconv_t cd = iconv_open("UTF-32LE", "GBK");
    if (cd == iconv_t(-1))
        return map;  // no converter: every character counts as one without initials
    for (int index = 0; index < CharCount; ++index) {
        char in[2] = {char(LeadFirst + index / TrailsPerLead), char(TrailFirst + index % TrailsPerLead)};
        unsigned char out[8];
        char *inPtr = in;
        char *outPtr = reinterpret_cast<char *>(out);
        size_t inLeft = sizeof in, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0
            || outLeft != sizeof out - 4)
            continue;  // an unassigned code
        const char32_t ch = char32_t(out[0]) | char32_t(out[1]) << 8 | char32_t(out[2]) << 16
                            | char32_t(out[3]) << 24;
        if (ch < map->size() && (*map)[ch] == 0)
            (*map)[ch] = std::uint16_t(index + 1);
    }
    iconv_close(cd);
    return map;
}

}  // namespace

int CharIndexOf(char32_t ch)
{
    static const std::unique_ptr<ReverseMap> map = buildReverseMap();
    if (ch >= map->size())
        return -1;
    return int((*map)[ch]) - 1;
}

}  // namespace hzYpy

namespace {

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

char32_t asciiLower(char32_t c)
{
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}

}  // namespace

ThzFirstChar::ThzFirstChar()
    : chars(hzYpy::CharTable),
      syllables(hzYpy::SyllableTable),
      altReadings(hzYpy::AltReadingTable),
      altReadingCount(hzYpy::AltReadingCount)
{
}

std::uint16_t ThzFirstChar::CharCode(std::string_view gbkChar)
{
    if (gbkChar.size() < 2)
        return 0;
    return std::uint16_t(static_cast<unsigned char>(gbkChar[0])
                         + 256 * static_cast<unsigned char>(gbkChar[1]));
}

std::string ThzFirstChar::initialsAt(int index) const
{
    std::string result(1, syllables[chars[index].Syllable].Text[0]);
    const std::uint16_t code = std::uint16_t(hzYpy::LeadFirst + index / hzYpy::TrailsPerLead
                                             + 256 * (hzYpy::TrailFirst + index % hzYpy::TrailsPerLead));
    for (int k = chars[index].FirstAlt; k > 0 && k <= altReadingCount && altReadings[k].Code == code; ++k)
        result += syllables[altReadings[k].Syllable].Text[0];
    return result;
}

bool ThzFirstChar::hasInitialAt(int index, char32_t letter) const
{
    letter = asciiLower(letter);
    if (char32_t(syllables[chars[index].Syllable].Text[0]) == letter)
        return true;
    const std::uint16_t code = std::uint16_t(hzYpy::LeadFirst + index / hzYpy::TrailsPerLead
                                             + 256 * (hzYpy::TrailFirst + index % hzYpy::TrailsPerLead));
    for (int k = chars[index].FirstAlt; k > 0 && k <= altReadingCount && altReadings[k].Code == code; ++k) {
        if (char32_t(syllables[altReadings[k].Syllable].Text[0]) == letter)
            return true;
    }
    return false;
}

std::string ThzFirstChar::GetInitials(std::string_view gbkChar) const
{
    std::string_view trimmed = gbkChar;
    while (!trimmed.empty() && isBlank(trimmed.front()))
        trimmed.remove_prefix(1);
    while (!trimmed.empty() && isBlank(trimmed.back()))
        trimmed.remove_suffix(1);
    if (trimmed.size() < 2)
        return {};
    // The character is the first two bytes of the text as given: a text that
    // begins with a blank is no character of the tables.
    const int index = hzYpy::CharIndex(static_cast<unsigned char>(gbkChar[0]),
                                       static_cast<unsigned char>(gbkChar[1]));
    if (index < 0)
        return {};
    return initialsAt(index);
}

bool ThzFirstChar::HasInitial(char32_t letter, std::string_view gbkChar) const
{
    const char32_t lower = asciiLower(letter);
    if (lower > 0x7F)
        return false;
    return GetInitials(gbkChar).find(char(lower)) != std::string::npos;
}

std::string ThzFirstChar::InitialsOf(char32_t ch) const
{
    const int index = hzYpy::CharIndexOf(ch);
    return index < 0 ? std::string() : initialsAt(index);
}

TSearchMatcher::TSearchMatcher(const QString &typed)
    : typedText(typed), typedChars(typed.toStdU32String())
{
}

bool TSearchMatcher::matchesByInitials(QStringView name) const
{
    qsizetype pos = 0;
    const qsizetype size = name.size();
    for (const char32_t wanted : typedChars) {
        if (pos >= size)
            return false;  // the name is shorter than the typed text
        char32_t ch = name[pos++].unicode();
        if (QChar::isHighSurrogate(ch) && pos < size && name[pos].isLowSurrogate())
            ch = QChar::surrogateToUcs4(char16_t(ch), name[pos++].unicode());
        const int index = hzYpy::CharIndexOf(ch);
        if (index >= 0 ? !initials.hasInitialAt(index, wanted) : wanted != ch)
            return false;
    }
    return true;
}

bool TSearchMatcher::Matches(QStringView name) const
{
    return matchesByInitials(name) || name.startsWith(typedText, Qt::CaseInsensitive);
}

bool MatchesSearch(QStringView name, const QString &typed)
{
    return TSearchMatcher(typed).Matches(name);
}
