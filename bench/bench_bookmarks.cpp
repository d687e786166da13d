// The bookmark window over 100,000 bookmarks: what it adds to resident
// memory, opening it (store, table, list), one keystroke in the search box
// (query and list refill) and Save.
#include "bookmarkstore.h"
#include "datafolder.h"
#include "frmdatabase.h"
#include "listbox.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include "benchsupport.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace {

constexpr int BookmarkCount = 100000;

// Answers every message with OK and counts them; a benchmark that meets a
// message has gone wrong.
class CountingMessages final : public Platform::MessageService
{
public:
    QMessageBox::StandardButton showMessage(QWidget *, const QString &text, const QString &,
                                            QMessageBox::StandardButtons,
                                            QMessageBox::Icon) override
    {
        ++count;
        last = text;
        return QMessageBox::Ok;
    }
    int count = 0;
    QString last;
};

CountingMessages messages;

Platform::Services services()
{
    return { &messages, nullptr, nullptr };
}

// Names such as "Kavo Ruteli 4821": varied first letters, some accented,
// so a one-letter search selects a few thousand rows as it would in use.
QString nameFor(quint32 n)
{
    static const char *const syllables[] = { "ka", "vo", "ru", "te", "li", "mo", "sa", "di",
                                             "ne", "po", "gu", "ba", "fe", "zo", "hi", "ja",
                                             "xu", "we", "ci", "yo", "qa", "ro", "ti", "me" };
    static const char *const accented[] = { "É", "Ö", "Å", "Ñ", "Ç" };
    quint32 x = n * 2654435761u + 12345u;
    auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    };
    QString name;
    if (next() % 20 == 0)
        name += QString::fromUtf8(accented[next() % 5]);
    for (int word = 0; word < 2; ++word) {
        const int length = 2 + int(next() % 2);
        for (int s = 0; s < length; ++s)
            name += QString::fromLatin1(syllables[next() % 24]);
        name += QLatin1Char(' ');
    }
    name[0] = name[0].toUpper();
    return name + QString::number(next() % 10000);
}

void fillStore(const QString &path)
{
    { // creates the file and the table
        Bookmarks::Database db;
        if (!db.open(path))
            qFatal("cannot create %s: %s", qPrintable(path), qPrintable(db.lastError()));
    }
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO tbldata(surname, forename) VALUES(?1, ?2)", -1, &insert,
                       nullptr);
    for (int i = 0; i < BookmarkCount; ++i) {
        const QByteArray name = nameFor(quint32(i)).toUtf8();
        const QByteArray offset = QByteArray::number(0x100000 + i * 0x20, 16).toUpper();
        sqlite3_bind_text(insert, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, offset.constData(), int(offset.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

std::unique_ptr<frmDatabase> openWindow()
{
    auto window = std::make_unique<frmDatabase>(services());
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->show();
    QCoreApplication::processEvents(); // lay out and paint the list
    return window;
}

void checkNoMessages(benchmark::State &state)
{
    if (messages.count != 0)
        state.SkipWithError(qPrintable(QStringLiteral("unexpected message: ") + messages.last));
}

// Resident memory of this process in MiB (Linux; 0 elsewhere).
double residentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    if (!(statm >> pages >> resident))
        return 0;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// What the open window with every bookmark listed adds to resident memory:
// the store's rows, the list and the view. As in the program, another
// window is already up, so the fonts and the style are loaded: those the
// first window of any process pays for. Runs first, before the other
// benchmarks leave freed memory behind for it to reuse.
void residentGrowth(benchmark::State &state)
{
    QWidget mainWindow;
    auto *layout = new QVBoxLayout(&mainWindow);
    layout->addWidget(new QLineEdit);
    layout->addWidget(new QPushButton(QStringLiteral("Read")));
    layout->addWidget(new QListView);
    mainWindow.show();
    QCoreApplication::processEvents();
    double grown = 0;
    for (auto _ : state) {
        const double before = residentMiB();
        auto window = openWindow();
        grown = residentMiB() - before;
        if (window->lstdata->count() < BookmarkCount)
            state.SkipWithError("the list does not show every bookmark");
    }
    state.counters["resident_MiB"] = grown;
    checkNoMessages(state);
}
BENCHMARK(residentGrowth)->Iterations(1)->Unit(benchmark::kMillisecond);

void openingTheWindow(benchmark::State &state)
{
    for (auto _ : state) {
        auto window = openWindow();
        benchmark::DoNotOptimize(window->lstdata->count());
        state.PauseTiming();
        if (window->lstdata->count() < BookmarkCount)
            state.SkipWithError("the list does not show every bookmark");
        window.reset();
        state.ResumeTiming();
    }
    checkNoMessages(state);
}
BENCHMARK(openingTheWindow)->Unit(benchmark::kMillisecond);

// One key in the search box, with the box holding `before`:
// 0: the first letter ("" -> "k"),
// 1: a second letter ("k" -> "ka"),
// 2: backspace back to the empty box, which lists every bookmark again.
void searchKeystroke(benchmark::State &state)
{
    const auto window = openWindow();
    const int kind = int(state.range(0));
    const QString before = kind == 0 ? QString() : QStringLiteral("k");
    const Qt::Key key = kind == 2 ? Qt::Key_Backspace : (kind == 0 ? Qt::Key_K : Qt::Key_A);
    window->txtSearch->setFocus();
    for (auto _ : state) {
        state.PauseTiming();
        window->txtSearch->setText(before);
        window->txtSearch->end(false);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        QTest::keyClick(window->txtSearch, key);
        QCoreApplication::processEvents();
    }
    state.counters["listed"] = window->lstdata->count();
    checkNoMessages(state);
}
BENCHMARK(searchKeystroke)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Save of a new bookmark (0: with the whole table listed; 1: right after a
// click on a list entry) and of a changed one (2), each one durable commit.
void save(benchmark::State &state)
{
    const auto window = openWindow();
    const int kind = int(state.range(0));
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (kind != 0)
            window->lstdata->setCurrentRow(42);
        if (kind == 2)
            window->cmdEdit_Click();
        else
            window->cmdAdd_Click();
        window->txtSurname->setText(QStringLiteral("Bench bookmark %1").arg(++n));
        window->txtForename->setText(QStringLiteral("1A2B3C"));
        QCoreApplication::processEvents();
        state.ResumeTiming();
        QTest::mouseClick(window->cmdsave, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    checkNoMessages(state);
}
BENCHMARK(save)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The store alone: the search query over every row, and the whole table.
void storeSearch(benchmark::State &state)
{
    Bookmarks::Database db;
    db.open(Platform::dataFile(Bookmarks::storeFileName()));
    const QString typed = state.range(0) ? QStringLiteral("k") : QStringLiteral("ka[!z]#");
    for (auto _ : state)
        benchmark::DoNotOptimize(db.openSearch(typed).recordCount());
}
BENCHMARK(storeSearch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void storeTable(benchmark::State &state)
{
    Bookmarks::Database db;
    db.open(Platform::dataFile(Bookmarks::storeFileName()));
    for (auto _ : state)
        benchmark::DoNotOptimize(db.openTable().recordCount());
}
BENCHMARK(storeTable)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folder;
    qputenv("CINDRAL_DATA_DIR", folder.path().toUtf8());
    QApplication app(argc, argv);
    fillStore(Platform::dataFile(Bookmarks::storeFileName()));

    return runBenchmarks(argc, argv);
}
