#pragma once
// The settings kept between runs, under organisation "qarn", application
// "kelo" (on Windows the registry key software\qarn\kelo). One table names
// every value with its kind and default and fixes the read order; reading
// stops at the first value that is missing or of another kind, so the values
// before it stay applied and the rest keep their defaults.

#include <QSettings>
#include <QString>
#include <QVariant>
#include <functional>
#include <span>
#include <variant>

struct SettingsValues {
    bool DisplayPrivacy;   // show private members
    QString DBFileName;    // database to open at start
    bool DisplayTree;      // the tree and its splitter are shown
    int TreeWidth;         // width of the tree in pixels
    bool DisplayTools;     // the main tool bar is shown
    bool ShowSearch;       // the search hint is shown
    bool ShowTutorial;     // the hint after a chart is shown

    // Every value at its default (a first run).
    static SettingsValues Defaults();
};

enum class SettingKind { Boolean, String, Integer };

struct SettingKey {
    const char *name;
    std::variant<bool SettingsValues::*, QString SettingsValues::*, int SettingsValues::*> member;
    QVariant defaultValue;
    // A missing value reads as its default and the reading goes on
    // (DBFileName only); otherwise a missing value ends the reading.
    bool missingGoesOn;

    SettingKind kind() const { return SettingKind(member.index()); }
};

// The settings table in read order.
std::span<const SettingKey> SettingKeys();

// Reads the settings in table order. Each value read is stored into the
// result and handed to apply (when given) at once, before the next is read.
// The first failing read ends the reading without a message.
SettingsValues LoadSettings(QSettings &settings,
                            const std::function<void(const SettingKey &, const SettingsValues &)> &apply = {});

// Writes every value (Booleans as 0/1, the registry's DWORD).
void SaveSettings(QSettings &settings, const SettingsValues &values);
