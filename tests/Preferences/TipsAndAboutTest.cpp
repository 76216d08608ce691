// The tips beside the panes and the About panel, built offscreen and driven
// by constructed mouse events.
#include "AboutUsPanel.h"
#include "AboutUsView.h"
#include "Button.h"
#include "CoreData.h"
#include "GuruView.h"
#include "GuruViewController.h"
#include "ImageView.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "Popover.h"
#include "RecordingUrlOpener.h"
#include "Screen.h"
#include "Screenshot.h"
#include "TestEnvironment.h"
#include "TextField.h"
#include "TextTable.h"
#include "Window.h"
#include "ZVWService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QMouseEvent>

#include <memory>

namespace TipsAndAboutTests {

// A move or press at a point given from the view's bottom-left corner.
void mouseAt(View& view, QEvent::Type type, const QPointF& fromBottomLeft)
{
    const QPointF qt(fromBottomLeft.x(), view.frame().height() - fromBottomLeft.y());
    const bool down = type == QEvent::MouseButtonPress;
    QMouseEvent event(type, qt, view.mapToGlobal(qt), down ? Qt::LeftButton : Qt::NoButton,
                      down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &event);
}

TEST(GuruViewTest, EveryTipTypeHasItsPagesAndEachPageItsPicture)
{
    struct Case {
        int type;
        int pages;
        const char* key;
    };
    const Case cases[] = {{0, 1, "GuruMiniMonthText"}, {1, 2, "GuruDayCalText"}, {2, 1, "guruListText"},
                          {3, 1, "guruCategoryText"},  {4, 1, "guruContextText"}, {5, 1, "guruNotetext"},
                          {6, 1, ""},                  {-1, 1, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        GuruView tip(c.type);
        EXPECT_EQ(tip.maxPages(), c.pages);
        EXPECT_EQ(tip.currentPage(), 1);
        const QString base = *c.key ? TextTable::localizedString(QString::fromLatin1(c.key)) : QString();
        EXPECT_EQ(tip.imageName(), base);
        if (base.isEmpty()) {
            // An unknown type shows an empty tip.
            EXPECT_TRUE(tip.guruImageView()->image().isNull());
            EXPECT_EQ(tip.frame().size(), QSizeF(0, 0));
            continue;
        }
        for (int page = 1; page <= c.pages; ++page) {
            const QImage picture = NamedImages::imageNamed(base + QString::number(page));
            ASSERT_FALSE(picture.isNull()) << "no picture for page " << page;
            tip.setCurrentPage(page);
            EXPECT_EQ(tip.frame().size(), QSizeF(picture.size()) / picture.devicePixelRatio());
            EXPECT_EQ(tip.guruImageView()->frame(), tip.bounds());
            // The arrows stand level in the middle, at the sides.
            const double v = std::round((tip.frame().height() - 45) / 2);
            EXPECT_EQ(tip.prevPage()->frame(), QRectF(5, v, 45, 45));
            EXPECT_EQ(tip.nextPage()->frame(), QRectF(tip.frame().width() - 50, v, 45, 45));
        }
    }
    EXPECT_EQ(GuruView::imageNameOfPage(5, 1), TextTable::localizedString(QStringLiteral("guruNotetext")) + "1");
}

TEST(GuruViewTest, EveryTipPageShowsItsWordsWhole)
{
    struct Case {
        int type;
        int page;
        const char* key;
    };
    const Case cases[] = {{0, 1, "guruMiniMonthWords1"}, {1, 1, "guruDayCalWords1"},  {1, 2, "guruDayCalWords2"},
                          {2, 1, "guruListWords1"},      {3, 1, "guruCategoryWords1"}, {4, 1, "guruContextWords1"},
                          {5, 1, "guruNoteWords1"},      {6, 1, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << "/" << c.page);
        GuruView tip(c.type);
        tip.setCurrentPage(c.page);
        if (!*c.key) {
            EXPECT_TRUE(tip.words().isEmpty());
            continue;
        }
        const QString words = TextTable::localizedString(QString::fromLatin1(c.key));
        ASSERT_FALSE(words.isEmpty());
        EXPECT_EQ(tip.words(), words);
        // The strip lies inside the tip and clear of the site spot, and the
        // words, wrapped, fit it whole in a readable size.
        const QRectF strip = GuruView::wordsRect(tip.frame().size());
        EXPECT_TRUE(tip.bounds().contains(strip));
        EXPECT_FALSE(strip.intersects(GuruView::siteSpot()));
        EXPECT_GE(tip.wordsFont().pointSizeF(), 8);
        const QRectF needed = QFontMetricsF(tip.wordsFont())
                                  .boundingRect(QRectF(QPointF(0, 0), strip.size()),
                                                Qt::AlignLeft | Qt::TextWordWrap, words);
        EXPECT_LE(needed.width(), strip.width());
        EXPECT_LE(needed.height(), strip.height());
        // The words are drawn: the blank strip of the picture holds ink.
        const QImage shown = tip.snapshot().convertToFormat(QImage::Format_RGB32);
        const QRect inQt(int(strip.x()), int(tip.frame().height() - strip.bottom()), int(strip.width()),
                         int(strip.height()));
        int ink = 0;
        for (int y = inQt.top(); y <= inQt.bottom(); ++y) {
            for (int x = inQt.left(); x <= inQt.right(); ++x) ink += qGray(shown.pixel(x, y)) < 128;
        }
        EXPECT_GT(ink, 30);
        saveScreenshot(&tip, QStringLiteral("tip-%1-%2").arg(c.type).arg(c.page));
    }
}

TEST(GuruViewTest, TheArrowsShowOnlyUnderTheMouseAndNeverLeaveThePages)
{
    enum Step { Start, Enter, Leave, Next, Prev };
    struct Case {
        int type;
        Step step;
        int page;
        bool prevShown;
        bool nextShown;
    };
    const Case cases[] = {
        {1, Start, 1, false, false}, {1, Enter, 1, false, true}, {1, Next, 2, true, false},
        {1, Next, 2, true, false},   {1, Leave, 2, false, false}, {1, Enter, 2, true, false},
        {1, Prev, 1, false, true},   {1, Prev, 1, false, true},   {1, Leave, 1, false, false},
        {5, Start, 1, false, false}, {5, Enter, 1, false, false}, {5, Next, 1, false, false},
        {5, Prev, 1, false, false},  {9, Enter, 1, false, false}, {9, Next, 1, false, false},
    };
    Window window(QRectF(100, 100, 400, 300), BorderlessWindowMask);
    GuruView* tip = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " step " << int(c.step));
        if (!tip || tip->typeOfGuru() != c.type) {
            tip = new GuruView(c.type);
            window.setContentView(tip);
            window.orderFront();
        }
        switch (c.step) {
        case Start: break;
        case Enter: mouseAt(*tip, QEvent::MouseMove, QPointF(150, 120)); break;
        case Leave: {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(tip, &leave);
            break;
        }
        case Next: tip->nextPage()->performClick(); break;
        case Prev: tip->prevPage()->performClick(); break;
        }
        EXPECT_EQ(tip->currentPage(), c.page);
        EXPECT_EQ(!tip->prevPage()->isHidden(), c.prevShown);
        EXPECT_EQ(!tip->nextPage()->isHidden(), c.nextShown);
    }
}

