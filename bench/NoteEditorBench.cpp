// The note editor with a checklist of a thousand lines: showing it with its
// checkboxes, one key typed into it, select-all with a mode switch, and the
// title rule over a long text. Each must leave typing without visible delay.
// Then the note's popover page (opened, and Done on a long checklist) and
// one keystroke of the add-link search over a large working list: each
// within a frame (16 ms).
#include "AddLinkView.h"
#include "CoreData.h"
#include "CustomTextView.h"
#include "Link.h"
#include "LinkConversationSection.h"
#include "LinkSearchResultView.h"
#include "NoteView.h"
#include "TextField.h"
#include "NoteContentView.h"
#include "NoteText.h"
#include "Setting.h"
#include "Task.h"
#include "support/BenchDatabase.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextEdit>

#include <benchmark/benchmark.h>

namespace {

QString checklist(int lines)
{
    QString text;
    for (int i = 0; i < lines; ++i) {
        if (i) text += QLatin1Char('\n');
        text += QString(i % 3 ? NoteText::openMark : NoteText::doneMark) + QStringLiteral(" item %1").arg(i);
    }
    return text;
}

TaskPtr checklistNote()
{
    auto note = std::make_shared<Task>();
    note->setTaskType(3);
    note->setNotes(checklist(1000));
    return note;
}

void BM_SetContentOfAThousandLineChecklist(benchmark::State& state)
{
    BenchDatabase data;
    NoteContentView editor(QRectF(0, 0, 280, 400));
    const TaskPtr note = checklistNote();
    for (auto _ : state) {
        editor.setContent(note);
        benchmark::DoNotOptimize(editor.lines().size());
    }
    if (editor.lines().size() != 1000) state.SkipWithError("the lines were not all read");
}
BENCHMARK(BM_SetContentOfAThousandLineChecklist)->Unit(benchmark::kMillisecond);

void BM_OneKeyTypedIntoAThousandLineChecklist(benchmark::State& state)
{
    BenchDatabase data;
    NoteContentView editor(QRectF(0, 0, 280, 400));
    editor.show();
    editor.setContent(checklistNote());
    QTextEdit* text = editor.noteContent()->editor();
    editor.noteContent()->setCaretPosition(500);
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(text, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(text, &release);
        benchmark::DoNotOptimize(editor.lines().size());
    }
}
BENCHMARK(BM_OneKeyTypedIntoAThousandLineChecklist)->Unit(benchmark::kMillisecond);

void BM_SelectAllAndSwitchModeOfAThousandLines(benchmark::State& state)
{
    BenchDatabase data;
    NoteContentView editor(QRectF(0, 0, 280, 400));
    editor.setContent(checklistNote());
    for (auto _ : state) {
        editor.noteContent()->selectAll();
        editor.changeNoteMode();
        benchmark::DoNotOptimize(editor.getContentText().size());
    }
}
BENCHMARK(BM_SelectAllAndSwitchModeOfAThousandLines)->Unit(benchmark::kMillisecond);

void BM_TitleOfAHundredThousandCharacters(benchmark::State& state)
{
    QString text = QString(QLatin1Char('\n')).repeated(50000) + QString(NoteText::openMark).repeated(49990) +
                   QStringLiteral("\nGroceries");
    for (auto _ : state) benchmark::DoNotOptimize(NoteText::taskName(text));
}
BENCHMARK(BM_TitleOfAHundredThousandCharacters)->Unit(benchmark::kMicrosecond);

// A note stored with its text, three own tags and five linked tasks.
TaskPtr storedNote(BenchDatabase& data, const QString& text, int links)
{
    auto note = std::make_shared<Task>();
    note->setTaskType(3);
    note->setTaskName(NoteText::taskName(text));
    note->setNotes(text);
    note->setCalendarId(data.dataManager().currentSetting()->calendarDefID());
    note->setTagList(QStringLiteral("/home/garden/seeds"));
    if (!note->insertAndDehydrate()) std::exit(1);
    for (int i = 0; i < links; ++i) {
        auto linked = std::make_shared<Task>();
        linked->setTaskType(1);
        linked->setTaskName(QStringLiteral("Linked task %1").arg(i));
        linked->setCalendarId(note->calendarId());
        if (!linked->insertAndDehydrate()) std::exit(1);
        auto link = std::make_shared<Link>();
        link->setRootId(note->primaryKey());
        link->setTargetId(linked->primaryKey());
        if (!data.dataManager().insertLink(link)) std::exit(1);
    }
    return note;
}

void BM_OpenNoteEditorOfTwoHundredLinesWithLinksAndTags(benchmark::State& state)
{
    BenchDatabase data;
    LinkConversationSection::install();
    QString text = QStringLiteral("Garden plan");
    for (int i = 1; i < 200; ++i) text += QStringLiteral("\nline %1 of the plan").arg(i);
    const TaskPtr note = storedNote(data, text, 5);
    for (auto _ : state) {
        NoteView editor(QRectF(0, 0, 280, 500));
        editor.loadDataFromNote(note);
        editor.updateView();
        benchmark::DoNotOptimize(editor.frame().height());
    }
    LinkSection::setFactory(nullptr);
}
BENCHMARK(BM_OpenNoteEditorOfTwoHundredLinesWithLinksAndTags)->Unit(benchmark::kMillisecond);

void BM_DoneOnAThousandLineChecklistNote(benchmark::State& state)
{
    BenchDatabase data;
    LinkConversationSection::install();
    const TaskPtr note = storedNote(data, checklist(1000), 0);
    NoteView editor(QRectF(0, 0, 280, 500));
    editor.loadDataFromNote(note);
    const QString texts[] = {checklist(1000), checklist(1000) + QStringLiteral(" more")};
    int turn = 0;
    for (auto _ : state) {
        // Each Done stores a changed text, as after an edit.
        state.PauseTiming();
        editor.contentView()->setContentText(texts[++turn % 2]);
        editor.visibleRevertButton();
        state.ResumeTiming();
        editor.doneEdit();
        benchmark::DoNotOptimize(editor.note());
    }
    if (Task::initWithPrimaryKey(note->primaryKey())->notes().size() < 10000) state.SkipWithError("not stored");
    LinkSection::setFactory(nullptr);
}
BENCHMARK(BM_DoneOnAThousandLineChecklistNote)->Unit(benchmark::kMillisecond);

void BM_OneKeystrokeOfTheAddLinkSearchOverFiftyThousandItems(benchmark::State& state)
{
    BenchDatabase data;
    TaskList working;
    working.reserve(50000);
    for (int i = 0; i < 50000; ++i) {
        auto item = std::make_shared<Task>();
        item->setPrimaryKey(i + 10);
        item->setTaskType(i % 3 == 0 ? 3 : 1);
        item->setTaskName(QStringLiteral("Item %1 of the list").arg(i));
        item->setCalendarId(1);
        working.append(item);
    }
    data.dataManager().doWithAllTasksEventsAdes(working, ListAction::Add);
    const TaskPtr pageItem = working.first();
    AddLinkView page(QRectF(0, 0, 280, 525));
    page.show();
    page.loadCurrentData(pageItem);
    QLineEdit* editor = page.searchBox()->editor();
    editor->setFocus();
    QKeyEvent one(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
    QApplication::sendEvent(editor, &one);
    bool typed = false;
    for (auto _ : state) {
        // One key each time: a digit that narrows the results, then the
        // Backspace that widens them again.
        QKeyEvent key = typed ? QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier)
                              : QKeyEvent(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, QStringLiteral("2"));
        QApplication::sendEvent(editor, &key);
        typed = !typed;
        benchmark::DoNotOptimize(page.searchResultListView()->numberOfRows());
    }
    if (page.searchResultListView()->numberOfRows() < 1000) state.SkipWithError("the search found too little");
}
BENCHMARK(BM_OneKeystrokeOfTheAddLinkSearchOverFiftyThousandItems)->Unit(benchmark::kMillisecond);

}  // namespace

