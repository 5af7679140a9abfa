#include "RecordStore.h"

#include "Gbk.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <unistd.h>

// ---------------------------------------------------------------------------
// SQLite helpers

namespace {

const char PlainHeader[16] = "SQLite format 3";   // with its NUL: 16 bytes

const char *const CreateUsersSql =
    "CREATE TABLE Users ("
    " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    " ParentID INTEGER NOT NULL DEFAULT 0,"
    " Type INTEGER NOT NULL DEFAULT 0,"
    " Color INTEGER NOT NULL DEFAULT 0,"
    " Name VARCHAR(32) NOT NULL DEFAULT '',"
    " Nickname VARCHAR(32) NOT NULL DEFAULT '',"
    " Corporation VARCHAR(32) NOT NULL DEFAULT '',"
    " Job VARCHAR(32) NOT NULL DEFAULT '',"
    " Birthday DATETIME NOT NULL DEFAULT 0,"
    " Sex BOOLEAN NOT NULL DEFAULT 0,"
    " Province VARCHAR(10) NOT NULL DEFAULT '',"
    " City VARCHAR(10) NOT NULL DEFAULT '',"
    " Addr VARCHAR(255) NOT NULL DEFAULT '',"
    " Zip VARCHAR(6) NOT NULL DEFAULT '',"
    " Tel VARCHAR(32) NOT NULL DEFAULT '',"
    " HandTel VARCHAR(32) NOT NULL DEFAULT '',"
    " Fax VARCHAR(32) NOT NULL DEFAULT '',"
    " QQ VARCHAR(32) NOT NULL DEFAULT '',"
    " MSN VARCHAR(32) NOT NULL DEFAULT '',"
    " Email1 VARCHAR(32) NOT NULL DEFAULT '',"
    " Email2 VARCHAR(32) NOT NULL DEFAULT '',"
    " Come DATE NOT NULL DEFAULT 0,"
    " Privacy BOOLEAN NOT NULL DEFAULT 0,"
    " Fee CURRENCY NOT NULL DEFAULT 0,"
    " Memo TEXT NOT NULL DEFAULT '')";

// The collation sits on the index only: tools without it can still read,
// count and sort the table; they cannot write names (which keeps the index
// in its order) nor run integrity_check.
const char *const CreateByNameSql = "CREATE INDEX ByName ON Users (Name COLLATE GBK, Type)";

const char *const CreateExtensionSql =
    "CREATE TABLE ExtensionData ("
    " Slot INTEGER PRIMARY KEY CHECK (Slot = 1),"
    " Data BLOB NOT NULL CHECK (length(Data) <= 2048))";

const char *const AllColumns =
    "ID, ParentID, Type, Color, Name, Nickname, Corporation, Job, Birthday, Sex,"
    " Province, City, Addr, Zip, Tel, HandTel, Fax, QQ, MSN, Email1, Email2,"
    " Come, Privacy, Fee, Memo";

int gbkCollation(void *, int n1, const void *a, int n2, const void *b) {
    return CompareUtf8ByGbk(static_cast<const char *>(a), n1, static_cast<const char *>(b), n2);
}

QString lastError(sqlite3 *db) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

[[noreturn]] void fail(sqlite3 *db) {
    throw KeloError(lastError(db));
}

void exec(sqlite3 *db, const char *sql) {
    char *err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : lastError(db);
        sqlite3_free(err);
        throw KeloError(msg);
    }
}

