#include "TimezoneSearchView.h"

#include "Button.h"
#include "Event.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Screenshot.h"
#include "ScrollView.h"
#include "VRLPopover.h"
#include "Window.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace TimezoneSearchViewTests {

namespace {

QList<TimezoneObj> zoneTable()
{
    return {
        {0, QStringLiteral("(GMT+?\?\?\?) Floating"), QStringLiteral("Floating"), QStringLiteral("Floating")},
        {1, QStringLiteral("(GMT-03:00) America/Sao_Paulo"), QStringLiteral("São Paulo"), QStringLiteral("America/Sao_Paulo")},
        {2, QStringLiteral("(GMT+01:00) Europe/Paris"), QStringLiteral("Paris"), QStringLiteral("Europe/Paris")},
        {3, QStringLiteral("(GMT+01:00) Europe/Zurich"), QStringLiteral("Zürich"), QStringLiteral("Europe/Zurich")},
        {4, QStringLiteral("(GMT+09:00) Asia/Tokyo"), QStringLiteral("Tokyo"), QStringLiteral("Asia/Tokyo")},
        {5, QStringLiteral("(GMT+05:30) Asia/Kolkata"), QStringLiteral("Kolkata"), QStringLiteral("Asia/Kolkata")},
        // Not a real zone: a name full of characters a pattern would read.
        {6, QStringLiteral("(GMT+00:00) Test/50%_[x]'s.*"), QStringLiteral("50%_[x]'s.*"), QStringLiteral("Test/x")},
    };
}

class RecordingDelegate : public TimezoneSearchViewDelegate {
public:
    void changeItemTo(const TimezoneObj& zone) override { chosen.append(zone.tzId); }
    QList<qint64> chosen;
};

QList<qint64> listedIds(const TimezoneSearchView& picker)
{
    QList<qint64> ids;
    for (const TimezoneItemView* row : picker.filteredItems()) ids.append(row->obj().tzId);
    return ids;
}

void sendKey(QWidget* target, Qt::Key key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

Event keyEvent(quint16 keyCode)
{
    Event event;
    event.type = EventType::KeyDown;
    event.keyCode = keyCode;
    return event;
}

// A press or release as the application object tells the list of it.
Event mouseEvent(EventType type, QWidget* window, const QPointF& inWindow)
{
    Event event;
    event.type = type;
    event.window = window;
    event.locationInWindow = inWindow;
    event.clickCount = 1;
    return event;
}

void postClose(const NotificationPayload& object = {})
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTimeZoneListCloseNotification, object);
}

// A picker 260 wide, indent 170, at (20, 200) in a 400 × 400 window.
class TimezoneSearchViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window::setAnimationDurationScale(0);
        window = std::make_unique<Window>(QRectF(100, 100, 400, 400));
        picker = new TimezoneSearchView(QRectF(20, 200, 260, 20), 170);
        window->contentView()->addSubview(picker);
        picker->setItems(zoneTable());
        picker->setDelegate(&delegate);
        window->orderFront();
    }
    void TearDown() override
    {
        window.reset();
        Window::setAnimationDurationScale(1);
    }
    // The centre of a row of the list, in the list window's coordinates.
    QPointF rowInListWindow(int row) const
    {
        MyTableView* list = picker->listView();
        return list->convertPointToWindow(list->rectOfRow(row).center());
    }

    std::unique_ptr<Window> window;
    TimezoneSearchView* picker = nullptr;
    RecordingDelegate delegate;
};

}  // namespace

