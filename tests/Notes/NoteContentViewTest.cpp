#include "../Model/TaskTestFixture.h"
#include "Button.h"
#include "Clicks.h"
#include "CustomTextView.h"
#include "NoteContentView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "ScrollView.h"
#include "TextTable.h"
#include "TaskView.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QTextEdit>

#include <memory>

namespace NoteContentViewTests {

QString t(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A host that records what the editor asks of it.
class RecordingHost : public View, public NoteContentHost {
public:
    RecordingHost() : View(QRectF(0, 0, 300, 240)) { setFlipped(true); }
    int saves = 0;
    int reverts = 0;
    void saveChangesManualReload() override { ++saves; }
    void visibleRevertButton() override { ++reverts; }
};

// The editor in a host window over a test database, at font size 12.
class NoteContentViewTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        setting().setCurrentFontSize(12);
        host = std::make_unique<RecordingHost>();
        editor = new NoteContentView(QRectF(0, 0, 300, 240), t("Write a note"), host.get());
        editor->setParentView(host.get());
        host->show();
        host->activateWindow();
        QApplication::setActiveWindow(host.get());
    }

    void TearDown() override
    {
        host.reset();
        TaskTest::TearDown();
    }

    QTextEdit* text() const { return editor->noteContent()->editor(); }

    void clickWidget(QWidget* widget, const QPointF& local = QPointF(5, 5))
    {
        Clicks::click(host.get(), Clicks::inWindow(widget, local));
    }

    void key(int code, const QString& typed = QString(), Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        editor->setFocus();
        QKeyEvent press(QEvent::KeyPress, code, modifiers, typed);
        QApplication::sendEvent(text(), &press);
        QKeyEvent release(QEvent::KeyRelease, code, modifiers, typed);
        QApplication::sendEvent(text(), &release);
    }

    void place(const QString& content, int caret)
    {
        editor->setContentText(content);
        editor->noteContent()->setCaretPosition(caret);
    }

    int checkboxCount() const
    {
        int count = 0;
        for (Button* box : editor->lines()) count += box ? 1 : 0;
        return count;
    }

    std::unique_ptr<RecordingHost> host;
    NoteContentView* editor = nullptr;
};

