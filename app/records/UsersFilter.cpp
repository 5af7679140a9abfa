#include "UsersFilter.h"

#include <limits>

struct UsersFilter::Node {
    enum class Op { Equals, Greater, IsTrue, And, Or, Not } op;
    UsersField field = UsersField::ID;
    qint64 value = 0;
    std::shared_ptr<const Node> a, b;
};

namespace {

using Node = UsersFilter::Node;
using Op = Node::Op;

bool keyField(UsersField f) {
    return f == UsersField::ID || f == UsersField::ParentID || f == UsersField::Type
        || f == UsersField::Privacy;
}

bool allKeyFields(const Node *n) {
    if (!n)
        return true;
    switch (n->op) {
    case Op::Equals: case Op::Greater: case Op::IsTrue: return keyField(n->field);
    case Op::And: case Op::Or: return allKeyFields(n->a.get()) && allKeyFields(n->b.get());
    case Op::Not: return allKeyFields(n->a.get());
    }
    return false;
}

template <class Get>
bool eval(const Node *n, const Get &get) {
    switch (n->op) {
    case Op::Equals: return get(n->field) == n->value;
    case Op::Greater: return get(n->field) > n->value;
    case Op::IsTrue: return get(n->field) != 0;
    case Op::And: return eval(n->a.get(), get) && eval(n->b.get(), get);
    case Op::Or: return eval(n->a.get(), get) || eval(n->b.get(), get);
    case Op::Not: return !eval(n->a.get(), get);
    }
    return false;
}

void checkNumeric(UsersField f) {
    const auto k = FieldInfo(f).kind;
    Q_ASSERT(k == UsersFieldKind::AutoInc || k == UsersFieldKind::Integer || k == UsersFieldKind::Boolean);
    Q_UNUSED(k);
}

QString sql(const Node *n, QVariantList &params) {
    const QString col = QLatin1String(FieldInfo(n->field).name);
    switch (n->op) {
    case Op::Equals: params << n->value; return col + QLatin1String(" = ?");
    case Op::Greater: params << n->value; return col + QLatin1String(" > ?");
    case Op::IsTrue: return col + QLatin1String(" <> 0");
    case Op::And: { QString l = sql(n->a.get(), params); return QLatin1Char('(') + l + QLatin1String(" AND ") + sql(n->b.get(), params) + QLatin1Char(')'); }
    case Op::Or: { QString l = sql(n->a.get(), params); return QLatin1Char('(') + l + QLatin1String(" OR ") + sql(n->b.get(), params) + QLatin1Char(')'); }
    case Op::Not: return QLatin1String("(NOT ") + sql(n->a.get(), params) + QLatin1Char(')');
    }
    return QStringLiteral("1");
}

// Readable text; And binds tighter than Or, Not applies to a Boolean field or
// to a parenthesised condition.
QString text(const Node *n, bool inAnd) {
    const QString col = QLatin1String(FieldInfo(n->field).name);
    switch (n->op) {
    case Op::Equals: return col + QLatin1Char('=') + QString::number(n->value);
    case Op::Greater: return col + QLatin1Char('>') + QString::number(n->value);
    case Op::IsTrue: return col;
    case Op::And: return text(n->a.get(), true) + QLatin1String(" AND ") + text(n->b.get(), true);
    case Op::Or: {
        const QString s = QLatin1Char('(') + text(n->a.get(), false) + QLatin1String(") OR (")
            + text(n->b.get(), false) + QLatin1Char(')');
        return inAnd ? QLatin1Char('(') + s + QLatin1Char(')') : s;
    }
    case Op::Not:
        if (n->a->op == Op::IsTrue)
            return QLatin1String("NOT ") + text(n->a.get(), true);
        return QLatin1String("NOT (") + text(n->a.get(), false) + QLatin1Char(')');
    }
    return {};
}

std::shared_ptr<const Node> leaf(Op op, UsersField f, qint64 v) {
    checkNumeric(f);
    auto n = std::make_shared<Node>();
    n->op = op;
    n->field = f;
    n->value = v;
    return n;
}

} // namespace

UsersFilter UsersFilter::Equals(UsersField field, qint64 value) {
    UsersFilter f;
    f.m_node = leaf(Op::Equals, field, value);
    return f;
}

UsersFilter UsersFilter::Greater(UsersField field, qint64 value) {
    UsersFilter f;
    f.m_node = leaf(Op::Greater, field, value);
    return f;
}

UsersFilter UsersFilter::IsTrue(UsersField booleanField) {
    UsersFilter f;
    f.m_node = leaf(Op::IsTrue, booleanField, 0);
    return f;
}

UsersFilter UsersFilter::IsFalse(UsersField booleanField) {
    return !IsTrue(booleanField);
}

UsersFilter operator&&(const UsersFilter &a, const UsersFilter &b) {
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    auto n = std::make_shared<UsersFilter::Node>();
    n->op = Op::And;
    n->a = a.m_node;
    n->b = b.m_node;
    UsersFilter f;
    f.m_node = n;
    return f;
}

UsersFilter operator||(const UsersFilter &a, const UsersFilter &b) {
    if (a.isEmpty() || b.isEmpty())
        return {};
    auto n = std::make_shared<UsersFilter::Node>();
    n->op = Op::Or;
    n->a = a.m_node;
    n->b = b.m_node;
    UsersFilter f;
    f.m_node = n;
    return f;
}

UsersFilter UsersFilter::operator!() const {
    auto n = std::make_shared<Node>();
    if (!m_node) {   // NOT of "everything": nothing passes
        n->op = Op::Greater;
        n->field = UsersField::ID;
        n->value = std::numeric_limits<qint64>::max();
    } else {
        n->op = Op::Not;
        n->a = m_node;
    }
    UsersFilter f;
    f.m_node = n;
    return f;
}

UsersFilter UsersFilter::Members(bool withParent, int parentId, bool hidePrivate) {
    UsersFilter f = Equals(UsersField::Type, TypeMember);
    if (withParent)
        f = f && Equals(UsersField::ParentID, parentId);
    if (hidePrivate)
        f = f && IsFalse(UsersField::Privacy);
    return f;
}

UsersFilter UsersFilter::TreeWithoutPrivate() {
    return Greater(UsersField::Type, TypeMember)
        || (Equals(UsersField::Type, TypeMember) && IsFalse(UsersField::Privacy));
}

bool UsersFilter::usesOnlyKeyFields() const {
    return allKeyFields(m_node.get());
}

bool UsersFilter::matches(const KeyFields &r) const {
    if (!m_node)
        return true;
    Q_ASSERT(usesOnlyKeyFields());
    return eval(m_node.get(), [&](UsersField f) -> qint64 {
        switch (f) {
        case UsersField::ID: return r.id;
        case UsersField::ParentID: return r.parentId;
        case UsersField::Type: return r.type;
        case UsersField::Privacy: return r.privacy ? 1 : 0;
        default: return 0;
        }
    });
}

bool UsersFilter::matches(const UsersRecord &r) const {
    if (!m_node)
        return true;
    return eval(m_node.get(), [&](UsersField f) -> qint64 {
        const QVariant v = r.value(f);
        return v.typeId() == QMetaType::Bool ? (v.toBool() ? 1 : 0) : v.toLongLong();
    });
}

QString UsersFilter::toSql(QVariantList &params) const {
    if (!m_node)
        return QStringLiteral("1");
    return sql(m_node.get(), params);
}

QString UsersFilter::toString() const {
    if (!m_node)
        return {};
    return text(m_node.get(), false);
}