TEST_F(TimezoneSearchViewTest, FieldButtonAndListHaveTheirPlaces)
{
    EXPECT_EQ(picker->searchField()->frame(), QRectF(170, 0, 70, 20));
    EXPECT_EQ(picker->dropdownBtn()->frame(), QRectF(240, 0, 20, 20));
    EXPECT_FALSE(picker->dropdownBtn()->image().isNull()) << "the button's globe";
    EXPECT_EQ(picker->scrollView()->frame().size(), QSizeF(260, 150));
    EXPECT_EQ(picker->listView()->rowHeight(), 22);
    EXPECT_EQ(picker->position(), 3);
    EXPECT_EQ(picker->popover()->position(), 3);
    EXPECT_EQ(picker->popover()->arrowHeight(), 0);
    picker->setPosition(1);
    EXPECT_EQ(picker->popover()->position(), 1);

    // An indent that is not a length is taken as none.
    TimezoneSearchView odd(QRectF(0, 0, 100, 20), std::nan(""));
    EXPECT_EQ(odd.searchField()->frame(), QRectF(0, 0, 80, 20));
}

TEST_F(TimezoneSearchViewTest, SearchIsAPlainSubstringIgnoringCaseAndAccents)
{
    struct Case {
        QString text;
        bool excludeFloating;
        QList<qint64> expected;
    };
    const Case cases[] = {
        {QString(), false, {0, 1, 2, 3, 4, 5, 6}},
        {QString(), true, {1, 2, 3, 4, 5, 6}},
        {QStringLiteral("paris"), false, {2}},
        {QStringLiteral("PAR"), false, {2}},
        {QStringLiteral("sao"), false, {1}},         // São Paulo without its accent
        {QStringLiteral("são"), false, {1}},
        {QStringLiteral("zurich"), false, {3}},      // the city Zürich, and its zone name
        {QStringLiteral("ZÜRICH"), false, {3}},
        {QStringLiteral("gmt+01"), false, {2, 3}},
        {QStringLiteral("float"), false, {0}},
        {QStringLiteral("float"), true, {}},
        {QStringLiteral("Floating"), true, {}},
        // Characters a pattern would read are only themselves.
        {QStringLiteral("%"), false, {6}},
        {QStringLiteral("_[x]"), false, {6}},
        {QStringLiteral("'s"), false, {6}},
        {QStringLiteral(".*"), false, {6}},
        {QStringLiteral("a.*o"), false, {}},
        {QStringLiteral("[a-z]"), false, {}},
        {QStringLiteral("\""), false, {}},
        {QStringLiteral("asia/k"), false, {5}},
        {QStringLiteral("nowhere"), false, {}},
    };
    for (const Case& c : cases) {
        picker->setExcludeFloatingTZ(c.excludeFloating);
        picker->search(c.text);
        EXPECT_EQ(listedIds(*picker), c.expected) << c.text.toStdString() << " exclude " << c.excludeFloating;
        for (const TimezoneObj& zone : zoneTable())
            EXPECT_EQ(TimezoneSearchView::zoneMatches(zone, c.text, c.excludeFloating), c.expected.contains(zone.tzId))
                << c.text.toStdString() << " " << zone.tzName.toStdString();
    }
    // The rows show the zones' names.
    picker->search(QStringLiteral("tokyo"));
    ASSERT_EQ(picker->filteredItems().size(), 1);
    EXPECT_EQ(picker->filteredItems().front()->label()->stringValue(), QStringLiteral("(GMT+09:00) Asia/Tokyo"));
    picker->search(QStringLiteral("float"));
    ASSERT_EQ(picker->filteredItems().size(), 1);
    EXPECT_EQ(picker->filteredItems().front()->label()->stringValue(), QStringLiteral("Floating")) << "no offset of its own";
}