// A prepared statement that finalises itself.
class Stmt {
public:
    Stmt(sqlite3 *db, const char *sql) : m_db(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_s, nullptr) != SQLITE_OK)
            fail(db);
    }
    Stmt(sqlite3 *db, const QString &sql) : Stmt(db, sql.toUtf8().constData()) {}
    ~Stmt() { sqlite3_finalize(m_s); }
    Stmt(const Stmt &) = delete;
    Stmt &operator=(const Stmt &) = delete;

    sqlite3_stmt *get() const { return m_s; }
    // True while there is a row; throws on errors.
    bool step() {
        const int rc = sqlite3_step(m_s);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        fail(m_db);
    }
    void bind(int i, qint64 v) { sqlite3_bind_int64(m_s, i, v); }
    void bind(int i, double v) { sqlite3_bind_double(m_s, i, v); }
    void bind(int i, const QByteArray &utf8) {
        sqlite3_bind_text(m_s, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bindBlob(int i, const QByteArray &b) {
        sqlite3_bind_blob(m_s, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }
    void bindVariant(int i, const QVariant &v) {
        switch (v.typeId()) {
        case QMetaType::Bool: bind(i, qint64(v.toBool())); break;
        case QMetaType::Int: case QMetaType::LongLong: case QMetaType::UInt: case QMetaType::ULongLong:
            bind(i, v.toLongLong()); break;
        case QMetaType::Double: case QMetaType::Float: bind(i, v.toDouble()); break;
        default: bind(i, v.toString().toUtf8()); break;
        }
    }
    qint64 int64(int c) const { return sqlite3_column_int64(m_s, c); }
    double real(int c) const { return sqlite3_column_double(m_s, c); }
    QString text(int c) const {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_s, c));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_s, c)) : QString();
    }
    QByteArray blob(int c) const {
        const auto *p = static_cast<const char *>(sqlite3_column_blob(m_s, c));
        return p ? QByteArray(p, sqlite3_column_bytes(m_s, c)) : QByteArray();
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_s = nullptr;
};

// BEGIN IMMEDIATE ... COMMIT; rolled back unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3 *db) : m_db(db) { exec(db, "BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (!m_done)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit() {
        exec(m_db, "COMMIT");
        m_done = true;
    }

private:
    sqlite3 *m_db;
    bool m_done = false;
};

// Key material of a password: never empty, so an empty password enciphers.
QByteArray keyMaterial(const QString &password) {
    return QByteArrayLiteral("kelo:") + password.toUtf8();
}

void applyCipherSettings(sqlite3 *db, const char *schema) {
    const QByteArray s = QByteArray(schema);
    exec(db, QByteArray("PRAGMA " + s + ".kdf_iter = " + QByteArray::number(RecordStore::KdfIterations)).constData());
    exec(db, QByteArray("PRAGMA " + s + ".cipher_page_size = " + QByteArray::number(RecordStore::CipherPageSize)).constData());
}

