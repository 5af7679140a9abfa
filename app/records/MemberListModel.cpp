#include "MemberListModel.h"

#include "RecordStore.h"
#include "UsersCursor.h"

const MemberListModel::Column MemberListModel::Columns[7] = {
    {UsersField::Name, "姓名", 100},
    {UsersField::Birthday, "生日", 80},
    {UsersField::Tel, "电话", 100},
    {UsersField::HandTel, "手机", 100},
    {UsersField::Email1, "电子邮件", 100},
    {UsersField::Privacy, "保密", 40},
    {UsersField::Fee, "收费", 64},
};

MemberListModel::MemberListModel(UsersCursor &grid, QObject *parent)
    : QAbstractTableModel(parent), m_grid(grid)
{
    connect(&m_grid, &UsersCursor::listReset, this, [this] {
        beginResetModel();
        m_rows = m_grid.Active() ? m_grid.RecordCount() : 0;
        endResetModel();
    });
    // A post of the edit buffer changes the values of a shown row.
    connect(&m_grid, &UsersCursor::stateChanged, this, [this] {
        if (m_rows != (m_grid.Active() ? m_grid.RecordCount() : 0)) {
            beginResetModel();
            m_rows = m_grid.Active() ? m_grid.RecordCount() : 0;
            endResetModel();
        } else if (m_rows > 0) {
            emit dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1));
        }
    });
    m_rows = m_grid.Active() ? m_grid.RecordCount() : 0;
}

int MemberListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int MemberListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 7;
}

QString MemberListModel::cellText(const UsersRecord &record, UsersField field)
{
    switch (field) {
    case UsersField::Birthday:
        return KeloToDate(record.Birthday).toString(QStringLiteral("yyyy-MM-dd"));
    case UsersField::Sex:
        return RecordStore::tblGridSexGetText(record.Sex);
    case UsersField::Privacy:
        return record.Privacy ? QStringLiteral("是") : QString();
    case UsersField::Fee:
        return QString::number(record.Fee, 'f', 2);
    default:
        return record.value(field).toString();
    }
}

QVariant MemberListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= 7)
        return {};
    const Column &column = Columns[index.column()];
    if (role == Qt::TextAlignmentRole && column.field == UsersField::Fee)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::TextAlignmentRole && column.field == UsersField::Privacy)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    // The current row shows the edit buffer while it is being edited.
    const bool current = m_grid.Editing() && m_grid.state() == UsersCursor::State::Edit
                         && index.row() == m_grid.RecNo();
    const UsersRecord record = current ? m_grid.Current() : m_grid.RecordAt(index.row());
    return cellText(record, column.field);
}

QVariant MemberListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 7)
        return QString::fromUtf8(Columns[section].caption);
    return QAbstractTableModel::headerData(section, orientation, role);
}
