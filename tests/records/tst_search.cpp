// The search box's walk over the member list (SearchMembers) on a real kvr
// file: initials position by position, the prefix rule, the list's rows and
// order, private members, the cursor left in place when nothing matches, and
// one notice to the views per keystroke.

#include "MemberSearch.h"
#include "RecordStore.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

int addMember(RecordStore &store, int parent, const QString &name, bool privacy = false)
{
    UsersCursor &grid = store.tblGrid;
    grid.Append();
    grid.SetFieldValue(UsersField::ParentID, parent);
    grid.SetFieldValue(UsersField::Type, int(TypeMember));
    grid.SetFieldValue(UsersField::Name, name);
    grid.SetFieldValue(UsersField::Privacy, privacy);
    store.SaveRecord();
    return grid.CurrentID();
}

QString currentName(const RecordStore &store)
{
    return store.tblGrid.Current().Name;
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    RecordStore store;

    // The list of the root: every member but the private one, by name in GBK
    // order: Tom, 阿明, 李四, 王五, 张三, 张三丰, 张伟, 重庆 (赵六 is private).
    void showRoot(bool privacy)
    {
        store.SetDisplayPrivacy(privacy);
        store.ApplyTreeFilter();
        QVERIFY(store.tblTree.Locate(UsersField::ID, 1));
        store.ApplyGridFilter();
    }

    void goTo(const QString &name)
    {
        QVERIFY(store.tblGrid.Locate(UsersField::Name, name));
    }

private slots:
    void initTestCase()
    {
        const QString file = dir.filePath(QStringLiteral("search.kvr"));
        QVERIFY(RecordStore::NewDatabase(file));
        QVERIFY(store.OpenDatabase(file, QString()));
        store.SetDisplayPrivacy(true);
        store.ApplyGridFilter();
        for (const char *name : {"张三", "李四", "王五", "重庆", "Tom", "阿明", "张三丰"})
            addMember(store, 3, QString::fromUtf8(name));
        addMember(store, 1, QStringLiteral("赵六"), true);
        addMember(store, 4, QStringLiteral("张伟"));
    }

    void init() { showRoot(false); }

    void findsByInitialsAndPrefix_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found");   // the member the cursor rests on
        QTest::addColumn<bool>("matched");
        const QString tom = QStringLiteral("Tom"), li = QStringLiteral("李四");
        const QString zhangsan = QStringLiteral("张三");
        QTest::newRow("zs") << li << "zs" << zhangsan << true;
        QTest::newRow("ZS") << li << "ZS" << zhangsan << true;
        QTest::newRow("zS") << li << "zS" << zhangsan << true;
        QTest::newRow("z: first name with initial z") << li << "z" << zhangsan << true;
        QTest::newRow("zsf: three characters") << li << "zsf" << QStringLiteral("张三丰") << true;
        QTest::newRow("zq: 重 as zhong") << li << "zq" << QStringLiteral("重庆") << true;
        QTest::newRow("cq: 重 as chong") << li << "cq" << QStringLiteral("重庆") << true;
        QTest::newRow("zw: 张伟 of another group") << li << "zw" << QStringLiteral("张伟") << true;
        QTest::newRow("zsa: longer than 张三") << li << "zsa" << li << false;
        QTest::newRow("to: prefix, case ignored") << li << "to" << tom << true;
        QTest::newRow("TOM") << li << "TOM" << tom << true;
        QTest::newRow("tm: Latin letters are no initials") << li << "tm" << li << false;
        QTest::newRow("张: prefix") << li << QStringLiteral("张") << zhangsan << true;
        // A typed Chinese character is compared with the initials, not with
        // the character, so it matches only by the prefix rule.
        QTest::newRow("张s: neither rule") << li << QStringLiteral("张s") << li << false;
        QTest::newRow("no match leaves the row") << QStringLiteral("王五") << "xyz" << QStringLiteral("王五") << false;
        QTest::newRow("empty text: first row") << QStringLiteral("重庆") << "" << tom << true;
        QTest::newRow("a: 阿明 after Tom") << tom << "a" << QStringLiteral("阿明") << true;
        QTest::newRow("private 赵六 hidden") << li << QStringLiteral("zl") << li << false;
    }

    void findsByInitialsAndPrefix()
    {
        QFETCH(QString, start);
        QFETCH(QString, typed);
        QFETCH(QString, found);
        QFETCH(bool, matched);
        goTo(start);
        QCOMPARE(SearchMembers(store.tblGrid, typed), matched);
        QCOMPARE(currentName(store), found);
        QVERIFY(!store.tblGrid.ControlsDisabled());
    }

    void privateMemberFoundWhileShown()
    {
        showRoot(true);
        goTo(QStringLiteral("李四"));
        QVERIFY(SearchMembers(store.tblGrid, QStringLiteral("zl")));
        QCOMPARE(currentName(store), QStringLiteral("赵六"));
    }

    void searchCoversOnlyTheGroupShown()
    {
        // The group 同学 (ID 4) lists only 张伟.
        QVERIFY(store.tblTree.Locate(UsersField::ID, 4));
        store.ApplyGridFilter();
        QCOMPARE(store.tblGrid.RecordCount(), 1);
        QVERIFY(!SearchMembers(store.tblGrid, QStringLiteral("zs")));
        QCOMPARE(currentName(store), QStringLiteral("张伟"));
        QVERIFY(SearchMembers(store.tblGrid, QStringLiteral("zw")));
    }

    void viewsAreToldOnceWhereTheCursorRests()
    {
        goTo(QStringLiteral("李四"));
        QSignalSpy scrolled(&store.tblGrid, &UsersCursor::afterScroll);
        // The walk passes over several records; the views hear of it once.
        QVERIFY(SearchMembers(store.tblGrid, QStringLiteral("cq")));
        QCOMPARE(scrolled.count(), 1);
        // Also when nothing matched and the cursor came back: the details
        // page then shows that member again.
        scrolled.clear();
        QVERIFY(!SearchMembers(store.tblGrid, QStringLiteral("qqq")));
        QCOMPARE(scrolled.count(), 1);
        QCOMPARE(currentName(store), QStringLiteral("重庆"));
    }

    void pendingEditIsLeftFirst()
    {
        // A changed record is stored before the walk...
        goTo(QStringLiteral("王五"));
        const int id = store.tblGrid.CurrentID();
        store.tblGrid.Edit();
        store.tblGrid.SetFieldValue(UsersField::Tel, QStringLiteral("123"));
        QVERIFY(!SearchMembers(store.tblGrid, QStringLiteral("nothing")));
        QVERIFY(!store.tblGrid.Editing());
        QCOMPARE(store.tblGrid.CurrentID(), id);
        QCOMPARE(store.ReadRecord(id).Tel, QStringLiteral("123"));

        // ...and a new member just typed in is where a fruitless search
        // returns to.
        store.tblGrid.Append();
        store.tblGrid.SetFieldValue(UsersField::ParentID, 1);
        store.tblGrid.SetFieldValue(UsersField::Name, QStringLiteral("孙七"));
        QVERIFY(!SearchMembers(store.tblGrid, QStringLiteral("nothing")));
        QCOMPARE(currentName(store), QStringLiteral("孙七"));
        QVERIFY(store.tblGrid.CurrentID() > 0);
    }

    void closedCursorIsLeftAlone()
    {
        RecordStore none;
        QVERIFY(!SearchMembers(none.tblGrid, QStringLiteral("zs")));
        QCOMPARE(FindMemberRow(none.tblGrid, QStringLiteral("zs")), -1);
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
