// The records store with 100 000 members in 200 groups: opening the file, a
// change of the grid's filter with the first 50 rows read, one post, and
// switching the password protection on and off.

#include "Gbk.h"
#include "RecordStore.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

constexpr int Groups = 200;
constexpr int Members = 100000;

int gbkCollation(void *, int n1, const void *a, int n2, const void *b) {
    return CompareUtf8ByGbk(static_cast<const char *>(a), n1, static_cast<const char *>(b), n2);
}

// A name of two or three GB2312 level-1 characters.
QString randomName(QRandomGenerator &rng) {
    QByteArray gbk;
    const int n = 2 + int(rng.bounded(2));
    for (int i = 0; i < n; ++i) {
        gbk.append(char(0xB0 + rng.bounded(0xD7 - 0xB0)));
        gbk.append(char(0xA1 + rng.bounded(0xFE - 0xA1)));
    }
    return FromGbk(gbk);
}

struct Fixture {
    QTemporaryDir dir;
    QString plain;
    QString secret;

    Fixture() {
        plain = dir.filePath("big.kvr");
        secret = dir.filePath("big-secret.kvr");
        if (!RecordStore::NewDatabase(plain))
            abort();
        sqlite3 *db = nullptr;
        sqlite3_open_v2(QFile::encodeName(plain).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_create_collation_v2(db, "GBK", SQLITE_UTF8, nullptr, gbkCollation, nullptr);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO Users (ParentID, Type, Name, Birthday, Sex, Tel, Come, Privacy, Memo)"
                               " VALUES (?, ?, ?, ?, ?, ?, 45000, ?, ?)", -1, &s, nullptr);
        QRandomGenerator rng(1234);
        auto add = [&](int parent, int type, const QString &name, bool privacy) {
            const QByteArray utf8 = name.toUtf8();
            sqlite3_bind_int(s, 1, parent);
            sqlite3_bind_int(s, 2, type);
            sqlite3_bind_text(s, 3, utf8.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(s, 4, 10000 + rng.bounded(50000));
            sqlite3_bind_int(s, 5, int(rng.bounded(2)));
            sqlite3_bind_text(s, 6, "13800000000", -1, SQLITE_STATIC);
            sqlite3_bind_int(s, 7, privacy);
            sqlite3_bind_text(s, 8, "附注", -1, SQLITE_STATIC);
            sqlite3_step(s);
            sqlite3_reset(s);
            return int(sqlite3_last_insert_rowid(db));
        };
        std::vector<int> groups;
        for (int g = 0; g < Groups; ++g)
            groups.push_back(add(g < 20 ? 1 : groups[size_t(g % 20)], TypeGroup, QStringLiteral("组%1").arg(g), false));
        for (int m = 0; m < Members; ++m)
            add(groups[size_t(m % Groups)], TypeMember, randomName(rng), m % 10 == 0);
        sqlite3_finalize(s);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QFile::copy(plain, secret);
        RecordStore store;
        if (!store.OpenDatabase(secret, RecordStore::PasswordPrompt{}) || !store.ChangeEncryption(true, "pw"))
            abort();
    }
};

Fixture &fixture() {
    static Fixture f;
    return f;
}

void BM_OpenPlain(benchmark::State &state) {
    Fixture &f = fixture();
    for (auto _ : state) {
        RecordStore store;
        if (!store.OpenDatabase(f.plain, RecordStore::PasswordPrompt{}))
            state.SkipWithError("open failed");
        store.ApplyGridFilter();
        store.ApplyTreeFilter();
        benchmark::DoNotOptimize(store.tblGrid.RecordCount());
    }
}
BENCHMARK(BM_OpenPlain)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenEnciphered(benchmark::State &state) {
    Fixture &f = fixture();
    for (auto _ : state) {
        RecordStore store;
        if (!store.OpenDatabase(f.secret, QStringLiteral("pw")))
            state.SkipWithError("open failed");
        store.ApplyGridFilter();
        store.ApplyTreeFilter();
        benchmark::DoNotOptimize(store.tblGrid.RecordCount());
    }
}
BENCHMARK(BM_OpenEnciphered)->Unit(benchmark::kMillisecond)->Iterations(5);

// Root (all 90 000 visible members), then a group, then a member: each
// filter change followed by reading the first 50 rows, as the list shows.
void BM_GridFilterChange(benchmark::State &state) {
    Fixture &f = fixture();
    RecordStore store;
    store.OpenDatabase(state.range(0) ? f.secret : f.plain, QStringLiteral("pw"));
    store.ApplyTreeFilter();
    const int targets[] = {1, 150, 1000};
    int k = 0;
    for (auto _ : state) {
        store.tblTree.Locate(UsersField::ID, targets[k++ % 3]);
        store.ApplyGridFilter();
        for (int i = 0; i < 50 && i < store.tblGrid.RecordCount(); ++i)
            benchmark::DoNotOptimize(store.tblGrid.RecordAt(i).Name);
    }
}
BENCHMARK(BM_GridFilterChange)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Post(benchmark::State &state) {
    Fixture &f = fixture();
    RecordStore store;
    store.OpenDatabase(state.range(0) ? f.secret : f.plain, QStringLiteral("pw"));
    store.SetDisplayPrivacy(true);
    store.ApplyTreeFilter();
    store.ApplyGridFilter();
    int n = 0;
    for (auto _ : state) {
        store.tblGrid.MoveToRow((n * 7919) % store.tblGrid.RecordCount());
        store.tblGrid.Edit();
        store.tblGrid.SetFieldValue(UsersField::Tel, QString::number(++n));
        store.SaveRecord();
    }
}
BENCHMARK(BM_Post)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_NewMember(benchmark::State &state) {
    Fixture &f = fixture();
    RecordStore store;
    store.OpenDatabase(f.plain, RecordStore::PasswordPrompt{});
    store.ApplyTreeFilter();
    store.ApplyGridFilter();
    int n = 0;
    for (auto _ : state) {
        store.tblGrid.Append();
        store.tblGrid.SetFieldValue(UsersField::ParentID, 2);
        store.tblGrid.SetFieldValue(UsersField::Name, QStringLiteral("新%1").arg(++n));
        store.SaveRecord();
    }
}
BENCHMARK(BM_NewMember)->Unit(benchmark::kMillisecond)->Iterations(100);

// One switch on and one off per iteration.
void BM_ToggleEncryption(benchmark::State &state) {
    Fixture &f = fixture();
    RecordStore store;
    store.OpenDatabase(f.plain, RecordStore::PasswordPrompt{});
    for (auto _ : state) {
        if (!store.ChangeEncryption(true, QStringLiteral("pw")) || !store.ChangeEncryption(false, QString()))
            state.SkipWithError("change failed");
    }
}
BENCHMARK(BM_ToggleEncryption)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