TEST_F(NoteContentViewTest, BuildingResetsTheModeAndTheButtonSwitchesTheCaretsLines)
{
    setting().setNoteMode(0);
    int posts = 0;
    QObject observer;
    NotificationCenter::defaultCenter().addObserver(&observer, kInputModeNoteChanged, nullptr,
                                                    [&](const Notification&) { ++posts; });
    NoteContentView other(QRectF(0, 0, 200, 100));
    EXPECT_EQ(setting().noteMode(), 1) << "a new editor puts the program back into plain text";
    EXPECT_EQ(posts, 1);

    struct Case {
        const char* text;
        int caret;
        const char* expected;
        int expectedCaret;
    };
    const Case cases[] = {
        {"", 0, "❎ ", 2},
        {"Milk", 4, "❎ Milk", 6},
        {"a\nb\nc", 3, "a\n❎ b\nc", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        setting().setNoteMode(1);
        editor->setModeNoteState();
        place(t(c.text), c.caret);
        clickWidget(editor->modeBtn());
        EXPECT_EQ(editor->getContentText(), t(c.expected));
        EXPECT_EQ(editor->noteContent()->caretPosition(), c.expectedCaret);
        EXPECT_EQ(setting().noteMode(), 0);
        EXPECT_EQ(editor->modeBtn()->state(), 1) << "the checklist image shows";
        EXPECT_EQ(checkboxCount(), 1);
    }
    EXPECT_EQ(posts, 4);

    // And back: the mark and its blank go.
    place(t("❎ x"), 3);
    clickWidget(editor->modeBtn());
    EXPECT_EQ(editor->getContentText(), t("x"));
    EXPECT_EQ(editor->noteContent()->caretPosition(), 1);
    EXPECT_EQ(editor->modeBtn()->state(), 0);
    EXPECT_EQ(checkboxCount(), 0);
    NotificationCenter::defaultCenter().removeObserver(&observer);
}

TEST_F(NoteContentViewTest, TheSecondVisualLineOfAWrappedParagraphGetsNoMark)
{
    const QString paragraph = QString(t("word ")).repeated(30);
    place(paragraph, 0);
    const QList<TextView::VisualLine> visual = editor->noteContent()->visualLines();
    ASSERT_GE(visual.size(), 2) << "the paragraph wraps";
    editor->noteContent()->setCaretPosition(visual.at(1).start + 2);
    clickWidget(editor->modeBtn());
    EXPECT_EQ(editor->getContentText(), paragraph);
    EXPECT_EQ(setting().noteMode(), 0);
    EXPECT_EQ(editor->modeBtn()->state(), 1);
    editor->noteContent()->setCaretPosition(paragraph.size());
    // A wrapped checklist line.
    editor->noteContent()->setCaretPosition(1);
    setting().setNoteMode(1);
    editor->setModeNoteState();
    clickWidget(editor->modeBtn());
    EXPECT_TRUE(editor->getContentText().startsWith(t("❎ word")));
    saveScreenshot(host.get(), QStringLiteral("note-wrapped-checklist-line"));
}

TEST_F(NoteContentViewTest, ReturnStartsAnItemOnlyInChecklistModeAndTheCaretSkipsMarks)
{
    struct Case {
        int mode;
        const char* expected;
        int caret;
        int reverts;
    };
    const Case cases[] = {{0, "❎ a\n❎ ", 6, 1}, {1, "❎ a\n", 4, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        host->reverts = 0;
        setting().setNoteMode(c.mode);
        place(t("❎ a"), 3);
        key(Qt::Key_Return, QStringLiteral("\r"));
        EXPECT_EQ(editor->getContentText(), t(c.expected));
        EXPECT_EQ(editor->noteContent()->caretPosition(), c.caret);
        EXPECT_EQ(host->reverts, c.reverts);
    }
    place(t("❎ a"), 0);
    EXPECT_EQ(editor->noteContent()->caretPosition(), 2) << "typing never starts in front of a mark";
    key(Qt::Key_B, QStringLiteral("b"));
    EXPECT_EQ(editor->getContentText(), t("❎ ba"));
}

TEST_F(NoteContentViewTest, CheckboxesToggleTheMarkUnlessSharedOrDisabled)
{
    editor->setContentText(t("p\nq\n❎ r"));
    ASSERT_EQ(editor->lines().size(), 3);
    Button* box = editor->lines().at(2);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->frame().x(), 5);
    clickWidget(box);
    EXPECT_EQ(editor->getContentText(), t("p\nq\n✅ r"));
    EXPECT_EQ(editor->lines().at(2)->state(), 1);
    clickWidget(editor->lines().at(2));
    EXPECT_EQ(editor->getContentText(), t("p\nq\n❎ r"));
    EXPECT_EQ(host->reverts, 2);

    editor->setEnable(false);
    clickWidget(editor->lines().at(2));
    clickWidget(editor->modeBtn());
    key(Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(editor->getContentText(), t("p\nq\n❎ r")) << "a disabled editor takes nothing";
    EXPECT_EQ(setting().noteMode(), 1);
    editor->setEnable(true);

    auto note = std::make_shared<Task>();
    note->setTaskType(3);
    note->setNotes(t("❎ open\n✅ done"));
    note->setIsShared(1);
    editor->setContent(note);
    ASSERT_EQ(checkboxCount(), 2);
    const QImage open = editor->lines().at(0)->image();
    for (Button* shared : editor->lines()) EXPECT_EQ(shared->alternateImage(), open) << "every item shows open";
    clickWidget(editor->lines().at(1));
    EXPECT_EQ(editor->getContentText(), t("❎ open\n✅ done")) << "a shared note's items do not change";
}

TEST_F(NoteContentViewTest, PasteAndEndOfEditing)
{
    QApplication::clipboard()->setText(t("x✅ y❎ z"));
    editor->setFocus();
    editor->noteContent()->editor()->paste();
    EXPECT_EQ(editor->getContentText(), t("x\n✅ y\n❎ z"));
    EXPECT_EQ(checkboxCount(), 2);

    EXPECT_EQ(host->saves, 0);
    ASSERT_TRUE(text()->hasFocus());
    text()->clearFocus();
    EXPECT_EQ(host->saves, 1) << "the host saves when the focus leaves after an edit";
}

// A paste over the limits is refused with a message and leaves the text as
// it was; one within them goes in, its marks on lines of their own.
TEST_F(NoteContentViewTest, APasteOverTheLimitsIsRefusedAndTheTextKept)
{
    const QString kept = t("❎ keep me");
    const QString longest = QString(QLatin1Char('x')).repeated(CustomTextView::pasteWordLimit);
    const struct {
        const char* name;
        QString pasted;
        QString after;  // null: refused
    } cases[] = {
        {"within both limits", t(" a✅ b ") + longest, kept + t(" a\n✅ b ") + longest},
        {"one character too many", QString(QStringLiteral("a b ")).repeated(CustomTextView::pasteLimit / 4) + t("c"), {}},
        {"a word one character too long", longest + t("x"), {}},
    };
    for (const auto& c : cases) {
        ScriptedAlertPresenter alerts;
        if (c.after.isNull()) alerts.scriptButton(AlertResponse::firstButton);
        editor->setContentText(kept);
        editor->noteContent()->setCaretPosition(int(kept.size()));
        QApplication::clipboard()->setText(c.pasted);
        text()->paste();
        EXPECT_EQ(editor->getContentText(), c.after.isNull() ? kept : c.after) << c.name;
        ASSERT_EQ(alerts.requests().size(), c.after.isNull() ? 1 : 0) << c.name;
        if (c.after.isNull()) {
            EXPECT_EQ(alerts.requests().first().messageText, TextTable::localizedString(QStringLiteral("pasteTooLongText")));
        }
    }
}

// Only the lines in sight and a screenful either side carry a checkbox; the
// boxes follow the scrolling.
TEST_F(NoteContentViewTest, CheckboxesStandOnlyNearTheLinesInSight)
{
    QStringList items;
    for (int i = 0; i < 3000; ++i) items.append(t("❎ item ") + QString::number(i));
    editor->setContentText(items.join(QLatin1Char('\n')));
    QApplication::processEvents();
    ASSERT_EQ(editor->lines().size(), 3000);
    EXPECT_NE(editor->lines().first(), nullptr);
    EXPECT_EQ(editor->lines().last(), nullptr);
    EXPECT_LT(checkboxCount(), 100) << "a box per line in sight, not per line";

    editor->scrollView()->scrollToPoint(QPointF(0, editor->noteContent()->documentHeight()));
    QApplication::processEvents();
    EXPECT_EQ(editor->lines().first(), nullptr);
    ASSERT_NE(editor->lines().last(), nullptr);
    EXPECT_EQ(editor->lines().last()->tag(), 2999);
    EXPECT_LT(checkboxCount(), 100);
}

TEST_F(NoteContentViewTest, LayoutCheckboxesFollowTheFontSize)
{
    EXPECT_EQ(editor->modeBtn()->frame(), QRectF(4, 0, 20, 20));
    EXPECT_EQ(editor->noteContent()->frame().width(), editor->scrollView()->frame().width() - 10);
    EXPECT_EQ(CustomTextView::noteLineYs(50), QList<double>({20.5, 48.5}));
    {
        CustomTextView paper(QRectF(0, 0, 100, 50), QString(), host.get());
        paper.show();
        QApplication::processEvents();
        const auto rendered = [&paper] {
            QImage image(paper.size(), QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            paper.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
            return image;
        };
        const QImage drawn = rendered();
        for (const int y : {20, 48}) EXPECT_NE(drawn.pixelColor(50, y), CustomTextView::noteColor) << "a ruled line at " << y;
        for (const int y : {10, 30, 40}) EXPECT_EQ(drawn.pixelColor(50, y), CustomTextView::noteColor) << "paper at " << y;
        paper.setShowNoteLine(false);
        EXPECT_EQ(rendered().pixelColor(50, 20), QColor(Qt::white));
    }
    EXPECT_EQ(editor->noteContent()->watermarkOrigin(), QPointF(5, 5));
    text()->clearFocus();
    EXPECT_TRUE(editor->noteContent()->showsWatermark());
    saveScreenshot(host.get(), QStringLiteral("note-editor-empty"));

    editor->setContentText(t("Shopping\n❎ Milk\n✅ Bread\nFor Sunday\n❎ Eggs"));
    struct Size {
        double size;
        const char* picture;
    };
    for (const Size& s : {Size{12, nullptr}, Size{13, "note-mixed-13"}, Size{17, "note-mixed-17"}}) {
        SCOPED_TRACE(s.size);
        setting().setCurrentFontSize(static_cast<float>(s.size));
        NotificationCenter::defaultCenter().postNotificationName(TaskView::currentFontSizeChangedNotification);
        EXPECT_EQ(editor->noteContent()->editor()->document()->defaultFont().pixelSize(), qRound(s.size));
        const QList<TextView::VisualLine> visual = editor->noteContent()->visualLines();
        ASSERT_EQ(visual.size(), 5);
        for (int line : {1, 2, 4}) {
            Button* box = editor->lines().at(line);
            ASSERT_NE(box, nullptr);
            const QRectF frame = editor->noteContent()->overlayRect(box);
            EXPECT_EQ(frame, NoteContentView::checkboxFrame(visual.at(line).rect.top(), s.size));
            EXPECT_EQ(visual.at(line).rect.top(), line * CustomTextView::notePitch) << "lines keep the ruled pitch";
        }
        if (s.picture) saveScreenshot(host.get(), QString::fromLatin1(s.picture));
    }
    EXPECT_EQ(NoteContentView::checkboxFrame(0, 12), QRectF(5, 2, 15, 15));
    setting().setNoteMode(0);
    editor->setModeNoteState();
    saveScreenshot(editor->modeBtn(), QStringLiteral("note-mode-checklist"));
    setting().setNoteMode(1);
    editor->setModeNoteState();
    saveScreenshot(editor->modeBtn(), QStringLiteral("note-mode-text"));
}

}  // namespace NoteContentViewTests
