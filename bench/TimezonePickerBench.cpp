// The time-zone picker's answer to a keystroke: the search of the whole zone
// table and the list reloaded with a row view per match, as typing does.
#include "CoreData.h"
#include "TimezoneSearchView.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

BenchDatabase& database()
{
    static BenchDatabase made;
    return made;
}

std::unique_ptr<TimezoneSearchView> makePicker()
{
    auto picker = std::make_unique<TimezoneSearchView>(QRectF(0, 0, 260, 20), 170);
    picker->setItems(database().dataManager().tzList().zones());
    picker->setExcludeFloatingTZ(true);
    return picker;
}

// One keystroke in the field: the search and the reload of the list.
void type(TimezoneSearchView& picker, const QString& text)
{
    picker.search(text);
    picker.listView()->reloadAndFit();
}

// The whole table, every row shown: the largest list a keystroke gives
// (the field emptied, or the button).
void BM_WholeTable(benchmark::State& state)
{
    auto picker = makePicker();
    for (auto _ : state) {
        type(*picker, QString());
        type(*picker, QStringLiteral("zz"));  // back to none, so each pass places every row again
    }
    state.counters["rows"] = double(database().dataManager().tzList().zones().size() - 1);
}
BENCHMARK(BM_WholeTable)->Unit(benchmark::kMillisecond);

// Typing "europe/" letter by letter, then erasing it: per keystroke.
void BM_Keystroke(benchmark::State& state)
{
    auto picker = makePicker();
    const QString word = QStringLiteral("europe/");
    QStringList texts;
    for (int n = 0; n <= word.size(); ++n) texts.append(word.left(n));
    for (int n = word.size() - 1; n > 0; --n) texts.append(word.left(n));
    qsizetype next = 0;
    for (auto _ : state) {
        type(*picker, texts[next]);
        next = (next + 1) % texts.size();
    }
}
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMicrosecond);

// The first keystroke of a picker that has made no row yet: every row view
// of the table is made.
void BM_FirstWholeTable(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto picker = makePicker();
        state.ResumeTiming();
        type(*picker, QString());
        state.PauseTiming();
        picker.reset();
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstWholeTable)->Unit(benchmark::kMillisecond);

}  // namespace