TEST_F(TimezoneSearchViewTest, TypingShowsTheMatchesAndTheButtonToggles)
{
    picker->setExcludeFloatingTZ(true);
    QLineEdit* editor = picker->searchField()->editor();
    editor->setText(QStringLiteral("a"));
    Q_EMIT editor->textEdited(editor->text());
    ASSERT_TRUE(picker->isListShown());
    EXPECT_EQ(picker->popover()->popoverWindow()->parentWindow(), window.get());
    EXPECT_EQ(picker->listView()->rowCount(), picker->filteredItems().size());
    editor->setText(QStringLiteral("tok"));
    Q_EMIT editor->textEdited(editor->text());
    EXPECT_EQ(listedIds(*picker), QList<qint64>{4});
    EXPECT_EQ(picker->listView()->rowCount(), 1);
    EXPECT_EQ(picker->scrollView()->frame().height(), picker->listView()->frame().height()) << "no empty band under the row";

    picker->dropdownBtn()->performClick();
    EXPECT_FALSE(picker->isListShown());
    EXPECT_TRUE(delegate.chosen.isEmpty()) << "the button chooses nothing";
    picker->dropdownBtn()->performClick();
    ASSERT_TRUE(picker->isListShown());
    EXPECT_EQ(listedIds(*picker), (QList<qint64>{1, 2, 3, 4, 5, 6})) << "the whole table, floating left out";
    EXPECT_EQ(picker->listView()->rowCount(), 6);
    EXPECT_GE(picker->listView()->frame().height(), 6 * 22) << "the list scrolls over every row";
}

// A table given as a source is read once, by the first use that needs it,
// and the list that use opens stays open with the matches.
TEST_F(TimezoneSearchViewTest, ATableSourceIsReadOnceByTheFirstUseThatNeedsIt)
{
    struct Case {
        const char* use;
        std::function<void(TimezoneSearchView&)> act;
        QList<qint64> listed;
        bool listShown;
    };
    const QList<Case> cases = {
        {"typing", [](TimezoneSearchView& view) {
             QLineEdit* editor = view.searchField()->editor();
             editor->setText(QStringLiteral("par"));
             Q_EMIT editor->textEdited(editor->text());
         }, {2}, true},
        {"the list button", [](TimezoneSearchView& view) { view.dropdownBtn()->performClick(); }, {0, 1, 2, 3, 4, 5, 6}, true},
        {"asking for the table", [](TimezoneSearchView& view) { EXPECT_EQ(view.items().size(), 7); }, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.use);
        int reads = 0;
        picker->setItemsSource([&reads] {
            ++reads;
            return zoneTable();
        });
        picker->setCurrentTZ(zoneTable()[4]);
        EXPECT_EQ(reads, 0) << "showing the current zone needs no table";
        c.act(*picker);
        EXPECT_EQ(reads, 1);
        EXPECT_EQ(listedIds(*picker), c.listed);
        EXPECT_EQ(picker->isListShown(), c.listShown);
        picker->search(QStringLiteral("ky"));
        EXPECT_EQ(listedIds(*picker), QList<qint64>{4});
        EXPECT_EQ(reads, 1) << "read once";
        picker->setItems(zoneTable().mid(0, 2));
        EXPECT_EQ(picker->items().size(), 2) << "a table given later replaces the source";
        EXPECT_EQ(reads, 1);
    }
}

TEST_F(TimezoneSearchViewTest, ArrowsInTheFieldSelectTheFirstAndTheLastMatch)
{
    picker->showAll();
    QLineEdit* editor = picker->searchField()->editor();
    sendKey(editor, Qt::Key_Down);
    EXPECT_EQ(picker->listView()->selectedRow(), 0);
    EXPECT_EQ(picker->searchField()->stringValue(), QStringLiteral("Floating")) << "the row's city, not chosen yet";
    EXPECT_TRUE(delegate.chosen.isEmpty());
    sendKey(editor, Qt::Key_Up);
    EXPECT_EQ(picker->listView()->selectedRow(), 6);

    // The list's own arrows move the selection.
    picker->listView()->keyDown(keyEvent(KeyCode::UpArrow));
    EXPECT_EQ(picker->listView()->selectedRow(), 5);
    picker->listView()->keyDown(keyEvent(KeyCode::DownArrow));
    picker->listView()->keyDown(keyEvent(KeyCode::DownArrow));
    EXPECT_EQ(picker->listView()->selectedRow(), 6) << "stops at the last row";

    // No matches: nothing to select.
    picker->search(QStringLiteral("nowhere"));
    picker->listView()->reloadAndFit();
    EXPECT_TRUE(picker->doCommand(picker->searchField(), FieldCommand::MoveDown));
    EXPECT_TRUE(picker->doCommand(picker->searchField(), FieldCommand::MoveUp));
    EXPECT_EQ(picker->listView()->selectedRow(), -1);
    EXPECT_FALSE(picker->doCommand(picker->searchField(), FieldCommand::InsertTab));
}

