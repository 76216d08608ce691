// The tray item in a real tray: run on xcb under Xvfb with a tray program
// (trayer) started first. Skipped where the desktop has no tray.
#include "TrayStatusItem.h"

#include "Screen.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>

namespace {

QImage glyph()
{
    QImage image(QSize(22, 22), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(QRect(7, 7, 8, 8), Qt::black);
    return image;
}

// The window Qt embeds into the tray for the icon (the tray hosts no view
// of ours; this one is Qt's own).
QWidget* trayIconWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qstrcmp(window->metaObject()->className(), "QSystemTrayIconSys") == 0 && window->isVisible())
            return window;
    return nullptr;
}

class TrayStatusItemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "no tray on this desktop";
        item = std::make_unique<TrayStatusItem>();
        item->setImage(glyph());
        ASSERT_TRUE(processEventsUntil([&] { return !item->rectOnScreen().isEmpty() && trayIconWindow(); }));
    }

    void press(Qt::MouseButton button)
    {
        QWidget* window = trayIconWindow();
        const QPointF at = QRectF(window->rect()).center();
        QMouseEvent event(QEvent::MouseButtonPress, at, window->mapToGlobal(at), button, button, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &event);
        QMouseEvent release(QEvent::MouseButtonRelease, at, window->mapToGlobal(at), button, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(window, &release);
    }

    std::unique_ptr<TrayStatusItem> item;
};

TEST_F(TrayStatusItemTest, TheTrayGivesARectOnScreenAndWindowsHangFromItsBottomMiddle)
{
    EXPECT_TRUE(item->isAvailable());
    const QRectF rect = item->rectOnScreen();
    const QRectF screen = Screen::fromQt(QRectF(QGuiApplication::primaryScreen()->geometry()));
    EXPECT_TRUE(screen.contains(rect));
    EXPECT_EQ(item->hangingPoint(), QPointF(rect.center().x(), rect.y()));
    EXPECT_LT(rect.width(), 100) << "an icon's size, not a whole panel";
}

TEST_F(TrayStatusItemTest, ALeftClickCallsTheHandlerAndARightClickOpensTheMenu)
{
    int clicks = 0;
    item->setClickHandler([&] { ++clicks; });
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"));
    item->setMenu(&menu);

    press(Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(menu.isVisible());

    press(Qt::RightButton);
    EXPECT_TRUE(processEventsUntil([&] { return menu.isVisible(); }, 2000));
    EXPECT_EQ(clicks, 1) << "a right click is no click";
    menu.hide();
}

TEST_F(TrayStatusItemTest, TheHighlightIsDrawnIntoTheIconTheTrayShows)
{
    QWidget* window = trayIconWindow();
    // A point beside the glyph, inside the highlight's rounded rectangle.
    const QPoint beside(window->width() / 8 + 1, window->height() / 2);
    const QColor before = window->grab().toImage().pixelColor(beside);
    item->setHighlighted(true);
    QCoreApplication::processEvents();
    const QColor highlighted = window->grab().toImage().pixelColor(beside);
    EXPECT_NE(highlighted, before);
    const QColor selection = QGuiApplication::palette().color(QPalette::Highlight);
    // Translucent over the tray's own background: nearer the selection colour
    // than before, never exactly it.
    auto distance = [&](const QColor& c) {
        return std::abs(c.red() - selection.red()) + std::abs(c.green() - selection.green())
               + std::abs(c.blue() - selection.blue());
    };
    EXPECT_LT(distance(highlighted), distance(before));
    item->setHighlighted(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->grab().toImage().pixelColor(beside), before);
}

}  // namespace