// A paste of checklist lines into an open note editor of a thousand lines,
// of the size given in kilobytes, until the editor shows it: within half a
// second on two cores up to the paste limit (145 KiB is just under it), and
// refused at once above it. A second argument gives the first line that many
// characters without a place to break it: 19,990 (near the longest word a paste
// may bring) shows within the half second, 100,000 is refused at once.
QString pastedChecklist(qsizetype bytes, qsizetype firstLine)
{
    QString text;
    text.reserve(bytes + 100);
    if (firstLine > 0) text += QString(NoteText::openMark) + QString(QLatin1Char('x')).repeated(firstLine);
    for (int i = 0; text.size() < bytes; ++i) {
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += QString(i % 3 ? NoteText::openMark : NoteText::doneMark) + QStringLiteral(" item %1").arg(i);
    }
    return text;
}

void BM_PasteOfChecklistLines(benchmark::State& state)
{
    BenchDatabase data;
    const QString pasted = pastedChecklist(state.range(0) * 1024, state.range(1));
    QApplication::clipboard()->setText(pasted);
    NoteContentView editor(QRectF(0, 0, 280, 400));
    editor.show();
    editor.setContent(checklistNote());
    QApplication::processEvents();
    for (auto _ : state) {
        editor.noteContent()->editor()->paste();
        QApplication::processEvents();
        benchmark::DoNotOptimize(editor.lines().size());
    }
    state.counters["chars"] = double(pasted.size());
}
BENCHMARK(BM_PasteOfChecklistLines)
    ->Args({145, 0})->Args({145, 19990})->Args({145, 100000})->Args({1024, 0})->Args({10240, 0})->Args({10240, 100000})
    ->Unit(benchmark::kMillisecond)->Iterations(1);
