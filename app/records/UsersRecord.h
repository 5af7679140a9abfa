#pragma once
// One record of the table Users: groups and members share its shape.
// Type 0 member (a person), 1 group, 2 the root group "显示全部".

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

// The 25 fields in their stored order.
enum class UsersField : int {
    ID, ParentID, Type, Color, Name, Nickname, Corporation, Job, Birthday, Sex,
    Province, City, Addr, Zip, Tel, HandTel, Fax, QQ, MSN, Email1, Email2,
    Come, Privacy, Fee, Memo
};
constexpr int UsersFieldCount = 25;

enum class UsersFieldKind {
    AutoInc,   // ID: 1 for the first record, never reused
    Integer,
    String,    // size in bytes of GBK; longer text is cut when stored
    DateTime,  // days since 1899-12-30, time of day as the fraction
    Boolean,
    Date,      // whole days since 1899-12-30
    Currency,  // four decimal places
    Memo       // text of any length
};

struct UsersFieldInfo {
    UsersField field;
    const char *name;     // the column name, e.g. "Name"
    UsersFieldKind kind;
    int size;             // GBK bytes for strings, 0 otherwise
};

// Description of one field, and the field of a column name (false if none).
const UsersFieldInfo &FieldInfo(UsersField field);
bool FieldByName(const QString &name, UsersField *field);

// Record kinds held in Type.
enum : int { TypeMember = 0, TypeGroup = 1, TypeRoot = 2 };

struct UsersRecord {
    int ID = 0;             // 0 while not stored yet
    int ParentID = 0;       // -1 for the root
    int Type = TypeMember;
    int Color = 0;          // reserved: stored, never set or read
    QString Name;           // 32
    QString Nickname;       // 32 "网名:"
    QString Corporation;    // 32 "单位:"
    QString Job;            // 32 "职务:"
    double Birthday = 0;    // birth instant, local clock, to the minute
    bool Sex = false;       // true male "男", false female "女"
    QString Province;       // 10
    QString City;           // 10
    QString Addr;           // 255, may hold line breaks
    QString Zip;            // 6
    QString Tel;            // 32
    QString HandTel;        // 32
    QString Fax;            // 32
    QString QQ;             // 32
    QString MSN;            // 32
    QString Email1;         // 32
    QString Email2;         // 32
    double Come = 0;        // date of the visit (whole days)
    bool Privacy = false;   // the member is private
    double Fee = 0;         // currency, four decimals
    QString Memo;

    // Generic access by field, for bound controls and list columns:
    // int for integer fields, double for date/time and currency, bool,
    // QString for strings and the memo.
    QVariant value(UsersField field) const;
    void setValue(UsersField field, const QVariant &v);

    bool operator==(const UsersRecord &) const = default;
};

// A record as the store makes it on append: zero values, date fields at the
// current date (so Come is today), Privacy false.
UsersRecord FreshUsersRecord();

// Day numbers of the records (days since 1899-12-30, fraction = time of day).
double KeloDateTime(const QDateTime &localTime);   // to the millisecond
double KeloDate(const QDate &date);                // 00:00 of that day
QDateTime KeloToDateTime(double value);            // local clock time
QDate KeloToDate(double value);                    // the day, time dropped
