#include "Settings.h"

#include <array>
#include <climits>

namespace {

const std::array<SettingKey, 7> kKeys{{
    {"DisplayPrivacy", &SettingsValues::DisplayPrivacy, false, false},
    {"DBFileName", &SettingsValues::DBFileName, QString(), true},
    {"DisplayTree", &SettingsValues::DisplayTree, true, false},
    {"TreeWidth", &SettingsValues::TreeWidth, 185, false},
    {"DisplayTools", &SettingsValues::DisplayTools, true, false},
    {"ShowSearch", &SettingsValues::ShowSearch, true, false},
    {"ShowTutorial", &SettingsValues::ShowTutorial, true, false},
}};

// The registry keeps each value with its type: a Boolean or an integer
// setting is a DWORD (read back as a number), and a value of another type,
// text or binary, ends the reading. Elsewhere the settings live in an INI
// file, which keeps every value as text, so there the decimal text of a
// number and "true"/"false" are read as well. The registry branch cannot be
// run by the tests on this platform; it only leaves out the text forms.

// A stored integer: a number, or (in the INI store) its decimal text.
bool ReadInteger(const QVariant &v, qlonglong *out)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
    case QMetaType::ULongLong: case QMetaType::Short: case QMetaType::UShort:
        *out = v.toLongLong();
        return true;
#ifndef Q_OS_WIN
    case QMetaType::QString: case QMetaType::QByteArray: {
        bool ok = false;
        *out = v.toString().trimmed().toLongLong(&ok);
        return ok;
    }
#endif
    default:
        return false;
    }
}

bool ReadBoolean(const QVariant &v, bool *out)
{
#ifndef Q_OS_WIN
    if (v.typeId() == QMetaType::Bool) {
        *out = v.toBool();
        return true;
    }
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        if (s == u"true" || s == u"false") {
            *out = s == u"true";
            return true;
        }
    }
#endif
    qlonglong n = 0;
    if (!ReadInteger(v, &n))
        return false;
    *out = n != 0;
    return true;
}

} // namespace

std::span<const SettingKey> SettingKeys() { return kKeys; }

SettingsValues SettingsValues::Defaults()
{
    SettingsValues values;
    for (const SettingKey &key : kKeys) {
        std::visit([&](auto member) {
            using T = std::remove_reference_t<decltype(values.*member)>;
            values.*member = key.defaultValue.value<T>();
        }, key.member);
    }
    return values;
}

SettingsValues LoadSettings(QSettings &settings,
                            const std::function<void(const SettingKey &, const SettingsValues &)> &apply)
{
    SettingsValues values = SettingsValues::Defaults();
    // The key is opened without being made: no values at all means no key.
    if (settings.allKeys().isEmpty())
        return values;
    for (const SettingKey &key : kKeys) {
        if (!settings.contains(QLatin1String(key.name))) {
            if (key.missingGoesOn)
                continue;
            break;
        }
        const QVariant stored = settings.value(QLatin1String(key.name));
        bool ok = false;
        if (auto member = std::get_if<bool SettingsValues::*>(&key.member)) {
            bool b = false;
            ok = ReadBoolean(stored, &b);
            if (ok)
                values.**member = b;
        } else if (auto member = std::get_if<int SettingsValues::*>(&key.member)) {
            qlonglong n = 0;
            ok = ReadInteger(stored, &n) && n >= INT_MIN && n <= INT_MAX;
            if (ok)
                values.**member = int(n);
        } else if (auto member = std::get_if<QString SettingsValues::*>(&key.member)) {
            ok = stored.typeId() == QMetaType::QString;
            if (ok)
                values.**member = stored.toString();
        }
        if (!ok)
            break;
        if (apply)
            apply(key, values);
    }
    return values;
}

void SaveSettings(QSettings &settings, const SettingsValues &values)
{
    for (const SettingKey &key : kKeys) {
        std::visit([&](auto member) {
            const auto &v = values.*member;
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(v)>, bool>)
                settings.setValue(QLatin1String(key.name), v ? 1 : 0);
            else
                settings.setValue(QLatin1String(key.name), v);
        }, key.member);
    }
    settings.sync();
}