TEST_F(TimezoneSearchViewTest, KeysInTheListChooseOrKeepThePreviousZone)
{
    picker->setCurrentTZ(zoneTable()[2]);  // Paris
    // Escape keeps the previous zone.
    picker->showAll();
    picker->makeListViewBecomFirstResponder(4);
    picker->listView()->keyDown(keyEvent(KeyCode::Escape));
    EXPECT_FALSE(picker->isListShown());
    EXPECT_TRUE(delegate.chosen.isEmpty());
    EXPECT_EQ(picker->searchField()->stringValue(), QStringLiteral("Paris"));
    EXPECT_EQ(picker->currentTZ()->tzId, 2);

    // Return chooses the selected row; so does keypad Enter.
    for (quint16 key : {KeyCode::Return, KeyCode::KeypadEnter}) {
        delegate.chosen.clear();
        picker->showAll();
        picker->makeListViewBecomFirstResponder(4);
        picker->listView()->keyDown(keyEvent(key));
        EXPECT_FALSE(picker->isListShown()) << key;
        EXPECT_EQ(delegate.chosen, QList<qint64>{4}) << key;
        EXPECT_EQ(picker->searchField()->stringValue(), QStringLiteral("Tokyo")) << key;
    }

    // Escape in the field closes and chooses the selected row.
    delegate.chosen.clear();
    picker->showAll();
    picker->makeListViewBecomFirstResponder(5);
    EXPECT_FALSE(picker->doCommand(picker->searchField(), FieldCommand::Cancel)) << "left to the field as well";
    EXPECT_FALSE(picker->isListShown());
    EXPECT_EQ(delegate.chosen, QList<qint64>{5});

    // Return in the field, typed key by key: the first match; a text that
    // names no zone leaves the zone in force, and the field shows it.
    const struct {
        QString typed;
        std::vector<qint64> chosen;  // (an empty QList compares through memcmp of no pointer)
        QString field;
    } typedCases[] = {
        {QStringLiteral("tok"), {4}, QStringLiteral("Tokyo")},
        {QStringLiteral("gmt+01"), {2}, QStringLiteral("Paris")},
        {QStringLiteral("kyo x"), {}, QStringLiteral("Paris")},
    };
    for (const auto& c : typedCases) {
        delegate.chosen.clear();
        QLineEdit* editor = picker->searchField()->editor();
        editor->clear();
        for (const QChar ch : c.typed) sendKey(editor, Qt::Key_unknown, QString(ch));
        EXPECT_EQ(editor->text(), c.typed) << "every letter kept";
        EXPECT_TRUE(picker->isListShown());
        sendKey(editor, Qt::Key_Return);
        EXPECT_FALSE(picker->isListShown()) << c.typed.toStdString();
        EXPECT_EQ(std::vector<qint64>(delegate.chosen.cbegin(), delegate.chosen.cend()), c.chosen) << c.typed.toStdString();
        EXPECT_EQ(picker->searchField()->stringValue(), c.field) << c.typed.toStdString();
    }
}

