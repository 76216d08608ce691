// The note editor with a checklist of a thousand lines: showing it with its
// checkboxes, one key typed into it, select-all with a mode switch, and the
// title rule over a long text. Each must leave typing without visible delay.
#include "CoreData.h"
#include "CustomTextView.h"
#include "NoteContentView.h"
#include "NoteText.h"
#include "Setting.h"
#include "Task.h"
#include "support/BenchDatabase.h"

#include <QApplication>
#include <QKeyEvent>
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

}  // namespace
