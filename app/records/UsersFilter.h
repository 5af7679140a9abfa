#pragma once
// Filters of the Users cursors as structured values: comparisons of an
// integer or Boolean field with a number (=, >), AND, OR and NOT on a Boolean
// field. They are evaluated in memory for the fields the store keeps at hand
// (ID, ParentID, Type, Privacy) and otherwise turned into an SQL condition in
// which every value is a bound parameter.

#include "UsersRecord.h"

#include <QString>
#include <QVariantList>
#include <memory>

class UsersFilter {
public:
    // An empty filter lets every record pass.
    UsersFilter() = default;

    static UsersFilter Equals(UsersField field, qint64 value);     // field=value
    static UsersFilter Greater(UsersField field, qint64 value);    // field>value
    static UsersFilter IsTrue(UsersField booleanField);            // Privacy
    static UsersFilter IsFalse(UsersField booleanField);           // NOT Privacy

    friend UsersFilter operator&&(const UsersFilter &a, const UsersFilter &b);
    friend UsersFilter operator||(const UsersFilter &a, const UsersFilter &b);
    UsersFilter operator!() const;

    // The filters of the main window.
    // "Type=0", " AND ParentID=n" when parentId is given (>= 0 means given),
    // " AND NOT Privacy" when private members are hidden.
    static UsersFilter Members(bool withParent, int parentId, bool hidePrivate);
    // "(Type>0) OR (Type=0 AND NOT Privacy)": groups always, private members never.
    static UsersFilter TreeWithoutPrivate();

    bool isEmpty() const { return !m_node; }

    // True when the filter only names ID, ParentID, Type and Privacy.
    bool usesOnlyKeyFields() const;

    struct KeyFields { int id; int parentId; int type; bool privacy; };
    bool matches(const KeyFields &record) const;
    bool matches(const UsersRecord &record) const;

    // SQL condition over the columns of Users with ? placeholders; the values
    // are appended to params in placeholder order. "1" for an empty filter.
    QString toSql(QVariantList &params) const;

    // Readable form in the store's filter syntax, for messages and tests,
    // e.g. "Type=0 AND ParentID=3 AND NOT Privacy".
    QString toString() const;

    struct Node;
private:
    std::shared_ptr<const Node> m_node;
};
