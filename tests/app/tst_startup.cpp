// Start-up, settings, closing and the file commands of the main window.

#include "AppHarness.h"
#include "FileAssociation.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QTemporaryFile>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UseTestLocations(); }
    void init() { ClearSettings(); }

    void firstRunMakesTheSampleWithDefaults()
    {
        Harness h;
        TfrmMain &w = h.start();
        const QString sample = h.path("Sample.kvr");
        QVERIFY(!w.startFailed());
        QVERIFY(QFile::exists(sample));
        QCOMPARE(h.store().FileName(), sample);
        QCOMPARE(int(h.store().IdsById().size()), 8);
        // The root is selected and opened with the seven groups under it.
        QCOMPARE(h.currentTreeId(), 1);
        QVERIFY(h.tree().isExpanded(h.model().indexOfId(1)));
        QCOMPARE(h.shownChildren(1).size(), 7);
        QCOMPARE(h.model().indexOfId(1).data().toString(), QStringLiteral("显示全部"));
        QVERIFY(w.DBTreeView1->isVisible());
        QVERIFY(w.tbMain->isVisible());
        QCOMPARE(w.treeWidth(), 185);
        QVERIFY(!w.miDisplayPrivacy->isChecked());
        QVERIFY(w.ShowSearch);
        QVERIFY(w.tsMing->ShowTutorial);
        QCOMPARE(w.PageControl1->currentWidget(), w.tsList);
        QCOMPARE(w.windowTitle(), QStringLiteral("Kelo 5.3"));
        QCOMPARE(w.size(), QSize(1200, 800));
        QCOMPARE(w.StatusPanel->text(), sample);
        QVERIFY(h.dialogs.calls.isEmpty());
        h.close();
        QSettings s = KeloSettings();
        QCOMPARE(s.value("DBFileName").toString(), sample);
        QCOMPARE(s.value("TreeWidth").toInt(), 185);
        QCOMPARE(s.value("DisplayTree").toInt(), 1);
        QCOMPARE(s.value("DisplayPrivacy").toInt(), 0);
    }

    void settingsNamingADeletedFileOpenTheSample()
    {
        Harness h;
        {
            QSettings s = KeloSettings();
            s.setValue("DisplayPrivacy", 0);
            s.setValue("DBFileName", h.path("gone.kvr"));
        }
        h.start();
        QCOMPARE(h.store().FileName(), h.path("Sample.kvr"));
        h.close();
        QCOMPARE(KeloSettings().value("DBFileName").toString(), h.path("Sample.kvr"));
    }

    void fileArgumentIsOpenedAndRemembered()
    {
        Harness h;
        const QString file = h.path("mine.kvr");
        QVERIFY(RecordStore::NewDatabase(file));
        TfrmMain &w = h.start({file});
        QCOMPARE(h.store().FileName(), file);
        QCOMPARE(w.StartDBFile(), file);
        QVERIFY(!QFile::exists(h.path("Sample.kvr")));
        h.close();
        QCOMPARE(KeloSettings().value("DBFileName").toString(), file);
    }

    void damagedFileEndsTheStart()
    {
        Harness h;
        const QString file = h.path("bad.kvr");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'x'));
        f.close();
        TfrmMain &w = h.start({file});
        QVERIFY(w.startFailed());
        QCOMPARE(h.dialogs.texts("message"), QStringList{QStringLiteral("数据库打开失败。")});
        // The damaged file is left as it was.
        QCOMPARE(QFileInfo(file).size(), 5000);
    }

    // The read order: a missing or mistyped value ends the reading there.
    void settingsReadOrder_data()
    {
        QTest::addColumn<QString>("broken");       // value left out or mistyped
        QTest::addColumn<QVariant>("brokenValue"); // invalid: left out
        QTest::addColumn<bool>("privacyApplied");
        QTest::addColumn<bool>("fileApplied");
        QTest::addColumn<bool>("treeApplied");     // DisplayTree
        QTest::addColumn<bool>("restApplied");     // TreeWidth and after
        QTest::newRow("DisplayTree missing") << "DisplayTree" << QVariant() << true << true << false << false;
        QTest::newRow("DisplayTree text") << "DisplayTree" << QVariant("abc") << true << true << false << false;
        QTest::newRow("only DBFileName missing") << "DBFileName" << QVariant() << true << false << true << true;
        QTest::newRow("DisplayPrivacy missing") << "DisplayPrivacy" << QVariant() << false << false << false
                                                << false;
        QTest::newRow("TreeWidth text") << "TreeWidth" << QVariant("wide") << true << true << true << false;
    }
    void settingsReadOrder()
    {
        QFETCH(QString, broken);
        QFETCH(QVariant, brokenValue);
        QFETCH(bool, privacyApplied);
        QFETCH(bool, fileApplied);
        QFETCH(bool, treeApplied);
        QFETCH(bool, restApplied);
        Harness h;
        const QString file = h.path("other.kvr");
        QVERIFY(RecordStore::NewDatabase(file));
        {
            QSettings s = KeloSettings();
            s.setValue("DisplayPrivacy", 1);
            s.setValue("DBFileName", file);
            s.setValue("DisplayTree", 0);
            s.setValue("TreeWidth", 250);
            s.setValue("DisplayTools", 0);
            s.setValue("ShowSearch", 0);
            s.setValue("ShowTutorial", 0);
            if (brokenValue.isValid())
                s.setValue(broken, brokenValue);
            else
                s.remove(broken);
        }
        TfrmMain &w = h.start();
        QCOMPARE(w.miDisplayPrivacy->isChecked(), privacyApplied);
        QCOMPARE(h.store().DisplayPrivacy(), privacyApplied);
        QCOMPARE(h.store().FileName(), fileApplied ? file : h.path("Sample.kvr"));
        QCOMPARE(w.DBTreeView1->isVisible(), !treeApplied);
        QCOMPARE(w.treeWidth(), restApplied ? 250 : 185);
        QCOMPARE(w.tbMain->isVisible(), !restApplied);
        QCOMPARE(w.ShowSearch, !restApplied);
        QCOMPARE(w.tsMing->ShowTutorial, !restApplied);
    }

    void hiddenTreeStaysHiddenWithItsWidth()
    {
        {
            Harness h;
            TfrmMain &w = h.start();
            w.Splitter1->setSizes({230, 900});
            w.actViewTree->trigger();
            QVERIFY(!w.DBTreeView1->isVisible());
            QVERIFY(!w.actViewTree->isChecked());
            w.actViewTools->trigger();
            QVERIFY(!w.tbMain->isVisible());
            QVERIFY(w.menuBar()->isVisible());
        }
        Harness h;
        TfrmMain &w = h.start();
        QVERIFY(!w.DBTreeView1->isVisible());
        QVERIFY(!w.tbMain->isVisible());
        w.actViewTree->trigger();
        QVERIFY(w.DBTreeView1->isVisible());
        QCOMPARE(w.treeWidth(), 230);
    }

    void wrongPasswordThreeTimes()
    {
        Harness h;
        const QString file = h.path("locked.kvr");
        QVERIFY(RecordStore::NewDatabase(file));
        {
            RecordStore store;
            QVERIFY(store.OpenDatabase(file, QString()));
            QVERIFY(store.ChangeEncryption(true, QStringLiteral("right")));
        }
        h.dialogs.answerText("a");
        h.dialogs.answerText("b");
        h.dialogs.answerText("c");
        TfrmMain &w = h.start({file});
        QVERIFY(w.startFailed());
        QStringList presets;
        for (const auto &c : h.dialogs.calls)
            if (c.kind == "input") {
                presets << c.preset;
                QCOMPARE(c.text, QStringLiteral("输入密码："));
                QCOMPARE(c.caption, QStringLiteral("Kelo 5.3"));
                QVERIFY(c.password);
            }
        QCOMPARE(presets, (QStringList{"", "a", "b"}));
        QCOMPARE(h.dialogs.texts("warning"), QStringList(3, QStringLiteral("密码错误，请重新输入。")));
        QCOMPARE(h.dialogs.texts("message"), QStringList{QStringLiteral("数据库打开失败。")});
        QCOMPARE(h.dialogs.unanswered, 0);
        // The settings were not touched by the failed start.
        h.close();
        QVERIFY(!KeloSettings().contains("DBFileName"));
    }

    void cancelledPasswordPromptFailsAtOnce()
    {
        Harness h;
        const QString file = h.path("locked.kvr");
        QVERIFY(RecordStore::NewDatabase(file));
        {
            RecordStore store;
            QVERIFY(store.OpenDatabase(file, QString()));
            QVERIFY(store.ChangeEncryption(true, QStringLiteral("right")));
        }
        h.dialogs.answerCancel();
        TfrmMain &w = h.start({file});
        QVERIFY(w.startFailed());
        QCOMPARE(h.dialogs.texts("input").size(), 1);
        QVERIFY(h.dialogs.texts("warning").isEmpty());

        Harness again;
        again.dialogs.answerText("wrong");
        again.dialogs.answerText("right");
        TfrmMain &w2 = again.start({file});
        QVERIFY(!w2.startFailed());
        QCOMPARE(again.store().FileName(), file);
        QCOMPARE(again.dialogs.texts("warning").size(), 1);
    }

    void openCommandOpensAndFallsBack()
    {
        Harness h;
        TfrmMain &w = h.start();
        const QString other = h.path("other.kvr");
        QVERIFY(RecordStore::NewDatabase(other));
        h.dialogs.answerText(other);
        w.FileOpenDB->trigger();
        QCOMPARE(h.store().FileName(), other);
        QCOMPARE(w.StatusPanel->text(), other);
        QCOMPARE(h.currentTreeId(), 1);

        // A file that cannot be opened: the start file is opened again.
        const QString junk = h.path("junk.kvr");
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a database");
        f.close();
        h.dialogs.answerText(junk);
        w.FileOpenDB->trigger();
        QCOMPARE(h.store().FileName(), h.path("Sample.kvr"));
        QCOMPARE(h.dialogs.texts("message"), QStringList{QStringLiteral("数据库打开失败。")});
        QCOMPARE(h.dialogs.calls.first().text, QStringLiteral("数据库(*.kvr)"));

        // The next start opens the file last used.
        h.dialogs.answerText(other);
        w.FileOpenDB->trigger();
        h.close();
        Harness next;
        next.start();
        QCOMPARE(next.store().FileName(), other);
    }

    void newCommandMakesAndOpensAFile()
    {
        Harness h;
        TfrmMain &w = h.start();
        h.addMember(2, QStringLiteral("张三"));
        const QString made = h.path("made.kvr");
        h.dialogs.answerText(made);
        w.FileNewDB->trigger();
        QCOMPARE(h.store().FileName(), made);
        QCOMPARE(int(h.store().IdsById().size()), 8);
        QCOMPARE(h.shownChildren(1).size(), 7);
        // Made again over itself: the eight records again, the member gone.
        h.addMember(3, QStringLiteral("李四"));
        h.dialogs.answerText(made);
        w.FileNewDB->trigger();
        QCOMPARE(int(h.store().IdsById().size()), 8);
    }

    void errorBoxText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("chinese") << QStringLiteral("姓名不可为空") << QStringLiteral("姓名不可为空.");
        QTest::newRow("full stop") << "Done." << "Done.";
        QTest::newRow("letter") << "Bad value" << "Bad value.";
        QTest::newRow("comma sorts before") << "a," << "a,";
        QTest::newRow("empty") << "" << "";
    }
    void errorBoxText()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ErrorBoxText(message), shown);
    }

    void errorsOfCommandsReachTheErrorBox()
    {
        Harness h;
        TfrmMain &w = h.start();
        QVERIFY(!w.guarded([] { throw KeloError(QStringLiteral("无效的日期")); }));
        QCOMPARE(h.dialogs.texts("error"), QStringList{QStringLiteral("无效的日期.")});
        QVERIFY(w.isVisible());
    }

    void desktopExecLineQuotesTheProgram_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/opt/kelo/kelo" << "\"/opt/kelo/kelo\" %f";
        QTest::newRow("blank") << "/home/a b/kelo" << "\"/home/a b/kelo\" %f";
        QTest::newRow("dollar") << "/x$y/kelo" << "\"/x\\\\$y/kelo\" %f";
        QTest::newRow("percent") << "/100%/kelo" << "\"/100%%/kelo\" %f";
    }
    void desktopExecLineQuotesTheProgram()
    {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        QCOMPARE(DesktopExecLine(program), exec);
    }

    void fileTypeIsRegisteredForTheUser()
    {
        RegisterFileType(QStringLiteral("/opt/kelo/kelo"));
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QFile entry(data + "/applications/kelo.desktop");
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray text = entry.readAll();
        QVERIFY(text.contains("Exec=\"/opt/kelo/kelo\" %f\n"));
        QVERIFY(text.contains("MimeType=application/x-kelo-records;"));
        QFile mime(data + "/mime/packages/kelo-records.xml");
        QVERIFY(mime.open(QIODevice::ReadOnly));
        QVERIFY(mime.readAll().contains("<glob pattern=\"*.kvr\"/>"));
        QVERIFY(QFile::exists(data + "/icons/hicolor/scalable/mimetypes/application-x-kelo-records.svg"));
    }

    void sampleGoesToTheDataFolderWhenTheProgramFolderIsReadOnly()
    {
        // No one, not even the administrator, can make files in /proc.
        const QString sample = TfrmMain::SamplePath(QStringLiteral("/proc"));
        QCOMPARE(QFileInfo(sample).absolutePath(),
                 QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        QCOMPARE(QFileInfo(sample).fileName(), QStringLiteral("Sample.kvr"));
        // A writable program folder keeps the sample beside the program.
        QTemporaryDir dir;
        QCOMPARE(TfrmMain::SamplePath(dir.path()), dir.filePath("Sample.kvr"));
    }

    void installedProgramKeepsTheSampleInTheDataFolderAndFindsItsExplanations()
    {
        // prefix/bin/kelo with prefix/share/qarn/kelo/00.dll, as installed.
        QTemporaryDir prefix;
        const QString bin = prefix.filePath("bin");
        const QString data = TfrmMain::InstalledDataDir(bin);
        QCOMPARE(data, prefix.filePath("share/qarn/kelo"));
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(data));
        QVERIFY(QFile::copy(BuiltStarDatabase(), data + "/00.dll"));
        const QString sample = TfrmMain::SamplePath(bin);
        QCOMPARE(QFileInfo(sample).absolutePath(),
                 QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));

        ScriptedDialogs dialogs;
        TfrmMain::StartUp s;
        s.programDir = bin;
        s.programPath = bin + "/kelo";
        s.registerFileType = false;
        QFile::remove(sample);
        {
            TfrmMain w(dialogs, s);
            w.show();
            QVERIFY(!w.startFailed());
            QCOMPARE(w.store().FileName(), sample);
            QVERIFY(w.explanationWindow());
            QCOMPARE(w.explanationWindow()->tblStar.FileName(), data + "/00.dll");
            w.close();
        }
        QVERIFY(dialogs.calls.isEmpty());
        QVERIFY(!QFile::exists(bin + "/Sample.kvr"));
        QFile::remove(sample);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
