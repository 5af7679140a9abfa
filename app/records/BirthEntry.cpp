#include "BirthEntry.h"

#include "KeloError.h"

#include <QDate>
#include <cmath>
#include <limits>

namespace {

const QDate DayZero(1899, 12, 30);

// A converted value that the date functions can take (0 to 65535). Larger
// or negative numbers are not wrapped round: 65537 is no month 1.
bool fitsUnsigned16(std::int64_t v) { return v >= 0 && v <= 0xFFFF; }

std::int64_t convert(const QString &text)
{
    const auto v = ParseIntegerText(text);
    if (!v)
        throw KeloError(BirthMessages::NotInteger.arg(text));
    return *v;
}

} // namespace

std::optional<std::int64_t> ParseIntegerText(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= n)
        return std::nullopt;
    std::int64_t value = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return value;
}

BirthEntry SplitBirthday(double instant)
{
    BirthEntry e;
    if (!std::isfinite(instant))
        instant = 0;
    double day = std::floor(instant);
    // To the millisecond first, so 10:30 stored as a binary fraction does not
    // come back as 10:29.
    std::int64_t ms = std::llround((instant - day) * 86400000.0);
    if (ms >= 86400000) {
        day += 1;
        ms -= 86400000;
    }
    const QDate date = DayZero.addDays(std::int64_t(day));
    const int minutes = int(ms / 60000);
    e.year = QString::number(date.year());
    e.month = QString::number(date.month());
    e.day = QString::number(date.day());
    e.hour = QString::number(minutes / 60);
    e.minute = QString::number(minutes % 60);
    return e;
}

double CombineBirthday(const BirthEntry &entry, LunarToSolarFn lunarToSolar)
{
    const std::int64_t year = convert(entry.year);
    if (!fitsUnsigned16(year) || year < FirstBirthYear || year > LastBirthYear)
        throw KeloError(BirthMessages::YearRange);
    const std::int64_t month = convert(entry.month);
    const std::int64_t day = convert(entry.day);
    const std::int64_t hour = convert(entry.hour);
    const std::int64_t minute = convert(entry.minute);
    const bool leap = entry.leap;
    for (std::int64_t v : {month, day, hour, minute})
        if (!fitsUnsigned16(v))
            throw KeloError(BirthMessages::InvalidDate);

    double date = 0;
    if (entry.calendar == BirthCalendar::Lunar) {
        // No lunar year has a month 0 or beyond 12; the conversion is not
        // asked about such a month.
        if (month < 1 || month > 12 || day < 1 || !lunarToSolar)
            throw KeloError(BirthMessages::InvalidDate);
        double out = 0;
        if (!lunarToSolar(std::int32_t(year), std::int32_t(leap ? -month : month), std::int32_t(day), &out)
            || !std::isfinite(out))
            throw KeloError(BirthMessages::InvalidDate);
        date = std::floor(out);
    } else {
        if (!QDate::isValid(int(year), int(month), int(day)))
            throw KeloError(BirthMessages::InvalidDate);
        date = double(DayZero.daysTo(QDate(int(year), int(month), int(day))));
    }
    if (hour > 23 || minute > 59)
        throw KeloError(BirthMessages::InvalidDate);
    return date + double(hour * 60 + minute) / 1440.0;
}
