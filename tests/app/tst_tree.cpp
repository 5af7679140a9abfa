// The group tree, the list and the record commands on a real database.

#include "AppHarness.h"
#include "MemberListModel.h"

#include <QAbstractItemModelTester>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>

class TestTree : public QObject {
    Q_OBJECT

    // Groups of the default file: 2 亲戚, 3 朋友, 4 同学 ... 8 其它.
    struct Fixture {
        Harness h;
        int zhang = 0, li = 0, wang = 0, secret = 0;
        Fixture()
        {
            h.start();
            zhang = h.addMember(2, QStringLiteral("张三"));
            li = h.addMember(2, QStringLiteral("李四"));
            wang = h.addMember(3, QStringLiteral("王五"));
            secret = h.addMember(2, QStringLiteral("赵六"), true);
            h.window->ApplyTreeFilter();
            h.window->ApplyGridFilter();
        }
    };

private slots:
    void initTestCase() { UseTestLocations(); }
    void init() { ClearSettings(); }

    void modelPassesTheTester()
    {
        Fixture f;
        QAbstractItemModelTester tester(&f.h.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        const int group = f.h.model().addGroup(2, QStringLiteral("新组"));
        f.h.model().rename(group, QStringLiteral("阿组"));
        f.h.model().move(f.zhang, group);
        f.h.model().copy(group, 3);
        f.h.model().move(group, 4);
        f.h.model().removeSubtree(group);
        f.h.window->miDisplayPrivacy->trigger();
        f.h.window->actNewGroup->trigger();
    }

    void labelsImagesAndOrder()
    {
        Fixture f;
        // Siblings by label in GBK order (pinyin for common characters).
        QCOMPARE(f.h.shownChildren(2), (QList<int>{f.li, f.zhang}));
        const QModelIndex zhang = f.h.model().indexOfId(f.zhang);
        QCOMPARE(zhang.data().toString(), QStringLiteral("张三"));
        QVERIFY(!zhang.data(Qt::DecorationRole).isNull());
        QCOMPARE(zhang.data(GroupTreeModel::TypeRole).toInt(), int(TypeMember));
        // The private member is hidden from the tree while privacy is off.
        QVERIFY(!f.h.model().indexOfId(f.secret).isValid());
    }

    // Siblings as a user reads them: ASCII letters without regard to case,
    // Chinese by pinyin, a label that starts another before it; a GBK
    // character whose second byte looks like a letter keeps its byte order.
    void siblingsSortedAsTheyAreRead_data()
    {
        QTest::addColumn<QStringList>("made");
        QTest::addColumn<QStringList>("shown");
        // A group then made there, and the row it takes among the members
        // (after a member of the same label).
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("groupRow");
        QTest::newRow("letters and pinyin")
            << QStringList{QStringLiteral("b组"), QStringLiteral("A组"), QStringLiteral("张"), QStringLiteral("阿"),
                           QStringLiteral("C组")}
            << QStringList{QStringLiteral("A组"), QStringLiteral("b组"), QStringLiteral("C组"), QStringLiteral("阿"),
                           QStringLiteral("张")}
            << QStringLiteral("B") << 1;
        QTest::newRow("capital after small letter")
            << QStringList{QStringLiteral("Bob"), QStringLiteral("alice"), QStringLiteral("Carl"), QStringLiteral("bea")}
            << QStringList{QStringLiteral("alice"), QStringLiteral("bea"), QStringLiteral("Bob"), QStringLiteral("Carl")}
            << QStringLiteral("BEA") << 2;
        QTest::newRow("same letters in either case by ID")
            << QStringList{QStringLiteral("b组"), QStringLiteral("B组"), QStringLiteral("A组")}
            << QStringList{QStringLiteral("A组"), QStringLiteral("b组"), QStringLiteral("B组")}
            << QStringLiteral("a") << 0;
        QTest::newRow("prefix first")
            << QStringList{QStringLiteral("阿组"), QStringLiteral("A"), QStringLiteral("阿"), QStringLiteral("a组")}
            << QStringList{QStringLiteral("A"), QStringLiteral("a组"), QStringLiteral("阿"), QStringLiteral("阿组")}
            << QStringLiteral("A组") << 2;
        // 乤 is 0x81 0x61 and 丄 is 0x81 0x41 in GBK.
        QTest::newRow("second byte keeps its case")
            << QStringList{QStringLiteral("乤"), QStringLiteral("丄"), QStringLiteral("a")}
            << QStringList{QStringLiteral("a"), QStringLiteral("丄"), QStringLiteral("乤")}
            << QStringLiteral("丄") << 2;
    }

    void siblingsSortedAsTheyAreRead()
    {
        QFETCH(QStringList, made);
        QFETCH(QStringList, shown);
        QFETCH(QString, group);
        QFETCH(int, groupRow);
        Fixture f;
        for (const QString &name : made)
            f.h.addMember(4, name);   // 同学, empty in the default file
        QStringList labels;
        for (int id : f.h.shownChildren(4))
            labels << f.h.model().indexOfId(id).data().toString();
        QCOMPARE(labels, shown);
        const int groupId = f.h.model().addGroup(4, group);
        QCOMPARE(f.h.shownChildren(4).indexOf(groupId), groupRow);
    }

    void listFollowsTheClickedNode()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        f.h.clickNode(1);
        QCOMPARE(f.h.listNames(), (QStringList{QStringLiteral("李四"), QStringLiteral("王五"), QStringLiteral("张三")}));
        f.h.clickNode(2);
        QCOMPARE(f.h.listNames(), (QStringList{QStringLiteral("李四"), QStringLiteral("张三")}));
        QCOMPARE(f.h.store().tblTree.CurrentID(), 2);
        f.h.clickNode(f.zhang);
        QCOMPARE(f.h.listNames(), (QStringList{QStringLiteral("李四"), QStringLiteral("张三")}));
        QCOMPARE(f.h.store().tblGrid.CurrentID(), f.zhang);
        QCOMPARE(w.DBGridEh1->currentIndex().row(), 1);
        // The list's columns and the birthday as yyyy-mm-dd.
        QCOMPARE(w.DBGridEh1->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("生日"));
        QCOMPARE(w.DBGridEh1->model()->index(1, 1).data().toString(), QStringLiteral("1982-02-18"));
        // Showing private members lists them too.
        w.miDisplayPrivacy->trigger();
        QCOMPARE(f.h.currentTreeId(), 1);
        f.h.clickNode(2);
        QCOMPARE(f.h.listNames().size(), 3);
        QVERIFY(f.h.model().indexOfId(f.secret).isValid());
    }

