// One keystroke of the search box over a records database of 100 000
// members: the walk of the grid cursor with display updates suspended, from
// the first row to the match (or to the end and back when nothing matches).
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include "MemberNames.h"
#include "MemberSearch.h"
#include "RecordStore.h"

namespace {

// A file with the default groups and 100 000 members under the root,
// written in one transaction, then opened as the program opens it, the
// list showing every member.
struct BigDatabase {
    QTemporaryDir dir;
    RecordStore store;

    explicit BigDatabase(int members)
    {
        const QString file = dir.filePath(QStringLiteral("big.kvr"));
        if (!RecordStore::NewDatabase(file) || !store.OpenDatabase(file, QString()))
            throw std::runtime_error("cannot make the database");
        sqlite3 *db = store.handle();
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO Users (ParentID, Type, Name, Birthday, Sex) VALUES (1, 0, ?, 30000.5, 1)",
                           -1, &insert, nullptr);
        for (const QString &name : MemberNames(members)) {
            const QByteArray utf8 = name.toUtf8();
            sqlite3_bind_text(insert, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        store.CloseDatabase();
        if (!store.OpenDatabase(file, QString()))
            throw std::runtime_error("cannot reopen the database");
        store.ApplyGridFilter();
    }
};

BigDatabase &database()
{
    static BigDatabase db(100000);
    return db;
}

// Arg 0: "zs", found early; 1: "zsw", found further on; 2: the name of the
// last row, found at the end; 3: no match, the whole list and back.
void BM_SearchKeystroke(benchmark::State &state)
{
    BigDatabase &db = database();
    UsersCursor &grid = db.store.tblGrid;
    const int rows = grid.RecordCount();
    QString typed;
    switch (state.range(0)) {
    case 0: typed = QStringLiteral("zs"); break;
    case 1: typed = QStringLiteral("zsw"); break;
    case 2: typed = db.store.Key(grid.IdAt(rows - 1))->name; break;
    default: typed = QStringLiteral("zzzzqq"); break;
    }
    grid.MoveToRow(rows / 2);
    bool found = false;
    for (auto _ : state) {
        found = SearchMembers(grid, typed);
        benchmark::DoNotOptimize(found);
    }
    state.counters["members"] = double(rows);
    state.counters["row"] = double(grid.RecNo());
    state.counters["found"] = found;
}
BENCHMARK(BM_SearchKeystroke)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

