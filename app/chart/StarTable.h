#pragma once
// The table star of the explanation database "00.dll": one row per lookup
// name recorded by the chart drawing (ID, name, text; unique index byName).
// The file is opened read-only through the same SQLCipher library as the
// records; the program never writes to it.

#include <QString>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

class StarTable {
public:
    // The reserved entry holding the text for a name without its own row.
    static constexpr const char *kNoEntryName = "*";

    StarTable() = default;
    ~StarTable();
    StarTable(const StarTable &) = delete;
    StarTable &operator=(const StarTable &) = delete;

    // Where "00.dll" is looked for: the program's folder, then the shared
    // data folders of the installation (qarn/kelo/00.dll). The first path
    // when the file is nowhere.
    static QString DefaultPath();

    // Opens fileName read-only. False, with the table closed, when the file
    // is missing, damaged or has no table star with name and text.
    bool Open(const QString &fileName);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    QString FileName() const { return m_fileName; }

    // The text of the row whose name equals name exactly; nothing when there
    // is no such row or the table is not open.
    std::optional<QString> Lookup(const QString &name) const;

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_lookup = nullptr;
    QString m_fileName;
};
