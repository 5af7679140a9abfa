#pragma once
// The records database tdbMain: one kvr file, SQLite through SQLCipher, with
// the table Users, the index ByName and the tag block DBFileTag in the
// extension-data area; and the main window's operations on it with its two
// cursors tblTree and tblGrid.
//
// File layout:
//   Users(ID INTEGER PRIMARY KEY AUTOINCREMENT, ParentID, Type, Color, Name,
//         Nickname, Corporation, Job, Birthday, Sex, Province, City, Addr,
//         Zip, Tel, HandTel, Fax, QQ, MSN, Email1, Email2, Come, Privacy,
//         Fee, Memo)          text in UTF-8, sizes counted in GBK bytes
//   INDEX ByName ON Users(Name COLLATE GBK, Type)
//   ExtensionData(Slot INTEGER PRIMARY KEY CHECK (Slot = 1),
//                 Data BLOB CHECK (length(Data) <= 2048))   one row
// The collation GBK orders text by its GBK bytes; it is registered on every
// connection the store opens. It sits on the index only, so a plain file can
// be read with the stock sqlcipher shell; there a query the planner answers
// through ByName (count(*), say) reports "no such collation sequence: GBK"
// and is asked with NOT INDEXED instead.
// Journal: write-ahead log, synchronous FULL: one sync per post, and every
// post that returned survives a killed process (the -wal and -shm files
// beside the kvr file exist only while it is open or after a crash).
//
// Protection: an enciphered file is AES-256-CBC with a per-page HMAC-SHA1
// (SQLCipher 3 defaults), the key drawn from the password by PBKDF2 with
// KdfIterations rounds and the file's random salt, pages of CipherPageSize
// bytes. The key material is "kelo:" followed by the password in UTF-8, so
// an empty password still enciphers. These settings are fixed: changing them
// would make existing files unreadable. The password is kept in memory only.
//
// Errors: operations that cannot go on throw KeloError; NewDatabase,
// OpenDatabase and ChangeEncryption report failure by their result.

#include "KeloError.h"
#include "UsersCursor.h"
#include "UsersRecord.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

struct sqlite3;

class RecordStore : public QObject {
    Q_OBJECT
public:
    static constexpr int KdfIterations = 64000;
    static constexpr int CipherPageSize = 4096;
    static constexpr int ExtensionDataMax = 2048;
    static constexpr int DBFileTagSize = 81;

    explicit RecordStore(QObject *parent = nullptr);
    ~RecordStore() override;

    // --- the main window's file operations
    // Creates (or overwrites) fileName with DBFileTag, Users, ByName and the
    // eight default records (IDs 1-8, Come today). On any failure the partial
    // file is deleted and false returned. Leaves this store as it was.
    static bool NewDatabase(const QString &fileName);

    // The password prompt of OpenDatabase. ask(password) shows the prompt
    // with password as the previous entry and returns false on cancel;
    // wrong() tells the user "密码错误，请重新输入。".
    struct PasswordPrompt {
        std::function<bool(QString &password)> ask;
        std::function<void()> wrong;
    };
    // Closes the open database, opens fileName, asks for the password at
    // most three times while access is not granted, opens both cursors and
    // moves tblTree to the root. False, without a message, when the file is
    // missing, damaged, not a records database or access is not granted;
    // the file is left untouched then.
    bool OpenDatabase(const QString &fileName, const PasswordPrompt &prompt = {});
    // The same with a password known beforehand (no prompt).
    bool OpenDatabase(const QString &fileName, const QString &password);
    void CloseDatabase();

    // --- store operations
    bool IsOpen() const { return m_db != nullptr && m_access; }
    QString FileName() const { return m_fileName; }
    // Whether the open database is enciphered (KeloError when none is open).
    bool IsEnciphered() const;
    // Whether a file is enciphered, told by its first 16 bytes: a plain file
    // begins with "SQLite format 3\0".
    static bool IsFileEnciphered(const QString &fileName);
    // Switches the protection on or off with a new password, rewriting the
    // whole file (every record and the extension data) into a new file beside
    // it, synced, then renamed over the old one. Either it succeeds
    // completely or the file stays exactly as it was; false then. The open
    // cursors stay open on their records. KeloError when no database is open.
    bool ChangeEncryption(bool encrypt, const QString &newPassword);
    // The extension-data area (DBFileTag for files made here).
    QByteArray ExtensionData() const;
    static QByteArray MakeDBFileTag();