TEST(GuruViewTest, OnlyTheSiteSpotOpensTheServicesSiteAndShowsTheHand)
{
    struct Case {
        int type;
        QPointF at;  // from the tip's bottom-left corner
        bool opens;
    };
    const Case cases[] = {{1, {20, 40}, true},  {2, {20, 40}, true},    {5, {114, 47}, true},
                          {1, {150, 110}, false}, {1, {14, 40}, false}, {3, {20, 50}, false}};
    Window window(QRectF(100, 100, 400, 300), BorderlessWindowMask);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " at " << c.at.x() << "," << c.at.y());
        auto* tip = new GuruView(c.type);
        window.setContentView(tip);
        window.orderFront();
        RecordingUrlOpener opener;
        mouseAt(*tip, QEvent::MouseMove, c.at);
        EXPECT_EQ(View::currentCursorShape() == CursorShape::PointingHand, c.opens);
        mouseAt(*tip, QEvent::MouseButtonPress, c.at);
        mouseAt(*tip, QEvent::MouseButtonRelease, c.at);
        const QList<QUrl> expected =
            c.opens ? QList<QUrl>{QUrl(ZVWService::baseAddressFromConfiguration())} : QList<QUrl>{};
        EXPECT_EQ(opener.openedUrls(), expected);
        mouseAt(*tip, QEvent::MouseMove, QPointF(150, 110));
        EXPECT_EQ(View::currentCursorShape(), CursorShape::Arrow);
    }
}

class TipPopoverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window::setAnimationDurationScale(0);
        const QRectF visible = Screen::mainVisibleFrame();
        window = std::make_unique<Window>(
            QRectF(visible.center().x() - 150, visible.center().y() - 100, 300, 200), BorderlessWindowMask);
        anchor = new View(QRectF(100, 80, 60, 30));
        window->contentView()->addSubview(anchor);
        window->orderFront();
    }
    void TearDown() override { Window::setAnimationDurationScale(1); }

    std::unique_ptr<Window> window;
    View* anchor = nullptr;
};

TEST_F(TipPopoverTest, ATipOpensNewOnPageOneFollowsItsPagesAndClosesOnAskingOrAClickOutside)
{
    GuruViewController controller;
    // Closing with no tip open does nothing.
    NotificationCenter::defaultCenter().postNotificationName(Popover::shouldCloseNotification);
    EXPECT_EQ(controller.popover(), nullptr);

    enum Close { Asked, ClickOutside };
    for (Close close : {Asked, ClickOutside}) {
        SCOPED_TRACE(int(close));
        controller.showGuruPopOverAtPositionView(anchor, GuruViewController::DayCalendarTip);
        Popover* popover = controller.popover();
        ASSERT_NE(popover, nullptr);
        ASSERT_TRUE(popover->isShown());
        GuruView* tip = controller.customView();
        EXPECT_EQ(tip->currentPage(), 1) << "a new tip each time";
        EXPECT_EQ(popover->shownScreenEdge(), RectEdge::MaxY) << "above the anchor by default";
        EXPECT_EQ(popover->contentSize(), tip->frame().size());
        const QSizeF first = tip->frame().size();
        tip->goNext();
        EXPECT_NE(tip->frame().size(), first) << "the second picture has a size of its own";
        EXPECT_EQ(popover->contentSize(), tip->frame().size());
        if (close == Asked) {
            NotificationCenter::defaultCenter().postNotificationName(Popover::shouldCloseNotification);
        } else {
            const QPointF at(10, 10);
            QMouseEvent press(QEvent::MouseButtonPress, at, window->contentView()->mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window->contentView(), &press);
        }
        EXPECT_FALSE(popover->isShown());
        EXPECT_EQ(controller.popover(), nullptr) << "dropped when it closes";
    }
}

TEST(AboutUsTest, ThePanelShowsNameVersionAndLinkInTheirPlaces)
{
    EXPECT_EQ(AboutUsView::versionLine(QStringLiteral("3.1.4")), QStringLiteral("Version 3.1.4"));
    EXPECT_EQ(AboutUsView::versionLine(QString()), QStringLiteral("Version"));
    EXPECT_EQ(AboutUsView::versionLine(QStringLiteral("  ")), QStringLiteral("Version"));

    ScopedDataHome home(QStringLiteral("3.1.4"));
    auto data = std::make_unique<CoreData>();
    CoreData::setShared(data.get());
    ASSERT_TRUE(data->init());
    {
        AboutUsPanel panel;
        EXPECT_EQ(panel.windowTitle(), QStringLiteral("About Us"));
        EXPECT_EQ(panel.frame().size(), QSizeF(310, 430));
        AboutUsView* view = panel.aboutUs();
        EXPECT_EQ(view->frame(), QRectF(0, 0, 310, 420));
        EXPECT_EQ(view->iconView()->frame(), QRectF(123, 10, 64, 64));
        EXPECT_FALSE(view->iconView()->image().isNull());
        EXPECT_EQ(view->nameLabel()->frame().topLeft(), QPointF(95, 80));
        EXPECT_EQ(view->nameLabel()->stringValue(), QStringLiteral("Zoravel"));
        EXPECT_EQ(view->nameLabel()->textFont().name(), QStringLiteral("Lucida Grande Bold"));
        EXPECT_EQ(view->versionLabel()->frame().topLeft(), QPointF(105, 105));
        EXPECT_EQ(view->versionLabel()->stringValue(), QStringLiteral("Version 3.1.4"));
        EXPECT_EQ(view->linkLabel()->frame().topLeft(), QPointF(80, 130));
        EXPECT_FALSE(view->creditsLabel()->stringValue().isEmpty());

        panel.orderFront();
        RecordingUrlOpener opener;
        for (const QPointF& at : {QPointF(155, 200), QPointF(155, 140)}) {
            QMouseEvent press(QEvent::MouseButtonPress, at, view->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(view, &press);
        }
        EXPECT_EQ(opener.openedUrls(), QList<QUrl>{QUrl(AboutUsView::makerAddress)}) << "only the link opens";
        saveScreenshot(&panel, QStringLiteral("about-panel"));

    }
    CoreData::setShared(nullptr);
}

}  // namespace TipsAndAboutTests
