#include "StarTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <sqlite3.h>

StarTable::~StarTable()
{
    Close();
}

QString StarTable::DefaultPath()
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("00.dll"));
    if (QFileInfo::exists(beside))
        return beside;
    const QString shared =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("qarn/kelo/00.dll"));
    return shared.isEmpty() ? beside : shared;
}

bool StarTable::Open(const QString &fileName)
{
    Close();
    if (!QFileInfo(fileName).isFile())
        return false;
    const QByteArray path = QFile::encodeName(fileName);
    if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(m_db, "SELECT text FROM star WHERE name = ?1", -1, &m_lookup, nullptr) != SQLITE_OK) {
        Close();
        return false;
    }
    m_fileName = fileName;
    return true;
}

void StarTable::Close()
{
    sqlite3_finalize(m_lookup);
    m_lookup = nullptr;
    if (m_db)
        sqlite3_close(m_db);
    m_db = nullptr;
    m_fileName.clear();
}

std::optional<QString> StarTable::Lookup(const QString &name) const
{
    if (!m_lookup)
        return std::nullopt;
    const QByteArray key = name.toUtf8();
    sqlite3_reset(m_lookup);
    sqlite3_bind_text(m_lookup, 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
    std::optional<QString> text;
    if (sqlite3_step(m_lookup) == SQLITE_ROW) {
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_lookup, 0));
        text = QString::fromUtf8(bytes, sqlite3_column_bytes(m_lookup, 0));
    }
    sqlite3_reset(m_lookup);
    return text;
}
