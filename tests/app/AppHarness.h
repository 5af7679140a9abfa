#pragma once
// The real main window on real kvr files in a temporary program folder, with
// settings and data folders in Qt's test locations and every dialog answered
// by ScriptedDialogs. The program folder holds the explanation database
// "00.dll" as an installation does; the chart page's modal windows and the
// print and picture dialogs are answered by the harness too.

#include "ChartPage.h"
#include "DBStarFrm.h"
#include "DialogsScripted.h"
#include "FormMain.h"
#include "GroupTreeModel.h"
#include "GroupTreeView.h"
#include "KeloApplication.h"
#include "RecordStore.h"
#include "UsersCursor.h"

#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The explanation database of this build (made in <build>/app beside kelo).
inline QString BuiltStarDatabase()
{
#ifdef KELO_STAR_DB
    return QStringLiteral(KELO_STAR_DB);
#else
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../../app/00.dll");
#endif
}

inline void UseTestLocations()
{
    QStandardPaths::setTestModeEnabled(true);
    KeloApplication::SetNames();
}

inline QSettings KeloSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("qarn"), QStringLiteral("kelo"));
}

inline void ClearSettings()
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("qarn"), QStringLiteral("kelo"));
    s.clear();
    s.sync();
}

struct Harness {
    QTemporaryDir programDir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TfrmMain> window;
    // Object names of the modal windows the chart page ran ("frmShowTutorial",
    // "frmDBStar"), in order, and what the explanation window showed then.
    QStringList modals;
    QStringList explanations;
    // Called with each modal window before it "closes"; may tick boxes.
    std::function<void(QDialog &)> answerModal;
    // The print dialog: cancelled unless a test sets it.
    std::function<bool(QPrinter &)> printDialog;
    // The picture dialog: the name chosen, empty for cancel.
    QString pictureName;
    bool withStarTable = true;

    QString path(const QString &name) const { return programDir.filePath(name); }

    TfrmMain &start(const QStringList &arguments = {})
    {
        TfrmMain::StartUp s;
        s.arguments = arguments;
        s.programDir = programDir.path();
        s.programPath = programDir.filePath(QStringLiteral("kelo"));
        s.registerFileType = false;
        if (withStarTable && !QFile::exists(path(QStringLiteral("00.dll"))))
            QFile::copy(BuiltStarDatabase(), path(QStringLiteral("00.dll")));
        window = std::make_unique<TfrmMain>(dialogs, s);
        ChartPage &page = *window->tsMing;
        page.ExecModal = [this](QDialog &d) {
            modals << d.objectName();
            if (auto *star = qobject_cast<TfrmDBStar *>(&d))
                explanations << star->shownText();
            if (answerModal)
                answerModal(d);
            return int(QDialog::Accepted);
        };
        page.Printing.PrintDialog = [this](QPrinter &p) { return printDialog ? printDialog(p) : false; };
        page.Printing.PrinterSetupDialog = [this](QPrinter &) { modals << QStringLiteral("printerSetup"); };
        page.Printing.SavePictureDialog = [this] { return pictureName; };
        window->show();
        return *window;
    }
    void close()
    {
        if (window)
            window->close();
        window.reset();
    }
    ~Harness() { close(); }

    RecordStore &store() { return window->store(); }
    GroupTreeModel &model() { return *window->treeModel(); }
    GroupTreeView &tree() { return *window->DBTreeView1; }

    // A member stored through the list cursor, as the details page does.
    int addMember(int parentId, const QString &name, bool privacy = false)
    {
        UsersCursor &grid = store().tblGrid;
        grid.Append();
        grid.SetFieldValue(UsersField::ParentID, parentId);
        grid.SetFieldValue(UsersField::Type, int(TypeMember));
        grid.SetFieldValue(UsersField::Name, name);
        grid.SetFieldValue(UsersField::Sex, true);
        grid.SetFieldValue(UsersField::Privacy, privacy);
        grid.SetFieldValue(UsersField::Birthday, 30000.5);
        window->SaveRecord();
        const auto ids = store().IdsById();
        return ids.empty() ? 0 : ids.back();
    }

    QModelIndex showNode(int id)
    {
        const QModelIndex i = model().indexOfId(id);
        tree().scrollTo(i);
        return i;
    }
    // A left click on a node, as the user makes it.
    void clickNode(int id)
    {
        const QModelIndex i = showNode(id);
        QVERIFY(i.isValid());
        QTest::mouseClick(tree().viewport(), Qt::LeftButton, {}, tree().visualRect(i).center());
    }
    // Drops the node `dragged` on the node `target`, Ctrl held for a copy.
    void drop(int dragged, int target, bool ctrl)
    {
        std::unique_ptr<QMimeData> mime(model().mimeData({model().indexOfId(dragged)}));
        const QModelIndex t = showNode(target);
        const QPoint at = tree().visualRect(t).center();
        const Qt::KeyboardModifiers keys = ctrl ? Qt::ControlModifier : Qt::NoModifier;
        const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
        QDragEnterEvent enter(at, actions, mime.get(), Qt::LeftButton, keys);
        QApplication::sendEvent(tree().viewport(), &enter);
        QDragMoveEvent move(at, actions, mime.get(), Qt::LeftButton, keys);
        QApplication::sendEvent(tree().viewport(), &move);
        QDropEvent event(QPointF(at), actions, mime.get(), Qt::LeftButton, keys);
        QApplication::sendEvent(tree().viewport(), &event);
    }
    // A click on a page tab of PageControl1.
    void clickPage(int index)
    {
        QTabBar *bar = window->PageControl1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    // The IDs of the children the tree shows under a node, in order.
    QList<int> shownChildren(int id)
    {
        QList<int> out;
        const QModelIndex p = model().indexOfId(id);
        for (int r = 0; r < model().rowCount(p); ++r)
            out << GroupTreeModel::idOf(model().index(r, 0, p));
        return out;
    }
    QStringList listNames()
    {
        QStringList out;
        UsersCursor &grid = store().tblGrid;
        for (int r = 0; r < grid.RecordCount(); ++r)
            out << grid.RecordAt(r).Name;
        return out;
    }
    int currentTreeId() { return GroupTreeModel::idOf(tree().currentIndex()); }
};
