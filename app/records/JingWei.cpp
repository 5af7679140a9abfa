#include "JingWei.h"

#include <cstring>

#include <QByteArray>

namespace JingWei {

namespace {

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// True when `code` begins with `prefix`, ASCII letters without regard to case.
bool beginsWithIgnoringCase(const char *code, const QByteArray &prefix)
{
    for (char p : prefix) {
        if (*code == '\0' || asciiLower(*code) != asciiLower(p))
            return false;
        ++code;
    }
    return true;
}

}  // namespace

QStringList Provinces()
{
    QStringList list;
    list.reserve(ProvinceCount);
    for (const char *name : ProvinceNames)
        list.append(QString::fromUtf8(name));
    return list;
}

QStringList ListCities(const QString &province)
{
    const QByteArray key = province.toUtf8();
    QStringList cities;
    for (const PlaceRecord &place : PlaceTable) {
        if (key == place.Province)
            cities.append(QString::fromUtf8(place.City));
    }
    return cities;
}

std::optional<ZipPlace> FindPlaceByZip(const QString &text)
{
    const QByteArray prefix = text.toUtf8();
    for (const PlaceRecord &place : PlaceTable) {
        if (beginsWithIgnoringCase(place.Zip, prefix))
            return ZipPlace{QString::fromUtf8(place.Province), QString::fromUtf8(place.City)};
    }
    return std::nullopt;
}

std::optional<QString> FindZip(const QString &province, const QString &city)
{
    const QByteArray provinceKey = province.toUtf8();
    const QByteArray cityKey = city.toUtf8();
    for (const PlaceRecord &place : PlaceTable) {
        if (provinceKey == place.Province && cityKey == place.City)
            return QString::fromUtf8(place.Zip);
    }
    return std::nullopt;
}

CityChoice ProvinceChanged(const QString &province)
{
    CityChoice choice;
    choice.Cities = ListCities(province);
    if (!choice.Cities.isEmpty())
        choice.ShownCity = choice.Cities.first();
    return choice;
}

std::optional<QString> CityChanged(const QString &province, const QString &city)
{
    // A place of the table always writes its code, an empty one too (台湾):
    // the code of the place chosen before no longer belongs to the city.
    return FindZip(province, city);
}

std::optional<ZipFill> ZipChanged(const QString &zipText)
{
    if (zipText.size() < ZipLookupMinLength)
        return std::nullopt;
    const std::optional<ZipPlace> place = FindPlaceByZip(zipText);
    if (!place)
        return std::nullopt;
    return ZipFill{place->Province, ListCities(place->Province), place->City};
}

}  // namespace JingWei
