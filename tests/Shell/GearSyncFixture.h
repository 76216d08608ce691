#pragma once

// The main view in a window of the kit over a test database, for the tests
// of the gear menu, its shortcuts and the web-sync trigger: alerts are
// scripted, pages go to a recording opener, timers to a manual scheduler.
#include "MainView.h"
#include "MainViewHeight.h"

#include "../Model/ModelTestFixture.h"
#include "ManualScheduler.h"
#include "RecordingUrlOpener.h"
#include "Scheduler.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "TestEnvironment.h"
#include "Window.h"

#include <QApplication>
#include <QKeyEvent>

#include <memory>

class GearSyncTest : public ModelTest {
protected:
    static constexpr double H = 700;

    void SetUp() override
    {
        ModelTest::SetUp();
        dataManager().setCurrentSetting(Setting::initWithPrimaryKey(1, db()));
        ASSERT_TRUE(dataManager().currentSetting());
        Scheduler::setCurrent(&scheduler);
        m_previousHeight = mainViewHeight;
        mainViewHeight = quint64(H);
        m_previousReachable = internetReachable.load();
    }

    void TearDown() override
    {
        if (m_view) MainView::setCurrent(nullptr);
        m_window.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Scheduler::setCurrent(nullptr);
        mainViewHeight = m_previousHeight;
        internetReachable = m_previousReachable;
        ModelTest::TearDown();
    }

    Setting& setting() { return *dataManager().currentSetting(); }

    // The main view as the content of a window placed at (x, y) of the
    // screen (ours); shown and in front when `shown`.
    MainView& openMainView(bool shown = true, const QPointF& origin = QPointF(200, 60))
    {
        m_window = std::make_unique<Window>(QRectF(origin, QSizeF(310, H)), BorderlessWindowMask);
        m_view = new MainView(QRectF(0, 0, 310, H));
        m_window->setContentView(m_view);
        MainView::setCurrent(m_view);
        if (shown) bringToFront();
        return *m_view;
    }

    void bringToFront()
    {
        m_window->makeKeyAndOrderFront();
        QApplication::setActiveWindow(m_window.get());
        processEventsUntil([this] { return m_view->isWindowVisible() && m_view->isKeyWindow(); });
    }

    // A key as the keyboard gives it: offered to the window's shortcuts first.
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : m_window.get();
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers);
        QApplication::sendEvent(target, &release);
    }

    ManualScheduler scheduler;
    ScriptedAlertPresenter alerts;
    RecordingUrlOpener pages;
    std::unique_ptr<Window> m_window;
    MainView* m_view = nullptr;

private:
    quint64 m_previousHeight = 0;
    bool m_previousReachable = false;
};
