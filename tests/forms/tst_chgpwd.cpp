// The password command and its dialog on real kvr files: switching the
// protection on and off, changing the password, two different entries, an
// empty password, what the next opening asks, and no database open. Also the
// search box's hint dialog.

#include "ChgPwdFrm.h"
#include "DialogsScripted.h"
#include "RecordStore.h"
#include "ShowSearchFrm.h"
#include "WhenShown.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {


struct Opening {
    bool opened = false;
    int asked = 0;
};

// Opens a file with a prompt that answers with the given entries in turn.
Opening openWith(const QString &file, const QStringList &entries)
{
    RecordStore store;
    Opening result;
    RecordStore::PasswordPrompt prompt;
    prompt.ask = [&](QString &password) {
        if (result.asked >= entries.size())
            return false;
        password = entries[result.asked++];
        return true;
    };
    prompt.wrong = [] {};
    result.opened = store.OpenDatabase(file, prompt);
    return result;
}

QColor baseOf(const QLineEdit *edit) { return edit->palette().color(QPalette::Base); }

} // namespace

class TestChgPwd : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString file;
    ScriptedDialogs dialogs;

    // The dialog's state as the user finds it, then the user's entries.
    struct Entry {
        bool tick;
        QString first, second;
    };
    struct Seen {
        bool shown = false;
        bool ticked = false, enabled = false, empty = false;
        QColor colour;
    };

    Seen runCommand(RecordStore &store, const Entry &entry, bool cancel = false)
    {
        Seen seen;
        whenShown<TChgPwdForm>([&](TChgPwdForm *form) {
            seen.shown = true;
            seen.ticked = form->CheckPwdCheckBox->isChecked();
            seen.enabled = form->PasswordEdit->isEnabled() && form->Password2Edit->isEnabled();
            seen.empty = form->PasswordEdit->text().isEmpty() && form->Password2Edit->text().isEmpty();
            seen.colour = baseOf(form->PasswordEdit);
            if (cancel) {
                form->CancelButton->click();
                return;
            }
            if (form->CheckPwdCheckBox->isChecked() != entry.tick)
                form->CheckPwdCheckBox->click();
            form->PasswordEdit->setText(entry.first);
            form->Password2Edit->setText(entry.second);
            form->OkButton->click();
        });
        actEncryptExecute(store, dialogs);
        return seen;
    }

