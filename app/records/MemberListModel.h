#pragma once
// The list of members DBGridEh1 over the cursor tblGrid: one row per record
// that passes the cursor's filter, in its order (ByName), the seven columns
// Name "姓名", Birthday "生日" (yyyy-mm-dd), Tel "电话", HandTel "手机",
// Email1 "电子邮件", Privacy "保密", Fee "收费". Rows are read from the
// cursor as the view asks for them, so a list of 100 000 members is cheap.

#include "UsersRecord.h"

#include <QAbstractTableModel>

class UsersCursor;

class MemberListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column { UsersField field; const char *caption; int width; };
    static const Column Columns[7];

    explicit MemberListModel(UsersCursor &grid, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The text of a cell as the list shows it.
    static QString cellText(const UsersRecord &record, UsersField field);

private:
    UsersCursor &m_grid;
    int m_rows = 0;
};