TEST_F(TimezoneSearchViewTest, ThePressesOfTheCloseNotificationByWhereTheyAre)
{
    picker->showAll();
    ASSERT_TRUE(picker->isListShown());
    // On the field and on the button: theirs, the list stays.
    for (const QPointF point : {QPointF(200, 10), QPointF(250, 10)}) {
        const QPointF inWindow = picker->convertPointToWindow(point);
        postClose(mouseEvent(EventType::LeftMouseDown, window.get(), inWindow));
        EXPECT_TRUE(picker->isListShown()) << point.x();
    }
    // Elsewhere in the window: closed, nothing chosen.
    postClose(mouseEvent(EventType::LeftMouseDown, window.get(), QPointF(5, 5)));
    EXPECT_FALSE(picker->isListShown());
    EXPECT_TRUE(delegate.chosen.isEmpty());

    // A press in the list does nothing; a release on its last row chooses it.
    picker->showAll();
    VRLPopoverWindow* list = picker->popover()->popoverWindow();
    postClose(mouseEvent(EventType::LeftMouseDown, list, rowInListWindow(5)));
    EXPECT_TRUE(picker->isListShown());
    postClose(mouseEvent(EventType::LeftMouseUp, list, rowInListWindow(6)));
    EXPECT_FALSE(picker->isListShown());
    EXPECT_EQ(delegate.chosen, QList<qint64>{6});
    EXPECT_EQ(picker->currentTZ()->tzId, 6);

    // A release below the rows, and objects that are neither, do nothing.
    picker->search(QStringLiteral("paris"));
    picker->showAll();
    picker->search(QStringLiteral("paris"));
    picker->listView()->reloadAndFit();
    postClose(mouseEvent(EventType::LeftMouseUp, list, picker->listView()->convertPointToWindow(QPointF(10, 140))));
    postClose(QStringLiteral("not an event"));
    EXPECT_TRUE(picker->isListShown());
    postClose(qint64(0));
    EXPECT_FALSE(picker->isListShown());
    EXPECT_EQ(delegate.chosen, QList<qint64>{6});
}

TEST_F(TimezoneSearchViewTest, APressedRowIsChosenAndClosesTheList)
{
    picker->showAll();
    MyTableView* list = picker->listView();
    const QPointF inWindow = rowInListWindow(3);
    list->mouseDown(mouseEvent(EventType::LeftMouseDown, picker->popover()->popoverWindow(), inWindow));
    EXPECT_FALSE(picker->isListShown());
    EXPECT_EQ(delegate.chosen, QList<qint64>{3});
    // Its release, posted as the list's close notification, chooses nothing more.
    list->mouseUp(mouseEvent(EventType::LeftMouseUp, picker->popover()->popoverWindow(), inWindow));
    EXPECT_EQ(delegate.chosen, QList<qint64>{3});
    EXPECT_EQ(picker->searchField()->stringValue(), QStringLiteral("Zürich"));
}

TEST_F(TimezoneSearchViewTest, ClosingPutsTheCurrentCityBackOrLeavesTheTypedText)
{
    QLineEdit* editor = picker->searchField()->editor();
    editor->setText(QStringLiteral("tok"));
    Q_EMIT editor->textEdited(editor->text());
    ASSERT_TRUE(picker->isListShown());
    EXPECT_TRUE(picker->closeListDataView());
    EXPECT_EQ(picker->searchField()->stringValue(), QStringLiteral("tok")) << "no current zone";
    EXPECT_FALSE(picker->closeListDataView()) << "nothing left to close";

    picker->setCurrentTZ(zoneTable()[5]);
    editor->setText(QStringLiteral("par"));
    Q_EMIT editor->textEdited(editor->text());
    EXPECT_TRUE(picker->closeListDataView());
    EXPECT_EQ(picker->searchField()->stringValue(), QStringLiteral("Kolkata"));

    // None leaves the field as it is.
    picker->setCurrentTZ(std::nullopt);
    EXPECT_EQ(picker->searchField()->stringValue(), QStringLiteral("Kolkata"));
}

TEST_F(TimezoneSearchViewTest, DisabledPickerNeitherEditsNorOpens)
{
    picker->setEnalble(false);
    EXPECT_FALSE(picker->searchField()->isEditable());
    picker->dropdownBtn()->performClick();
    EXPECT_FALSE(picker->isListShown());
    picker->setEnalble(true);
    picker->dropdownBtn()->performClick();
    EXPECT_TRUE(picker->isListShown());
}