    void cursorAndSelectionFollowEachOther()
    {
        Fixture f;
        f.h.tree().setCurrentIndex(f.h.model().indexOfId(3));
        QCOMPARE(f.h.store().tblTree.CurrentID(), 3);
        f.h.store().tblTree.Locate(UsersField::ID, 5);
        QCOMPARE(f.h.currentTreeId(), 5);
    }

    void newGroupPlacement()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        f.h.clickNode(f.zhang);
        w.actNewGroup->trigger();
        const int besideMember = f.h.currentTreeId();
        QCOMPARE(f.h.store().Key(besideMember)->parentId, 2);
        QCOMPARE(f.h.store().Key(besideMember)->name, QStringLiteral("新组"));
        QCOMPARE(f.h.store().Key(besideMember)->type, int(TypeGroup));
        // The label is open for editing; the editor writes the name at once.
        auto *editor = f.h.tree().viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->text(), QStringLiteral("新组"));
        editor->setText(QStringLiteral("邻居"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(f.h.store().ReadRecord(besideMember).Name, QStringLiteral("邻居"));
        QCOMPARE(f.h.model().indexOfId(besideMember).data().toString(), QStringLiteral("邻居"));

        f.h.clickNode(3);
        w.actNewGroup->trigger();
        QCOMPARE(f.h.store().Key(f.h.currentTreeId())->parentId, 3);
    }

    void newMemberPlacement()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        auto makeUnder = [&](int node) {
            f.h.clickNode(node);
            w.actNewMember->trigger();
            UsersCursor &grid = f.h.store().tblGrid;
            if (grid.state() != UsersCursor::State::Insert || !grid.Current().Sex
                || w.PageControl1->currentWidget() != w.tsInfo)
                return -2;
            const int parent = grid.Current().ParentID;
            grid.SetFieldValue(UsersField::Name, QStringLiteral("新人"));
            w.miSave->trigger();
            return parent;
        };
        QCOMPARE(makeUnder(f.zhang), 2);
        QCOMPARE(makeUnder(1), 1);
        QCOMPARE(makeUnder(4), 4);
        // The saved member shows in the tree.
        QCOMPARE(f.h.shownChildren(4).size(), 1);
    }

    void commandsWaitWhileAMemberIsEdited()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        f.h.clickNode(f.zhang);
        f.h.store().tblGrid.Edit();
        for (QAction *a : {w.actNewGroup, w.actNewMember, w.actDel, w.actRename, w.miExpand, w.miCollapse,
                           w.miFullExpand, w.miFullCollapse})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        f.h.store().tblGrid.Cancel();
        QVERIFY(w.actNewGroup->isEnabled());
        QVERIFY(w.actDel->isEnabled());
    }

    void deleteAGroupKeepsItsHiddenPrivateMember()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        // The root is never deleted.
        f.h.clickNode(1);
        w.actDel->trigger();
        QVERIFY(f.h.dialogs.calls.isEmpty());

        f.h.clickNode(2);
        f.h.dialogs.answer(Dialogs::Answer::No);
        w.actDel->trigger();
        QCOMPARE(f.h.dialogs.texts("question"), QStringList{QStringLiteral("确定要删除“亲戚”吗？")});
        QVERIFY(f.h.store().Key(2));

        f.h.dialogs.answer(Dialogs::Answer::Yes);
        w.actDel->trigger();
        QVERIFY(!f.h.store().Key(2));
        QVERIFY(!f.h.store().Key(f.zhang));
        QVERIFY(!f.h.store().Key(f.li));
        QVERIFY(f.h.store().Key(f.secret));
        QVERIFY(!f.h.listNames().contains(QStringLiteral("张三")));
        // Shown again, the private member sits under the root and is listed.
        w.miDisplayPrivacy->trigger();
        QVERIFY(f.h.shownChildren(1).contains(f.secret));
        f.h.clickNode(1);
        QVERIFY(f.h.listNames().contains(QStringLiteral("赵六")));
        // And it can be filed into a group again.
        f.h.drop(f.secret, 3, false);
        QCOMPARE(f.h.store().Key(f.secret)->parentId, 3);
    }

    void deleteKeyAsksItsOwnQuestion()
    {
        Fixture f;
        f.h.clickNode(3);
        f.h.dialogs.answerConfirm(true);
        QTest::keyClick(&f.h.tree(), Qt::Key_Delete);
        QCOMPARE(f.h.dialogs.texts("confirm"), QStringList{QStringLiteral("Do you want to delete the item \"朋友\"")});
        QVERIFY(!f.h.store().Key(3));
        QVERIFY(!f.h.store().Key(f.wang));
    }

    void dragRules()
    {
        Fixture f;
        // A member onto the root is refused.
        f.h.drop(f.zhang, 1, false);
        QCOMPARE(f.h.dialogs.texts("notice"), QStringList{QStringLiteral("请选择一个组。")});
        QCOMPARE(f.h.dialogs.calls.first().caption, QStringLiteral("确定"));
        QCOMPARE(f.h.store().Key(f.zhang)->parentId, 2);
        // A member onto a group: into the group.
        f.h.drop(f.zhang, 4, false);
        QCOMPARE(f.h.store().Key(f.zhang)->parentId, 4);
        QVERIFY(f.h.shownChildren(4).contains(f.zhang));
        // A group onto a member: into the member's group.
        f.h.drop(5, f.wang, false);
        QCOMPARE(f.h.store().Key(5)->parentId, 3);
        QVERIFY(f.h.shownChildren(3).contains(5));
        // A group onto the root: to the top level.
        f.h.drop(5, 1, false);
        QCOMPARE(f.h.store().Key(5)->parentId, 1);
        // Never onto itself or below itself.
        f.h.drop(3, 3, false);
        QCOMPARE(f.h.store().Key(3)->parentId, 1);
        f.h.drop(5, 3, false);
        f.h.drop(3, 5, false);
        QCOMPARE(f.h.store().Key(3)->parentId, 1);
        QCOMPARE(f.h.store().Key(5)->parentId, 3);
        QCOMPARE(f.h.dialogs.texts("notice").size(), 1);
    }

    // Dropped onto itself or onto a node beneath it, a node neither moves
    // nor is copied, with or without Ctrl.
    void dropOntoItselfOrBelowChangesNothing_data()
    {
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("copy");
        for (bool copy : {false, true}) {
            const char *how = copy ? "copy" : "move";
            QTest::addRow("member onto itself, %s", how) << "张三" << "张三" << copy;
            QTest::addRow("group onto itself, %s", how) << "朋友" << "朋友" << copy;
            QTest::addRow("group onto its member, %s", how) << "朋友" << "王五" << copy;
            QTest::addRow("group onto its subgroup, %s", how) << "朋友" << "子组" << copy;
            QTest::addRow("group onto a member of its subgroup, %s", how) << "朋友" << "钱七" << copy;
            QTest::addRow("subgroup onto itself, %s", how) << "子组" << "子组" << copy;
            QTest::addRow("member of a subgroup onto itself, %s", how) << "钱七" << "钱七" << copy;
        }
    }

    void dropOntoItselfOrBelowChangesNothing()
    {
        QFETCH(QString, dragged);
        QFETCH(QString, target);
        QFETCH(bool, copy);
        Fixture f;
        const int sub = f.h.model().addGroup(3, QStringLiteral("子组"));
        const int qian = f.h.addMember(sub, QStringLiteral("钱七"));
        f.h.window->miFullExpand->trigger();
        const QHash<QString, int> ids{{QStringLiteral("张三"), f.zhang}, {QStringLiteral("朋友"), 3},
                                      {QStringLiteral("王五"), f.wang}, {QStringLiteral("子组"), sub},
                                      {QStringLiteral("钱七"), qian}};
        QVERIFY(ids.contains(dragged) && ids.contains(target));
        const auto before = f.h.store().IdsById();
        QHash<int, int> parents;
        for (int id : before)
            parents.insert(id, f.h.store().Key(id)->parentId);
        f.h.dialogs.clear();
        f.h.drop(ids.value(dragged), ids.value(target), copy);
        QCOMPARE(f.h.store().IdsById(), before);
        for (int id : before)
            QCOMPARE(f.h.store().Key(id)->parentId, parents.value(id));
        QVERIFY(f.h.dialogs.calls.isEmpty());
    }

    void ctrlDropCopiesTheSubtree()
    {
        Fixture f;
        const auto before = f.h.store().IdsById();
        f.h.drop(3, 4, true);   // 朋友 with 王五 into 同学
        const auto after = f.h.store().IdsById();
        QCOMPARE(after.size(), before.size() + 2);
        QCOMPARE(f.h.store().Key(3)->parentId, 1);
        QCOMPARE(f.h.store().Key(f.wang)->parentId, 3);
        const QList<int> under4 = f.h.shownChildren(4);
        QCOMPARE(under4.size(), 1);
        const int copy = under4.first();
        QVERIFY(copy > before.back());
        QCOMPARE(f.h.store().Key(copy)->name, QStringLiteral("朋友"));
        const QList<int> copied = f.h.shownChildren(copy);
        QCOMPARE(copied.size(), 1);
        QVERIFY(copied.first() != f.wang);
        QCOMPARE(f.h.store().ReadRecord(copied.first()).Name, QStringLiteral("王五"));
        QCOMPARE(f.h.store().ReadRecord(copied.first()).Birthday, 30000.5);
    }

    void orphansAreShownUnderTheRoot()
    {
        Fixture f;
        // A file in which a member's group is gone (and one with a loop).
        f.h.window->miDisplayPrivacy->trigger();
        UsersCursor &grid = f.h.store().tblGrid;
        f.h.clickNode(2);
        grid.Locate(UsersField::ID, f.li);
        grid.Edit();
        grid.SetFieldValue(UsersField::ParentID, 999);
        f.h.window->SaveRecord();
        QVERIFY(f.h.shownChildren(1).contains(f.li));
        QCOMPARE(f.h.model().shownParentId(f.li), 1);
    }

    void saveQuestionAnswers()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        UsersCursor &grid = f.h.store().tblGrid;
        auto startEdit = [&] {
            f.h.clickNode(f.zhang);
            grid.Edit();
            grid.SetFieldValue(UsersField::Name, QStringLiteral("张三丰"));
        };
        // Cancel: the selection stays and the edit goes on.
        startEdit();
        f.h.dialogs.answer(Dialogs::Answer::Cancel);
        f.h.clickNode(3);
        QCOMPARE(f.h.dialogs.texts("question"), QStringList{QStringLiteral("保存您增加或修改的内容吗？")});
        QCOMPARE(f.h.dialogs.calls.last().caption, QStringLiteral("确定"));
        QCOMPARE(f.h.currentTreeId(), f.zhang);
        QVERIFY(grid.Editing());
        // No: the change is dropped and the selection moves.
        f.h.dialogs.answer(Dialogs::Answer::No);
        f.h.clickNode(3);
        QVERIFY(!grid.Editing());
        QCOMPARE(f.h.currentTreeId(), 3);
        QCOMPARE(f.h.store().ReadRecord(f.zhang).Name, QStringLiteral("张三"));
        // Yes: the change is stored and the tree shows it.
        startEdit();
        f.h.dialogs.answer(Dialogs::Answer::Yes);
        f.h.clickNode(3);
        QVERIFY(!grid.Editing());
        QCOMPARE(f.h.currentTreeId(), 3);
        QCOMPARE(f.h.store().ReadRecord(f.zhang).Name, QStringLiteral("张三丰"));
        QCOMPARE(f.h.model().indexOfId(f.zhang).data().toString(), QStringLiteral("张三丰"));
        QCOMPARE(f.h.dialogs.unanswered, 0);
        Q_UNUSED(w);
    }

    // A right click on another node while a member is edited asks the save
    // question once. Cancel keeps the selection and shows no pop-up menu; No
    // moves the selection and opens the menu on the node.
    void rightClickAsksTheSaveQuestionOnce()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        UsersCursor &grid = f.h.store().tblGrid;
        auto rightClick = [&](int id) {
            const QModelIndex i = f.h.showNode(id);
            const QPoint at = f.h.tree().visualRect(i).center();
            QWidget *viewport = f.h.tree().viewport();
            // The window system's order: the press, the menu event, the release.
            QTest::mousePress(viewport, Qt::RightButton, {}, at);
            QContextMenuEvent menu(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
            QApplication::sendEvent(viewport, &menu);
            QTest::mouseRelease(viewport, Qt::RightButton, {}, at);
        };
        f.h.clickNode(f.zhang);
        grid.Edit();
        grid.SetFieldValue(UsersField::Name, QStringLiteral("张三丰"));
        f.h.dialogs.clear();

        f.h.dialogs.answer(Dialogs::Answer::Cancel);
        rightClick(3);
        QCOMPARE(f.h.dialogs.texts("question"), QStringList{QStringLiteral("保存您增加或修改的内容吗？")});
        QCOMPARE(f.h.dialogs.unanswered, 0);
        QCOMPARE(f.h.currentTreeId(), f.zhang);
        QVERIFY(grid.Editing());
        QVERIFY(!w.pmTree->isVisible());

        f.h.dialogs.clear();
        f.h.dialogs.answer(Dialogs::Answer::No);
        rightClick(3);
        QCOMPARE(f.h.dialogs.texts("question"), QStringList{QStringLiteral("保存您增加或修改的内容吗？")});
        QCOMPARE(f.h.dialogs.unanswered, 0);
        QCOMPARE(f.h.currentTreeId(), 3);
        QVERIFY(!grid.Editing());
        QCOMPARE(f.h.store().ReadRecord(f.zhang).Name, QStringLiteral("张三"));
        QVERIFY(w.pmTree->isVisible());
        w.pmTree->hide();

        // Not editing: a right click selects the node and opens the menu at once.
        f.h.dialogs.clear();
        rightClick(f.wang);
        QVERIFY(f.h.dialogs.calls.isEmpty());
        QCOMPARE(f.h.currentTreeId(), f.wang);
        QVERIFY(w.pmTree->isVisible());
        w.pmTree->hide();
    }

    void pageChangeRefusedOnAnEmptyList()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        f.h.clickNode(6);   // 客户, no members
        f.h.clickPage(1);
        QCOMPARE(w.PageControl1->currentWidget(), w.tsList);
        QCOMPARE(f.h.dialogs.texts("message"), QStringList{QStringLiteral("当前分类下没有数据！请先输入生日数据。")});
        // Still refused when the save question is answered Yes.
        w.actNewMember->trigger();
        f.h.store().tblGrid.SetFieldValue(UsersField::Name, QStringLiteral("新客"));
        f.h.dialogs.clear();
        f.h.window->PageControl1->setCurrentWidget(w.tsList);
        QCOMPARE(w.PageControl1->currentWidget(), w.tsInfo);  // refused again: the list is empty
        f.h.dialogs.clear();
        f.h.dialogs.answer(Dialogs::Answer::Yes);
        f.h.clickPage(0);
        QCOMPARE(f.h.dialogs.texts("message").size(), 1);
        QCOMPARE(f.h.dialogs.texts("question").size(), 1);
        QCOMPARE(w.PageControl1->currentWidget(), w.tsInfo);
        QVERIFY(!f.h.store().tblGrid.Editing());
        // With members listed the pages change.
        f.h.clickNode(2);
        f.h.clickPage(2);
        QCOMPARE(w.PageControl1->currentWidget(), w.tsMing);
        // A click on a group goes back to the list page.
        f.h.clickNode(3);
        QCOMPARE(w.PageControl1->currentWidget(), w.tsList);
    }

    void doubleClickOnAMemberOpensTheDetails()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        const QModelIndex i = f.h.showNode(f.zhang);
        QTest::mouseDClick(f.h.tree().viewport(), Qt::LeftButton, {}, f.h.tree().visualRect(i).center());
        QCOMPARE(w.PageControl1->currentWidget(), w.tsInfo);
    }

    // With KELO_SCREENSHOT set, the window with a few members is saved there
    // as a picture (for the README); otherwise this does nothing.
    void screenshot()
    {
        const QString target = qEnvironmentVariable("KELO_SCREENSHOT");
        if (target.isEmpty())
            QSKIP("KELO_SCREENSHOT not set");
        Fixture f;
        f.h.addMember(2, QStringLiteral("欧阳明"));
        f.h.addMember(3, QStringLiteral("陈静"));
        f.h.window->ApplyGridFilter();
        f.h.clickNode(2);
        QVERIFY(f.h.window->grab().save(target));
    }

    void fullCollapseGoesToTheRoot()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        w.miFullExpand->trigger();
        QVERIFY(f.h.tree().isExpanded(f.h.model().indexOfId(2)));
        f.h.clickNode(f.wang);
        w.miFullCollapse->trigger();
        QCOMPARE(f.h.currentTreeId(), 1);
        QVERIFY(!f.h.tree().isExpanded(f.h.model().indexOfId(1)));
    }
};

QTEST_MAIN(TestTree)
#include "tst_tree.moc"
