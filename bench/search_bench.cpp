// One keystroke of the search box over a records database of 100 000
// members: the walk of the grid cursor with display updates suspended, from
// the first row to the match (or to the end and back when nothing matches).
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <random>

#include "MemberSearch.h"
#include "RecordStore.h"

namespace {

// Names of two or three characters from common surnames and given-name
// characters, one in ten a Latin name.
QStringList memberNames(int count)
{
    const QString surnames = QString::fromUtf8(
        "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤");
    const QString given = QString::fromUtf8(
        "伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超兰霞平刚桂华建国文辉玲红志飞鹏宇斌波宁浩凯健俊帆帅旭晨亮成康星光天达安岩中茂进林有坚和彪博诚先敬震振壮会思群豪心邦承乐绍功松善厚庆重长行");
    const QStringList latin = {"Tom", "Anna", "Peter", "Mary", "John", "Lucy", "David", "Grace"};
    std::mt19937 random(20240601);
    QStringList names;
    names.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (random() % 10 == 0) {
            names.append(latin[random() % latin.size()]);
            continue;
        }
        QString name = surnames[random() % surnames.size()];
        const int length = 1 + random() % 2;
        for (int k = 0; k < length; ++k)
            name += given[random() % given.size()];
        names.append(name);
    }
    return names;
}

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
        for (const QString &name : memberNames(members)) {
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