TEST_F(TimezoneSearchViewTest, ADelegateThatGoesIsForgotten)
{
    struct ObjectDelegate : QObject, TimezoneSearchViewDelegate {
        void changeItemTo(const TimezoneObj&) override { ++count; }
        int count = 0;
    };
    auto owner = std::make_unique<ObjectDelegate>();
    picker->setDelegate(owner.get());
    EXPECT_EQ(picker->delegate(), owner.get());
    owner.reset();
    EXPECT_EQ(picker->delegate(), nullptr);
    picker->showAll();
    picker->makeListViewBecomFirstResponder(1);
    postClose();  // chooses with no one to tell
    EXPECT_EQ(picker->currentTZ()->tzId, 1);
}

TEST(TimezoneSearchViewGeometry, TheListHangsAboveOrBelowTheControl)
{
    // The control at (20, 200) to (280, 220) in window coordinates.
    const QRectF control(20, 200, 260, 20);
    struct Case {
        int position;
        QPointF expected;
    };
    const Case cases[] = {
        {3, QPointF(150, 230)},   // 10 above its top
        {1, QPointF(150, 197)},   // 3 under the field
        {0, QPointF(150, 77)},    // the frame's own y
        {12, QPointF(150, 77)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TimezoneSearchView::listAttachmentPoint(c.position, control, QPointF(20, 77), false, QPointF()),
                  c.expected)
            << c.position;
    // Inside a popover: the height comes from the control's offset; a control
    // far into its view moves right.
    EXPECT_EQ(TimezoneSearchView::listAttachmentPoint(1, control, QPointF(20, 1), true, QPointF(-5, -40)),
              QPointF(150, 40));
    EXPECT_EQ(TimezoneSearchView::listAttachmentPoint(1, control, QPointF(20, 1), true, QPointF(-30, -40)),
              QPointF(170, 40));
}

TEST_F(TimezoneSearchViewTest, ShownAboveOrBelowTheFieldInTheParentWindow)
{
    for (int position : {3, 1}) {
        picker->setPosition(position);
        picker->showAll();
        VRLPopoverWindow* list = picker->popover()->popoverWindow();
        const QRectF listFrame = list->frame();
        const QRectF field = picker->convertRectToWindow(picker->bounds()).translated(window->frame().topLeft());
        if (position == 3)
            EXPECT_GE(listFrame.y(), field.y() + field.height()) << "above the control";
        else
            EXPECT_LE(listFrame.y() + listFrame.height(), field.y()) << "below the control";
        EXPECT_NEAR(listFrame.center().x(), field.center().x(), 1.0);
        picker->closeListDataView();
    }
}

TEST_F(TimezoneSearchViewTest, PictureWithTheListOpenAboveTheField)
{
    picker->setCurrentTZ(zoneTable()[2]);
    picker->showAll();
    picker->makeListViewBecomFirstResponder(2);
    VRLPopoverWindow* list = picker->popover()->popoverWindow();
    const QRectF parentFrame = window->frame();
    const QRectF listFrame = list->frame();
    const QRectF all = parentFrame.united(listFrame);
    QImage picture(all.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(QColor(90, 90, 90));
    {
        QPainter painter(&picture);
        // Our frames have y up: the top of the picture is the largest y.
        const auto place = [&](const QRectF& frame) {
            return QPoint(int(frame.x() - all.x()), int(all.y() + all.height() - frame.y() - frame.height()));
        };
        window->render(&painter, place(parentFrame));
        list->render(&painter, place(listFrame));
    }
    EXPECT_TRUE(picture.save(QDir(screenshotFolder()).filePath(QStringLiteral("timezone-picker-list-above.png"))));
}

}  // namespace TimezoneSearchViewTests