private slots:
    void init()
    {
        dialogs.clear();
        file = dir.filePath(QStringLiteral("pwd.kvr"));
        QVERIFY(RecordStore::NewDatabase(file));
    }

    void dialogLooks()
    {
        TChgPwdForm form(dialogs);
        QCOMPARE(form.windowTitle(), QStringLiteral("设置密码"));
        QCOMPARE(form.CheckPwdCheckBox->text(), QStringLiteral("启用加密"));
        QCOMPARE(form.PasswordLabel->text(), QStringLiteral("输入密码："));
        QCOMPARE(form.Password2Label->text(), QStringLiteral("再次确认："));
        QCOMPARE(form.OkButton->text(), QStringLiteral("确定"));
        QVERIFY(form.OkButton->isDefault());
        QCOMPARE(form.CancelButton->text(), QStringLiteral("取消"));
        for (QLineEdit *edit : {form.PasswordEdit, form.Password2Edit})
            QCOMPARE(edit->echoMode(), QLineEdit::Password);
        QCOMPARE(form.minimumSize(), form.maximumSize());

        // Ticking enables the fields in the window colour; unticking greys and
        // empties them.
        form.setData({false, QString()});
        QVERIFY(!form.PasswordEdit->isEnabled());
        QCOMPARE(baseOf(form.PasswordEdit), QColor(220, 220, 220));
        QCOMPARE(baseOf(form.Password2Edit), QColor(220, 220, 220));
        form.CheckPwdCheckBox->click();
        QVERIFY(form.PasswordEdit->isEnabled() && form.Password2Edit->isEnabled());
        QCOMPARE(baseOf(form.PasswordEdit), form.palette().color(QPalette::Active, QPalette::Base));
        form.PasswordEdit->setText(QStringLiteral("a"));
        form.Password2Edit->setText(QStringLiteral("b"));
        form.CheckPwdCheckBox->click();
        QVERIFY(form.PasswordEdit->text().isEmpty() && form.Password2Edit->text().isEmpty());
        QCOMPARE(form.data().Encrypt, false);
        QCOMPARE(form.data().Password, QString());
    }

    void differentEntriesKeepTheDialogOpen()
    {
        TChgPwdForm form(dialogs);
        form.setData({true, QString()});
        form.show();
        QApplication::setActiveWindow(&form);
        form.PasswordEdit->setText(QStringLiteral("abc"));
        form.Password2Edit->setText(QStringLiteral("abd"));
        form.Password2Edit->setFocus();
        form.OkButton->click();
        QCOMPARE(dialogs.texts("warning"), QStringList{"两个密码必须相同。"});
        QVERIFY(form.isVisible());
        QCOMPARE(form.result(), 0);
        QCOMPARE(QApplication::focusWidget(), form.PasswordEdit);
        // Compared exactly: letter case counts.
        form.Password2Edit->setText(QStringLiteral("ABC"));
        form.OkButton->click();
        QVERIFY(form.isVisible());
        form.Password2Edit->setText(QStringLiteral("abc"));
        form.OkButton->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.data().Encrypt, true);
        QCOMPARE(form.data().Password, QStringLiteral("abc"));
    }

    void protectionOnChangedAndOff()
    {
        {
            RecordStore store;
            QVERIFY(store.OpenDatabase(file, QString()));
            // On: the plain file's dialog is unticked, grey and empty.
            const Seen on = runCommand(store, {true, "geheim", "geheim"});
            QVERIFY(on.shown && !on.ticked && !on.enabled && on.empty);
            QCOMPARE(on.colour, QColor(220, 220, 220));
            QCOMPARE(dialogs.texts("warning"), QStringList{"密码设置成功。"});
            QVERIFY(store.IsEnciphered());
            QVERIFY(RecordStore::IsFileEnciphered(file));
            QVERIFY(store.tblTree.Active());
        }
        Opening o = openWith(file, {"geheim"});
        QVERIFY(o.opened);
        QCOMPARE(o.asked, 1);
        QVERIFY(!openWith(file, {"x", "y", "z"}).opened);

        {
            RecordStore store;
            QVERIFY(store.OpenDatabase(file, QStringLiteral("geheim")));
            // Change: the protected file's dialog is ticked, enabled, empty.
            dialogs.clear();
            const Seen change = runCommand(store, {true, "neu", "neu"});
            QVERIFY(change.ticked && change.enabled && change.empty);
            QCOMPARE(dialogs.texts("warning"), QStringList{"密码设置成功。"});
        }
        QVERIFY(!openWith(file, {"geheim", "geheim", "geheim"}).opened);
        o = openWith(file, {"neu"});
        QVERIFY(o.opened);

        {
            RecordStore store;
            QVERIFY(store.OpenDatabase(file, QStringLiteral("neu")));
            dialogs.clear();
            runCommand(store, {false, {}, {}});
            QCOMPARE(dialogs.texts("warning"), QStringList{"密码设置成功。"});
            QVERIFY(!store.IsEnciphered());
        }
        // Off: the next opening asks nothing.
        QVERIFY(!RecordStore::IsFileEnciphered(file));
        o = openWith(file, {});
        QVERIFY(o.opened);
        QCOMPARE(o.asked, 0);
    }

    void emptyPasswordStillProtects()
    {
        {
            RecordStore store;
            QVERIFY(store.OpenDatabase(file, QString()));
            runCommand(store, {true, {}, {}});
            QCOMPARE(dialogs.texts("warning"), QStringList{"密码设置成功。"});
        }
        QVERIFY(RecordStore::IsFileEnciphered(file));
        const Opening o = openWith(file, {QString()});
        QVERIFY(o.opened);
        QCOMPARE(o.asked, 1);
    }

    void cancelChangesNothing()
    {
        RecordStore store;
        QVERIFY(store.OpenDatabase(file, QString()));
        const Seen seen = runCommand(store, {}, true);
        QVERIFY(seen.shown);
        QVERIFY(dialogs.calls.isEmpty());
        QVERIFY(!RecordStore::IsFileEnciphered(file));
    }

    void noDatabaseOpen()
    {
        RecordStore store;
        bool asked = false;
        QVERIFY(!actEncryptExecute(store, dialogs, [&](TChgPwdFormData &) { return asked = true; }));
        QVERIFY(!asked);
        QCOMPARE(dialogs.texts("error"),
                 QStringList{ErrorBoxText(QStringLiteral("Cannot perform this operation on a closed database"))});
        QVERIFY(dialogs.texts("warning").isEmpty());
    }

    void failedRewriteKeepsTheFile()
    {
        RecordStore store;
        QVERIFY(store.OpenDatabase(file, QString()));
        // The new file cannot be made where the rewrite puts it.
        QVERIFY(QDir().mkpath(file + QStringLiteral(".rekey")));
        QFile::setPermissions(file + QStringLiteral(".rekey"), QFileDevice::ReadOwner);
        const bool changed = actEncryptExecute(store, dialogs, [](TChgPwdFormData &data) {
            data = {true, QStringLiteral("abc")};
            return true;
        });
        QDir(file + QStringLiteral(".rekey")).removeRecursively();
        if (changed)
            QSKIP("the store could replace a folder in its way");
        QCOMPARE(dialogs.texts("warning"), QStringList{"密码设置失败。"});
        QVERIFY(!RecordStore::IsFileEnciphered(file));
        QVERIFY(store.tblTree.Active());
        const Opening o = openWith(file, {});
        QVERIFY(o.opened);
        QCOMPARE(o.asked, 0);
    }

    void searchHint()
    {
        bool showSearch = true;
        QString caption, text;
        whenShown<TfrmShowSarch>([&](TfrmShowSarch *hint) {
            caption = hint->windowTitle();
            text = hint->lblHint->text();
            QCOMPARE(hint->cbNoMore->text(), QStringLiteral("不再提示"));
            QCOMPARE(hint->btnOk->text(), QStringLiteral("确定"));
            QVERIFY(hint->btnOk->isDefault());
            hint->btnOk->click();
        });
        edtSearchClick(showSearch);
        QCOMPARE(caption, QStringLiteral("提示"));
        QCOMPARE(text, QStringLiteral("可以用拼音首字母进行搜索，如ZS（张三）。"));
        QVERIFY(showSearch);

        whenShown<TfrmShowSarch>([](TfrmShowSarch *hint) {
            hint->cbNoMore->click();
            hint->btnOk->click();
        });
        edtSearchClick(showSearch);
        QVERIFY(!showSearch);
        // Switched off: no dialog (a shown one would never close here).
        edtSearchClick(showSearch);
        QVERIFY(!showSearch);
    }
};

QTEST_MAIN(TestChgPwd)
#include "tst_chgpwd.moc"
