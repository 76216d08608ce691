#pragma once

// The category views over a test database: a real data manager with its
// settings, a recording main view, scripted questions and a shown window to
// anchor popovers at.
#include "../Model/TaskTestFixture.h"
#include "Calendar.h"
#include "Clicks.h"
#include "RecordingMainView.h"
#include "Screen.h"
#include "Setting.h"
#include "ScriptedAlertPresenter.h"
#include "Task.h"
#include "View.h"
#include "Window.h"

#include <QApplication>

#include <memory>

class CategoriesViewTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        // The stored settings row, so what the views save can be read back.
        m_stored = Setting::initWithPrimaryKey(1, db());
        ASSERT_TRUE(m_stored);
        dataManager().setCurrentSetting(m_stored);
        Window::setAnimationDurationScale(0);
        const QRectF visible = Screen::mainVisibleFrame();
        window = std::make_unique<Window>(
            QRectF(visible.center().x() - 300, visible.center().y() - 250, 600, 500), BorderlessWindowMask);
        anchor = new View(QRectF(280, 200, 20, 20));
        window->contentView()->addSubview(anchor);
        window->makeKeyAndOrderFront();
        QApplication::processEvents();
    }

    void TearDown() override
    {
        window.reset();
        QApplication::processEvents();
        Window::setAnimationDurationScale(1);
        TaskTest::TearDown();
    }

    Setting& setting() { return *m_stored; }

    TaskPtr itemIn(const CalendarPtr& category, const QString& name, const QString& tags = QString())
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setCalendarId(category->primaryKey());
        item->setTagList(tags);
        EXPECT_TRUE(item->insertIntoDatabase());
        EXPECT_TRUE(item->dehydrate());
        return item;
    }

    // The names in the working list, sorted.
    QStringList listedNames()
    {
        QStringList names;
        for (const TaskPtr& item : dataManager().allTasksEventsAdes()) names << item->taskName();
        names.sort();
        return names;
    }

    // A press elsewhere in the anchor's window, as a user's.
    void pressElsewhere() { Clicks::click(window.get(), QPoint(5, 5)); }

    RecordingMainView main;
    ScriptedAlertPresenter alerts;
    std::unique_ptr<Window> window;
    View* anchor = nullptr;

private:
    SettingPtr m_stored;
};