// Opens a connection with the collation GBK; the key is applied when given.
sqlite3 *openRaw(const QString &fileName, bool create, const QByteArray *key) {
    sqlite3 *db = nullptr;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (create)
        flags |= SQLITE_OPEN_CREATE;
    const QByteArray path = QFile::encodeName(fileName);
    if (sqlite3_open_v2(path.constData(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 0);
    sqlite3_create_collation_v2(db, "GBK", SQLITE_UTF8, nullptr, gbkCollation, nullptr);
    sqlite3_busy_timeout(db, 2000);
    try {
        if (key) {
            if (sqlite3_key(db, key->constData(), int(key->size())) != SQLITE_OK)
                fail(db);
            applyCipherSettings(db, "main");
        }
    } catch (const KeloError &) {
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

// Reads the schema once: false when the key is wrong or the file is no
// database (SQLITE_NOTADB) or is damaged where it starts.
bool readable(sqlite3 *db) {
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &s, nullptr) != SQLITE_OK)
        return false;
    const int rc = sqlite3_step(s);
    sqlite3_finalize(s);
    return rc == SQLITE_ROW;
}

void setConnectionPragmas(sqlite3 *db) {
    exec(db, "PRAGMA synchronous = FULL");
    exec(db, "PRAGMA cache_size = -32768");
}

bool fsyncPath(const QString &path, bool directory) {
    const int fd = ::open(QFile::encodeName(path).constData(), directory ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void removeSideFiles(const QString &fileName) {
    for (const char *suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(fileName + QLatin1String(suffix));
}

// Text of a string field as stored: refused when GBK cannot write it, cut to
// the field's size at a whole character.
QString storedText(UsersField field, const QString &text) {
    const UsersFieldInfo &info = FieldInfo(field);
    const QString bad = FirstNonGbkCharacter(text);
    if (!bad.isEmpty())
        throw KeloError(QStringLiteral("字段 %1 含有 GBK 无法表示的字符“%2”，不能保存")
                            .arg(QLatin1String(info.name), bad));
    return info.size > 0 ? CutToGbkBytes(text, info.size) : text;
}

void normaliseForStore(UsersRecord &r) {
    for (int i = 0; i < UsersFieldCount; ++i) {
        const auto f = UsersField(i);
        const auto kind = FieldInfo(f).kind;
        if (kind == UsersFieldKind::String || kind == UsersFieldKind::Memo)
            r.setValue(f, storedText(f, r.value(f).toString()));
    }
    r.Come = std::floor(r.Come);
    r.Fee = std::round(r.Fee * 10000.0) / 10000.0;
    if (!std::isfinite(r.Birthday))
        r.Birthday = 0;
    if (!std::isfinite(r.Fee))
        r.Fee = 0;
}

// Binds fields 2..25 (every field but ID) to parameters 1..24.
void bindFields(Stmt &s, const UsersRecord &r) {
    int p = 1;
    for (int i = 1; i < UsersFieldCount; ++i) {
        const auto f = UsersField(i);
        const QVariant v = r.value(f);
        switch (FieldInfo(f).kind) {
        case UsersFieldKind::Integer: s.bind(p++, qint64(v.toInt())); break;
        case UsersFieldKind::Boolean: s.bind(p++, qint64(v.toBool() ? 1 : 0)); break;
        case UsersFieldKind::DateTime: case UsersFieldKind::Currency: s.bind(p++, v.toDouble()); break;
        case UsersFieldKind::Date: s.bind(p++, qint64(v.toDouble())); break;
        default: s.bind(p++, v.toString().toUtf8()); break;
        }
    }
}

UsersRecord readRow(const Stmt &s) {
    UsersRecord r;
    for (int i = 0; i < UsersFieldCount; ++i) {
        const auto f = UsersField(i);
        switch (FieldInfo(f).kind) {
        case UsersFieldKind::AutoInc: case UsersFieldKind::Integer: r.setValue(f, int(s.int64(i))); break;
        case UsersFieldKind::Boolean: r.setValue(f, s.int64(i) != 0); break;
        case UsersFieldKind::DateTime: case UsersFieldKind::Date: case UsersFieldKind::Currency:
            r.setValue(f, s.real(i)); break;
        default: r.setValue(f, s.text(i)); break;
        }
    }
    return r;
}

const char *const InsertSql =
    "INSERT INTO Users (ParentID, Type, Color, Name, Nickname, Corporation, Job, Birthday, Sex,"
    " Province, City, Addr, Zip, Tel, HandTel, Fax, QQ, MSN, Email1, Email2, Come, Privacy, Fee, Memo)"
    " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

const char *const UpdateSql =
    "UPDATE Users SET ParentID=?, Type=?, Color=?, Name=?, Nickname=?, Corporation=?, Job=?,"
    " Birthday=?, Sex=?, Province=?, City=?, Addr=?, Zip=?, Tel=?, HandTel=?, Fax=?, QQ=?, MSN=?,"
    " Email1=?, Email2=?, Come=?, Privacy=?, Fee=?, Memo=? WHERE ID=?";

int insertRow(sqlite3 *db, UsersRecord &r) {
    Stmt s(db, InsertSql);
    bindFields(s, r);
    s.step();
    r.ID = int(sqlite3_last_insert_rowid(db));
    return r.ID;
}

} // namespace

// ---------------------------------------------------------------------------

struct RecordStore::Impl {};

RecordStore::RecordStore(QObject *parent) : QObject(parent), d(std::make_unique<Impl>()) {}

RecordStore::~RecordStore() {
    CloseDatabase();
}

QByteArray RecordStore::MakeDBFileTag() {
    QByteArray tag(DBFileTagSize, '\0');
    const QByteArray signature("TavrinDoc");
    const QByteArray version("1.00");
    const QByteArray extension = QByteArray("kvr").left(64);
    memcpy(tag.data(), signature.constData(), signature.size());
    memcpy(tag.data() + 11, version.constData(), version.size());
    memcpy(tag.data() + 16, extension.constData(), extension.size());
    return tag;
}

bool RecordStore::NewDatabase(const QString &fileName) {
    if (fileName.isEmpty())
        return false;
    // The file is made beside the target and renamed over it only when it
    // is complete, so a failure never leaves half a database behind.
    const QString temp = fileName + QLatin1String(".new");
    QFile::remove(temp);
    removeSideFiles(temp);
    sqlite3 *db = openRaw(temp, true, nullptr);
    bool ok = db != nullptr;
    if (ok) {
        try {
            exec(db, "PRAGMA page_size = 4096");
            exec(db, "PRAGMA journal_mode = WAL");
            exec(db, "PRAGMA synchronous = FULL");
            Transaction t(db);
            exec(db, CreateExtensionSql);
            {
                Stmt s(db, "INSERT INTO ExtensionData (Slot, Data) VALUES (1, ?)");
                s.bindBlob(1, MakeDBFileTag());
                s.step();
            }
            exec(db, CreateUsersSql);
            exec(db, CreateByNameSql);
            struct Default { const char *name; int parent; int type; };
            static const Default defaults[] = {
                {"显示全部", -1, TypeRoot}, {"亲戚", 1, TypeGroup}, {"朋友", 1, TypeGroup},
                {"同学", 1, TypeGroup}, {"员工", 1, TypeGroup}, {"客户", 1, TypeGroup},
                {"名人", 1, TypeGroup}, {"其它", 1, TypeGroup},
            };
            for (const Default &def : defaults) {
                UsersRecord r = FreshUsersRecord();
                r.Name = QString::fromUtf8(def.name);
                r.ParentID = def.parent;
                r.Type = def.type;
                insertRow(db, r);
            }
            t.commit();
        } catch (const KeloError &) {
            ok = false;
        }
        if (sqlite3_close(db) != SQLITE_OK)
            ok = false;
    }
    ok = ok && fsyncPath(temp, false);
    if (ok) {
        removeSideFiles(fileName);
        ok = ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(fileName).constData()) == 0;
    }
    if (!ok) {
        QFile::remove(temp);
        removeSideFiles(temp);
        return false;
    }
    fsyncPath(QFileInfo(fileName).absolutePath(), true);
    return true;
}

bool RecordStore::IsFileEnciphered(const QString &fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(16);
    return head != QByteArray(PlainHeader, 16);
}

void RecordStore::closeConnection() {
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_access = false;
}

bool RecordStore::openConnection(const QString &fileName) {
    closeConnection();
    m_enciphered = false;
    m_db = openRaw(fileName, false, nullptr);
    if (!m_db || !readable(m_db)) {
        closeConnection();
        return false;
    }
    m_access = true;
    return true;
}

bool RecordStore::tryKey(const QString &password) {
    closeConnection();
    const QByteArray key = keyMaterial(password);
    m_db = openRaw(m_fileName, false, &key);
    if (!m_db || !readable(m_db)) {
        closeConnection();
        return false;
    }
    m_enciphered = true;
    m_password = password;
    m_access = true;
    return true;
}

bool RecordStore::OpenDatabase(const QString &fileName, const QString &password) {
    PasswordPrompt once;
    bool asked = false;
    once.ask = [&](QString &p) {
        if (asked)
            return false;
        asked = true;
        p = password;
        return true;
    };
    return OpenDatabase(fileName, once);
}

bool RecordStore::OpenDatabase(const QString &fileName, const PasswordPrompt &prompt) {
    CloseDatabase();
    if (fileName.isEmpty())
        return false;
    const QFileInfo info(fileName);
    if (!info.isFile() || info.size() == 0)
        return false;
    m_fileName = info.absoluteFilePath();
    try {
        if (!IsFileEnciphered(fileName)) {
            if (!openConnection(m_fileName))
                throw KeloError(QString());
        } else {
            // An enciphered file is whole pages; anything else is no records
            // database and is not worth a password prompt.
            if (info.size() % 512 != 0)
                throw KeloError(QString());
            QString entry;
            for (int attempt = 0; attempt < 3 && !m_access; ++attempt) {
                if (!prompt.ask || !prompt.ask(entry))
                    break;
                if (!tryKey(entry) && prompt.wrong)
                    prompt.wrong();
            }
            if (!m_access)
                throw KeloError(QString());
        }
        setConnectionPragmas(m_db);
        // Only a file with the table Users in its known shape is a records
        // database; the whole file is checked so that damage shows now and
        // not in the middle of the work.
        {
            Stmt s(m_db, "PRAGMA table_info(Users)");
            int n = 0;
            while (s.step()) {
                if (n >= UsersFieldCount || s.text(1) != QLatin1String(FieldInfo(UsersField(n)).name))
                    throw KeloError(QString());
                ++n;
            }
            if (n != UsersFieldCount)
                throw KeloError(QString());
        }
        {
            Stmt s(m_db, "PRAGMA quick_check");
            if (!s.step() || s.text(0) != QLatin1String("ok"))
                throw KeloError(QString());
        }
        // Write-ahead logging: one sync per post, and a post that returned
        // survives a killed process.
        exec(m_db, "PRAGMA journal_mode = WAL");
        loadKeys();
        tblTree.Open();
        tblGrid.Open();
        tblTree.Locate(UsersField::ID, 1);
        return true;
    } catch (const KeloError &) {
        CloseDatabase();
        return false;
    }
}

void RecordStore::CloseDatabase() {
    tblTree.Close();
    tblGrid.Close();
    closeConnection();
    m_keys.clear();
    m_byName.clear();
    m_cache.clear();
    m_children.clear();
    m_childrenValid = false;
    m_password.clear();
    m_enciphered = false;
    m_fileName.clear();
}

void RecordStore::requireOpen() const {
    if (!IsOpen())
        throw KeloError(QStringLiteral("Cannot perform this operation on a closed database"));
}

bool RecordStore::IsEnciphered() const {
    requireOpen();
    return m_enciphered;
}

QByteArray RecordStore::ExtensionData() const {
    requireOpen();
    Stmt s(m_db, "SELECT Data FROM ExtensionData WHERE Slot = 1");
    return s.step() ? s.blob(0) : QByteArray();
}

// ---------------------------------------------------------------------------
// Key fields

namespace {

struct SlotKey {
    const QByteArray *name;
    int type;
    int id;
};

inline bool slotLess(const SlotKey &a, const SlotKey &b) {
    const int c = a.name->compare(*b.name);
    if (c != 0)
        return c < 0;
    if (a.type != b.type)
        return a.type < b.type;
    return a.id < b.id;
}

} // namespace

void RecordStore::loadKeys() {
    ++m_generation;
    m_keys.clear();
    m_byName.clear();
    m_cache.clear();
    m_childrenValid = false;
    {
        Stmt s(m_db, "SELECT ID, ParentID, Type, Privacy, Name FROM Users ORDER BY ID");
        while (s.step()) {
            KeyEntry e;
            e.id = int(s.int64(0));
            e.parentId = int(s.int64(1));
            e.type = int(s.int64(2));
            e.privacy = s.int64(3) != 0;
            e.name = s.text(4);
            e.gbkName = GbkSortKey(e.name);
            m_keys.push_back(std::move(e));
        }
    }
    std::vector<int> order(m_keys.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::sort(order.begin(), order.end(), [this](int a, int b) {
        const KeyEntry &x = m_keys[a], &y = m_keys[b];
        return slotLess({&x.gbkName, x.type, x.id}, {&y.gbkName, y.type, y.id});
    });
    m_byName.reserve(order.size());
    for (int i : order) {
        const KeyEntry &e = m_keys[i];
        m_byName.push_back({e.id, e.parentId, e.type, e.privacy});
    }
}

std::vector<RecordStore::KeyEntry>::iterator RecordStore::keyPosition(int id) {
    return std::lower_bound(m_keys.begin(), m_keys.end(), id, [](const KeyEntry &e, int v) { return e.id < v; });
}

std::vector<RecordStore::NameSlot>::iterator RecordStore::namePosition(const KeyEntry &entry) {
    const SlotKey key{&entry.gbkName, entry.type, entry.id};
    return std::lower_bound(m_byName.begin(), m_byName.end(), key, [this](const NameSlot &s, const SlotKey &k) {
        const KeyEntry *e = Key(s.id);
        return slotLess({&e->gbkName, e->type, e->id}, k);
    });
}

const RecordStore::KeyEntry *RecordStore::Key(int id) const {
    auto it = std::lower_bound(m_keys.begin(), m_keys.end(), id,
                               [](const KeyEntry &e, int v) { return e.id < v; });
    return it != m_keys.end() && it->id == id ? &*it : nullptr;
}

std::vector<int> RecordStore::IdsByName() const {
    std::vector<int> ids;
    ids.reserve(m_byName.size());
    for (const NameSlot &s : m_byName)
        ids.push_back(s.id);
    return ids;
}

std::vector<int> RecordStore::IdsById() const {
    std::vector<int> ids;
    ids.reserve(m_keys.size());
    for (const KeyEntry &e : m_keys)
        ids.push_back(e.id);
    return ids;
}

const std::vector<int> &RecordStore::ChildrenOf(int parentId) const {
    if (!m_childrenValid) {
        m_children.clear();
        for (const NameSlot &s : m_byName)
            m_children[s.parentId].push_back(s.id);
        m_childrenValid = true;
    }
    static const std::vector<int> none;
    auto it = m_children.constFind(parentId);
    return it == m_children.constEnd() ? none : *it;
}

void RecordStore::dropKey(int id) {
    auto it = keyPosition(id);
    if (it == m_keys.end() || it->id != id)
        return;
    auto pos = namePosition(*it);
    if (pos != m_byName.end() && pos->id == id)
        m_byName.erase(pos);
    m_keys.erase(it);
    m_cache.remove(id);
    m_childrenValid = false;
}

void RecordStore::setKey(const UsersRecord &r) {
    dropKey(r.ID);
    KeyEntry e;
    e.id = r.ID;
    e.parentId = r.ParentID;
    e.type = r.Type;
    e.privacy = r.Privacy;
    e.name = r.Name;
    e.gbkName = GbkSortKey(r.Name);
    auto it = m_keys.insert(keyPosition(r.ID), std::move(e));
    m_byName.insert(namePosition(*it), NameSlot{r.ID, r.ParentID, r.Type, r.Privacy});
    m_cache.insert(r.ID, r);
    m_childrenValid = false;
}

UsersRecord RecordStore::ReadRecord(int id) const {
    requireOpen();
    auto it = m_cache.constFind(id);
    if (it != m_cache.constEnd())
        return *it;
    Stmt s(m_db, (QByteArray("SELECT ") + AllColumns + " FROM Users WHERE ID = ?").constData());
    s.bind(1, qint64(id));
    if (!s.step())
        throw KeloError(QStringLiteral("Record not found"));
    UsersRecord r = readRow(s);
    if (m_cache.size() > 4096)
        m_cache.clear();
    m_cache.insert(id, r);
    return r;
}

// ---------------------------------------------------------------------------
// Writing

void RecordStore::notifyChanged(UsersCursor *origin) {
    ++m_generation;
    const auto cursors = m_openCursors;
    for (UsersCursor *c : cursors)
        if (c != origin)
            c->storeChanged(origin);
}

int RecordStore::insertRecord(UsersRecord &record, UsersCursor *origin) {
    requireOpen();
    UsersRecord r = record;
    normaliseForStore(r);
    {
        Transaction t(m_db);
        insertRow(m_db, r);
        t.commit();
    }
    record = r;
    setKey(r);
    notifyChanged(origin);
    return r.ID;
}

void RecordStore::updateRecord(UsersRecord &record, UsersCursor *origin) {
    requireOpen();
    UsersRecord r = record;
    normaliseForStore(r);
    {
        Transaction t(m_db);
        Stmt s(m_db, UpdateSql);
        bindFields(s, r);
        s.bind(UsersFieldCount, qint64(r.ID));
        s.step();
        if (sqlite3_changes(m_db) != 1)
            throw KeloError(QStringLiteral("Record not found"));
        t.commit();
    }
    record = r;
    setKey(r);
    notifyChanged(origin);
}

void RecordStore::deleteRecords(const std::vector<int> &ids, UsersCursor *origin) {
    requireOpen();
    {
        Transaction t(m_db);
        Stmt s(m_db, "DELETE FROM Users WHERE ID = ?");
        for (int id : ids) {
            s.bind(1, qint64(id));
            s.step();
            sqlite3_reset(s.get());
        }
        t.commit();
    }
    for (int id : ids)
        dropKey(id);
    notifyChanged(origin);
}

int RecordStore::copySubtree(int id, int newParentId, UsersCursor *origin) {
    requireOpen();
    // The records to copy, parents before children: what `origin` shows.
    std::vector<std::pair<int, int>> todo{{id, newParentId}};   // old ID, new parent
    std::vector<UsersRecord> made;
    int copyOfRoot = 0;
    {
        Transaction t(m_db);
        for (size_t i = 0; i < todo.size(); ++i) {
            UsersRecord r = ReadRecord(todo[i].first);
            r.ParentID = todo[i].second;
            normaliseForStore(r);
            const int oldId = r.ID;
            const int newId = insertRow(m_db, r);
            if (i == 0)
                copyOfRoot = newId;
            made.push_back(r);
            for (int child : ChildrenOf(oldId))
                if (!origin || origin->Passes(child))
                    todo.push_back({child, newId});
        }
        t.commit();
    }
    for (const UsersRecord &r : made)
        setKey(r);
    notifyChanged(origin);
    return copyOfRoot;
}

// ---------------------------------------------------------------------------
// Protection

bool RecordStore::ChangeEncryption(bool encrypt, const QString &newPassword) {
    requireOpen();
    const QString temp = m_fileName + QLatin1String(".rekey");
    QFile::remove(temp);
    removeSideFiles(temp);
    const QByteArray newKey = encrypt ? keyMaterial(newPassword) : QByteArray();
    bool ok = true;
    try {
        // The connection opens existing files only; an empty file is an
        // empty database to SQLite.
        {
            QFile f(temp);
            if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                throw KeloError(QString());
        }
        {
            Stmt s(m_db, "ATTACH DATABASE ? AS rekeyed KEY ?");
            s.bind(1, QFile::encodeName(temp));
            s.bindBlob(2, newKey);
            s.step();
        }
        try {
            if (encrypt)
                applyCipherSettings(m_db, "rekeyed");
            else
                exec(m_db, "PRAGMA rekeyed.page_size = 4096");
            exec(m_db, "PRAGMA rekeyed.synchronous = FULL");
            exec(m_db, "SELECT sqlcipher_export('rekeyed')");
            exec(m_db, "DETACH DATABASE rekeyed");
        } catch (const KeloError &) {
            sqlite3_exec(m_db, "DETACH DATABASE rekeyed", nullptr, nullptr, nullptr);
            throw;
        }
        // The new file must hold what the old one holds before it replaces it.
        sqlite3 *check = openRaw(temp, false, encrypt ? &newKey : nullptr);
        if (!check)
            throw KeloError(QString());
        bool same = readable(check);
        if (same) {
            auto count = [](sqlite3 *db, const char *sql) -> qint64 {
                sqlite3_stmt *s = nullptr;
                qint64 n = -1;
                if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
                    n = sqlite3_column_int64(s, 0);
                sqlite3_finalize(s);
                return n;
            };
            for (const char *sql : {"SELECT count(*) FROM Users", "SELECT coalesce(max(ID), 0) FROM Users",
                                    "SELECT coalesce((SELECT seq FROM sqlite_sequence WHERE name = 'Users'), 0)",
                                    "SELECT count(*) FROM ExtensionData"}) {
                if (count(check, sql) != count(m_db, sql) || count(check, sql) < 0)
                    same = false;
            }
            sqlite3_stmt *s = nullptr;
            if (sqlite3_prepare_v2(check, "PRAGMA quick_check", -1, &s, nullptr) != SQLITE_OK
                || sqlite3_step(s) != SQLITE_ROW
                || qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(s, 0)), "ok") != 0)
                same = false;
            sqlite3_finalize(s);
        }
        sqlite3_close(check);
        if (!same || !fsyncPath(temp, false))
            throw KeloError(QString());
    } catch (const KeloError &) {
        ok = false;
    }
    if (!ok) {
        QFile::remove(temp);
        removeSideFiles(temp);
        return false;
    }

    // Swap the files with the connection closed, then go on with the new one.
    const QString oldPassword = m_password;
    const bool wasEnciphered = m_enciphered;
    closeConnection();
    removeSideFiles(m_fileName);
    const bool renamed = ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(m_fileName).constData()) == 0;
    if (renamed)
        fsyncPath(QFileInfo(m_fileName).absolutePath(), true);
    else
        QFile::remove(temp);
    const bool nowEnciphered = renamed ? encrypt : wasEnciphered;
    const QString password = renamed ? newPassword : oldPassword;
    bool reopened = nowEnciphered ? tryKey(password) : openConnection(m_fileName);
    if (reopened) {
        try {
            setConnectionPragmas(m_db);
            exec(m_db, "PRAGMA journal_mode = WAL");
        } catch (const KeloError &) {
            reopened = false;
        }
    }
    if (!reopened) {
        CloseDatabase();
        return false;
    }
    m_enciphered = nowEnciphered;
    m_password = nowEnciphered ? password : QString();
    m_cache.clear();
    return renamed;
}

// ---------------------------------------------------------------------------
// The main window's operations

void RecordStore::ApplyGridFilter() {
    if (!tblGrid.Active())
        return;
    const UsersRecord &t = tblTree.Current();
    bool withParent = false;
    int parent = 0;
    if (tblTree.Active() && tblTree.RecordCount() > 0) {
        if (t.Type == TypeMember) {
            withParent = true;
            parent = t.ParentID;
        } else if (t.Type == TypeGroup) {
            withParent = true;
            parent = t.ID;
        }
    }
    const int treeId = tblTree.RecordCount() > 0 ? t.ID : 0;
    const UsersFilter filter = UsersFilter::Members(withParent, parent, !m_displayPrivacy);
    tblGrid.DisableControls();
    try {
        tblGrid.SetFilter(filter);
        tblGrid.SetFiltered(true);
        tblGrid.First();
        if (treeId != 0)
            tblGrid.Locate(UsersField::ID, treeId);
    } catch (...) {
        tblGrid.EnableControls();
        throw;
    }
    tblGrid.EnableControls();
}

void RecordStore::ApplyTreeFilter() {
    if (!tblGrid.Active())
        return;
    if (m_displayPrivacy) {
        tblTree.SetFiltered(false);
    } else {
        tblTree.SetFilter(UsersFilter::TreeWithoutPrivate());
        tblTree.SetFiltered(true);
    }
    tblTree.First();
}

void RecordStore::SaveRecord() {
    if (!tblGrid.Editing())
        return;
    tblGrid.Post();
    const int id = tblGrid.LastPostedID();
    tblGrid.DisableControls();
    tblTree.DisableControls();
    tblTree.Refresh();
    tblTree.EnableControls();
    tblGrid.EnableControls();
    tblGrid.Locate(UsersField::ID, id);
}

QString RecordStore::tblGridSexGetText(bool sex) {
    return sex ? QStringLiteral("男") : QStringLiteral("女");
}

bool RecordStore::SexFromText(const QString &text) {
    return text == QStringLiteral("男");
}

void RecordStore::tblGridSexSetText(const QString &text) {
    tblGrid.SetFieldValue(UsersField::Sex, SexFromText(text));
}
