// make_stardb SOURCE DATABASE
//
// Builds the star-explanation database from its UTF-8 source (data/stars.txt):
// table star(ID, name, text) with the unique index byName, one row per entry.
// The database is written to DATABASE.tmp and renamed over DATABASE only when
// it is complete, so a failed run never leaves a half-written file.
//
// Source format: lines starting with '#' are comments; a line "[name]" opens
// an entry and the lines up to the next one are its text, with leading and
// trailing blank lines dropped. Names and texts must be writable in GBK, and
// a name takes at most 32 bytes in GBK.

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iconv.h>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kNameBytes = 32;

struct Entry {
    std::string name, text;
    int line;
};

// Bytes of text in GBK, or -1 when GBK cannot write it.
long GbkBytes(const std::string &text)
{
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == iconv_t(-1))
        return -1;
    std::string in = text;
    std::vector<char> out(in.size() * 2 + 4);
    char *ip = in.data(), *op = out.data();
    std::size_t il = in.size(), ol = out.size();
    const std::size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == std::size_t(-1))
        return -1;
    return long(out.size() - ol);
}

bool IsBlank(const std::string &s)
{
    return s.find_first_not_of(" \t\r") == std::string::npos;
}

std::string Trimmed(std::vector<std::string> lines)
{
    while (!lines.empty() && IsBlank(lines.back()))
        lines.pop_back();
    std::size_t first = 0;
    while (first < lines.size() && IsBlank(lines[first]))
        ++first;
    std::string out;
    for (std::size_t i = first; i < lines.size(); ++i) {
        if (i > first)
            out += '\n';
        out += lines[i];
    }
    return out;
}

bool Parse(const char *path, std::vector<Entry> &entries)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << path << ": " << std::strerror(errno) << '\n';
        return false;
    }
    std::string line;
    std::vector<std::string> body;
    int number = 0;
    bool ok = true;
    auto finish = [&] {
        if (!entries.empty())
            entries.back().text = Trimmed(body);
        body.clear();
    };
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        if (!line.empty() && line[0] == '#')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            finish();
            entries.push_back({line.substr(1, line.size() - 2), {}, number});
            continue;
        }
        if (entries.empty()) {
            if (!IsBlank(line)) {
                std::cerr << path << ':' << number << ": text before the first [name]\n";
                ok = false;
            }
            continue;
        }
        body.push_back(line);
    }
    finish();

    std::set<std::string> seen;
    for (const Entry &e : entries) {
        const long nameBytes = GbkBytes(e.name);
        if (e.name.empty() || nameBytes < 0 || std::size_t(nameBytes) > kNameBytes) {
            std::cerr << path << ':' << e.line << ": name [" << e.name
                      << "] is empty, not GBK or longer than 32 bytes\n";
            ok = false;
        }
        if (!seen.insert(e.name).second) {
            std::cerr << path << ':' << e.line << ": [" << e.name << "] appears twice\n";
            ok = false;
        }
        if (GbkBytes(e.text) < 0) {
            std::cerr << path << ':' << e.line << ": the text of [" << e.name << "] is not GBK\n";
            ok = false;
        }
    }
    return ok;
}

bool Exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) == SQLITE_OK)
        return true;
    std::cerr << "sqlite: " << (error ? error : "error") << '\n';
    sqlite3_free(error);
    return false;
}

bool Write(const std::string &path, const std::vector<Entry> &entries)
{
    std::remove(path.c_str());
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::cerr << path << ": " << sqlite3_errmsg(db) << '\n';
        sqlite3_close(db);
        return false;
    }
    bool ok = Exec(db, "PRAGMA journal_mode = OFF") &&
              Exec(db, "CREATE TABLE star (ID INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " name TEXT NOT NULL, text TEXT NOT NULL DEFAULT '')") &&
              Exec(db, "CREATE UNIQUE INDEX byName ON star(name)") && Exec(db, "BEGIN");
    sqlite3_stmt *insert = nullptr;
    if (ok && sqlite3_prepare_v2(db, "INSERT INTO star (name, text) VALUES (?, ?)", -1, &insert, nullptr) != SQLITE_OK) {
        std::cerr << "sqlite: " << sqlite3_errmsg(db) << '\n';
        ok = false;
    }
    for (std::size_t i = 0; ok && i < entries.size(); ++i) {
        sqlite3_bind_text(insert, 1, entries[i].name.c_str(), int(entries[i].name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, entries[i].text.c_str(), int(entries[i].text.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(insert) != SQLITE_DONE) {
            std::cerr << "sqlite: " << sqlite3_errmsg(db) << '\n';
            ok = false;
        }
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && Exec(db, "COMMIT");
    if (sqlite3_close(db) != SQLITE_OK)
        ok = false;
    return ok;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::cerr << "usage: make_stardb SOURCE DATABASE\n";
        return 2;
    }
    std::vector<Entry> entries;
    if (!Parse(argv[1], entries))
        return 1;
    const std::string target = argv[2], temporary = target + ".tmp";
    if (!Write(temporary, entries)) {
        std::remove(temporary.c_str());
        return 1;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::cerr << target << ": " << std::strerror(errno) << '\n';
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
