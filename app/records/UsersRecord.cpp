#include "UsersRecord.h"

#include <QTimeZone>
#include <array>
#include <cmath>

namespace {

using K = UsersFieldKind;

const std::array<UsersFieldInfo, UsersFieldCount> Fields = {{
    {UsersField::ID, "ID", K::AutoInc, 0},
    {UsersField::ParentID, "ParentID", K::Integer, 0},
    {UsersField::Type, "Type", K::Integer, 0},
    {UsersField::Color, "Color", K::Integer, 0},
    {UsersField::Name, "Name", K::String, 32},
    {UsersField::Nickname, "Nickname", K::String, 32},
    {UsersField::Corporation, "Corporation", K::String, 32},
    {UsersField::Job, "Job", K::String, 32},
    {UsersField::Birthday, "Birthday", K::DateTime, 0},
    {UsersField::Sex, "Sex", K::Boolean, 0},
    {UsersField::Province, "Province", K::String, 10},
    {UsersField::City, "City", K::String, 10},
    {UsersField::Addr, "Addr", K::String, 255},
    {UsersField::Zip, "Zip", K::String, 6},
    {UsersField::Tel, "Tel", K::String, 32},
    {UsersField::HandTel, "HandTel", K::String, 32},
    {UsersField::Fax, "Fax", K::String, 32},
    {UsersField::QQ, "QQ", K::String, 32},
    {UsersField::MSN, "MSN", K::String, 32},
    {UsersField::Email1, "Email1", K::String, 32},
    {UsersField::Email2, "Email2", K::String, 32},
    {UsersField::Come, "Come", K::Date, 0},
    {UsersField::Privacy, "Privacy", K::Boolean, 0},
    {UsersField::Fee, "Fee", K::Currency, 0},
    {UsersField::Memo, "Memo", K::Memo, 0},
}};

const QDate DayZero(1899, 12, 30);

} // namespace

const UsersFieldInfo &FieldInfo(UsersField field) {
    return Fields[size_t(field)];
}

bool FieldByName(const QString &name, UsersField *field) {
    for (const auto &f : Fields) {
        if (name.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0) {
            if (field)
                *field = f.field;
            return true;
        }
    }
    return false;
}

QVariant UsersRecord::value(UsersField field) const {
    switch (field) {
    case UsersField::ID: return ID;
    case UsersField::ParentID: return ParentID;
    case UsersField::Type: return Type;
    case UsersField::Color: return Color;
    case UsersField::Name: return Name;
    case UsersField::Nickname: return Nickname;
    case UsersField::Corporation: return Corporation;
    case UsersField::Job: return Job;
    case UsersField::Birthday: return Birthday;
    case UsersField::Sex: return Sex;
    case UsersField::Province: return Province;
    case UsersField::City: return City;
    case UsersField::Addr: return Addr;
    case UsersField::Zip: return Zip;
    case UsersField::Tel: return Tel;
    case UsersField::HandTel: return HandTel;
    case UsersField::Fax: return Fax;
    case UsersField::QQ: return QQ;
    case UsersField::MSN: return MSN;
    case UsersField::Email1: return Email1;
    case UsersField::Email2: return Email2;
    case UsersField::Come: return Come;
    case UsersField::Privacy: return Privacy;
    case UsersField::Fee: return Fee;
    case UsersField::Memo: return Memo;
    }
    return {};
}

void UsersRecord::setValue(UsersField field, const QVariant &v) {
    switch (field) {
    case UsersField::ID: ID = v.toInt(); break;
    case UsersField::ParentID: ParentID = v.toInt(); break;
    case UsersField::Type: Type = v.toInt(); break;
    case UsersField::Color: Color = v.toInt(); break;
    case UsersField::Name: Name = v.toString(); break;
    case UsersField::Nickname: Nickname = v.toString(); break;
    case UsersField::Corporation: Corporation = v.toString(); break;
    case UsersField::Job: Job = v.toString(); break;
    case UsersField::Birthday: Birthday = v.toDouble(); break;
    case UsersField::Sex: Sex = v.toBool(); break;
    case UsersField::Province: Province = v.toString(); break;
    case UsersField::City: City = v.toString(); break;
    case UsersField::Addr: Addr = v.toString(); break;
    case UsersField::Zip: Zip = v.toString(); break;
    case UsersField::Tel: Tel = v.toString(); break;
    case UsersField::HandTel: HandTel = v.toString(); break;
    case UsersField::Fax: Fax = v.toString(); break;
    case UsersField::QQ: QQ = v.toString(); break;
    case UsersField::MSN: MSN = v.toString(); break;
    case UsersField::Email1: Email1 = v.toString(); break;
    case UsersField::Email2: Email2 = v.toString(); break;
    case UsersField::Come: Come = v.toDouble(); break;
    case UsersField::Privacy: Privacy = v.toBool(); break;
    case UsersField::Fee: Fee = v.toDouble(); break;
    case UsersField::Memo: Memo = v.toString(); break;
    }
}

UsersRecord FreshUsersRecord() {
    UsersRecord r;
    r.Come = KeloDate(QDate::currentDate());
    return r;
}

double KeloDate(const QDate &date) {
    return double(DayZero.daysTo(date));
}

double KeloDateTime(const QDateTime &localTime) {
    const QDateTime t = localTime.toLocalTime();
    return KeloDate(t.date()) + t.time().msecsSinceStartOfDay() / 86400000.0;
}

QDate KeloToDate(double value) {
    return DayZero.addDays(qint64(std::floor(value)));
}

QDateTime KeloToDateTime(double value) {
    const double day = std::floor(value);
    qint64 ms = qint64(std::llround((value - day) * 86400000.0));
    if (ms >= 86400000)
        ms = 86399999;
    return QDateTime(DayZero.addDays(qint64(day)), QTime::fromMSecsSinceStartOfDay(int(ms)));
}
