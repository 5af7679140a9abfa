// The program with 100 000 members: start-up to a shown main window, and a
// click on a group until its list is shown.

#include "DialogsScripted.h"
#include "FormMain.h"
#include "GroupTreeModel.h"
#include "GroupTreeView.h"
#include "KeloApplication.h"
#include "RecordStore.h"
#include "UsersCursor.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>

namespace {

constexpr int kMembers = 100000;

struct BigFile {
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("big.kvr"));
    BigFile()
    {
        RecordStore::NewDatabase(file);
        RecordStore store;
        store.OpenDatabase(file, QString());
        sqlite3 *db = store.handle();
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO Users (ParentID, Type, Name, Sex, Birthday) VALUES (?, 0, ?, 1, ?)",
                           -1, &s, nullptr);
        static const char *const surnames[] = {"张", "李", "王", "赵", "陈", "刘", "杨", "黄"};
        for (int i = 0; i < kMembers; ++i) {
            // Half of them in 亲戚 (2), the rest spread over the other groups.
            const int parent = i % 2 == 0 ? 2 : 3 + (i / 2) % 6;
            const QByteArray name = QByteArray(surnames[i % 8]) + QByteArray::number(i);
            sqlite3_bind_int(s, 1, parent);
            sqlite3_bind_text(s, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_double(s, 3, 20000.0 + i % 30000);
            sqlite3_step(s);
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
};

BigFile &Big()
{
    static BigFile big;
    return big;
}

TfrmMain::StartUp StartWith(const QString &file)
{
    TfrmMain::StartUp s;
    s.arguments = {file};
    s.programDir = Big().dir.path();
    s.registerFileType = false;
    return s;
}

void BM_StartToShownWindow(benchmark::State &state)
{
    const QString file = Big().file;
    ScriptedDialogs dialogs;
    for (auto _ : state) {
        TfrmMain window(dialogs, StartWith(file));
        window.show();
        QApplication::processEvents();
        window.repaint();
        benchmark::DoNotOptimize(window.store().tblTree.RecordCount());
        state.PauseTiming();
        window.close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToShownWindow)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_GroupClickShowsItsList(benchmark::State &state)
{
    ScriptedDialogs dialogs;
    TfrmMain window(dialogs, StartWith(Big().file));
    window.show();
    QApplication::processEvents();
    GroupTreeModel &model = *window.treeModel();
    int group = 2;
    for (auto _ : state) {
        // 亲戚 holds 50 000 members, 朋友 about 8 300.
        window.DBTreeView1->setCurrentIndex(model.indexOfId(group));
        window.DBTreeView1Click();
        window.DBGridEh1->repaint();
        benchmark::DoNotOptimize(window.store().tblGrid.RecordCount());
        group = group == 2 ? 3 : 2;
    }
    window.close();
}
BENCHMARK(BM_GroupClickShowsItsList)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    KeloApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