    // --- the cursors of the main window (open while the database is)
    UsersCursor tblTree{*this, UsersCursor::Order::ById};
    UsersCursor tblGrid{*this, UsersCursor::Order::ByName};

    // The privacy switch "显示保密成员(&D)": true shows private members.
    bool DisplayPrivacy() const { return m_displayPrivacy; }
    void SetDisplayPrivacy(bool on) { m_displayPrivacy = on; }

    // tblGrid := members of the current tblTree record's group (all members
    // for the root), private ones only while shown; then tblGrid goes to the
    // record with the ID of the current tblTree record, or stays on its first
    // row. (Switching to the list page is the window's part.)
    void ApplyGridFilter();
    // tblTree unfiltered while private members are shown, otherwise
    // "(Type>0) OR (Type=0 AND NOT Privacy)"; tblTree goes to the root.
    void ApplyTreeFilter();
    // When tblGrid is editing: post it (the before-post hook may refuse with
    // KeloError, leaving it editing), refresh tblTree, and move tblGrid to
    // the saved record. Nothing when not editing.
    void SaveRecord();
    // The Sex field as text: true "男", false "女"; "男" stores true, any
    // other text false (into tblGrid's edit buffer).
    static QString tblGridSexGetText(bool sex);
    static bool SexFromText(const QString &text);
    void tblGridSexSetText(const QString &text);

    // --- key fields of every record, kept in memory for filters and the tree
    struct KeyEntry {
        int id = 0;
        int parentId = 0;
        int type = 0;
        bool privacy = false;
        QString name;
        QByteArray gbkName;   // sort key of ByName
    };
    const KeyEntry *Key(int id) const;
    // Every ID in ByName order (Name by GBK, Type, ID), and in ID order.
    std::vector<int> IdsByName() const;
    std::vector<int> IdsById() const;
    // Children of a record (any filter), in ByName order.
    const std::vector<int> &ChildrenOf(int parentId) const;

    // The stored record of an ID (KeloError when there is none).
    UsersRecord ReadRecord(int id) const;

    // The open connection, for checks such as PRAGMA integrity_check.
    sqlite3 *handle() const { return m_db; }

private:
    friend class UsersCursor;
    struct Impl;
    bool openConnection(const QString &fileName);
    bool tryKey(const QString &password);
    void closeConnection();
    void loadKeys();
    void requireOpen() const;
    // Writing through the cursors (one transaction each).
    int insertRecord(UsersRecord &record, UsersCursor *origin);
    void updateRecord(UsersRecord &record, UsersCursor *origin);
    void deleteRecords(const std::vector<int> &ids, UsersCursor *origin);
    int copySubtree(int id, int newParentId, UsersCursor *origin);
    void setKey(const UsersRecord &record);
    void dropKey(int id);
    void notifyChanged(UsersCursor *origin);

    std::unique_ptr<Impl> d;
    sqlite3 *m_db = nullptr;
    bool m_access = false;
    bool m_enciphered = false;
    QString m_fileName;
    QString m_password;
    bool m_displayPrivacy = false;
    // Key fields of every record: m_keys ordered by ID, m_byName the same
    // records in ByName order (a copy of the fields filters look at).
    struct NameSlot { int id; int parentId; int type; bool privacy; };
    std::vector<KeyEntry> m_keys;
    std::vector<NameSlot> m_byName;
    // Where a record's key entry is, or would go, in m_keys (by ID) and in
    // m_byName (by the ByName order of its entry).
    std::vector<KeyEntry>::iterator keyPosition(int id);
    std::vector<NameSlot>::iterator namePosition(const KeyEntry &entry);
    mutable QHash<int, UsersRecord> m_cache;
    mutable QHash<int, std::vector<int>> m_children;
    mutable bool m_childrenValid = false;
    std::vector<UsersCursor *> m_openCursors;
    quint64 m_generation = 1;         // counts changes of the table
};
