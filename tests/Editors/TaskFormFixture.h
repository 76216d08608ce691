#pragma once

#include "../Model/TaskTestFixture.h"
#include "AlertRows.h"
#include "Button.h"
#include "CustomNSDatePicker.h"
#include "CustomNSTextField.h"
#include "CustomNSTextField_NSNumberFormatter.h"
#include "CustomTextView.h"
#include "DetailRow.h"
#include "HourAndMinute.h"
#include "PopUpButton.h"
#include "RepeatRuleRows.h"
#include "SegmentedControl.h"
#include "TaskDetailView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <memory>

// The add panel as the task form sees it: the form's parent view is the
// panel, whose holder takes the new tasks.
class RecordingTaskHost : public View, public TaskDetailView::Host {
public:
    RecordingTaskHost() : View(QRectF(0, 0, 280, 400)) { panel = new View(QRectF(0, 0, 280, 300), this); }
    void addNewTask(const TaskPtr& task) override { added.append(task); }
    void resetData() override { ++resets; }
    View* panel = nullptr;
    TaskList added;
    int resets = 0;
};

// The task form over a test database (clock at Wednesday 15 January 2014,
// 10:07 in Paris; working days end at 17:00, Wednesday at 18:30).
class TaskFormTest : public TaskTest {
protected:
    void TearDown() override
    {
        m_form.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        TaskTest::TearDown();
    }

    // The edit form, 280 wide, as the popover makes it.
    TaskDetailView& editForm(const TaskPtr& item)
    {
        m_form.reset(makeTaskDetailView(item, nullptr));
        return *m_form;
    }

    TaskDetailView& addForm(QWidget* parentView = nullptr)
    {
        m_form = std::make_unique<TaskDetailView>(QRectF(0, 0, 280, 183));
        m_form->setParentView(parentView);
        m_form->resetData();
        return *m_form;
    }

    TaskPtr storedTask(const QString& name = QStringLiteral("Report"), bool due = true)
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(1);
        item->setTaskName(name);
        item->setCalendarId(1);
        item->setStartTime(localDate(2014, 1, 13, 9));
        item->setDueEnd(due ? localDate(2014, 1, 16, 9) : localDate(2014, 1, 13, 9));
        item->setHasDue(due ? 1 : 0);
        item->setDuration(taskMinutes);
        item->setHasDuration(1);
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }

    TaskPtr reread(const TaskPtr& item) { return Task::initWithPrimaryKey(item->primaryKey(), db()); }

    static void choose(PopUpButton* popUp, int tag)
    {
        ASSERT_NE(popUp, nullptr);
        for (int i = 0; i < popUp->numberOfItems(); ++i) {
            if (popUp->itemAtIndex(i)->tag == tag) {
                ASSERT_TRUE(popUp->performClickOnItem(i));
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                return;
            }
        }
        FAIL() << "no item with tag " << tag;
    }

    static int selectedTag(const PopUpButton* popUp)
    {
        return popUp && popUp->selectedItem() ? popUp->selectedItem()->tag : 0;
    }

    static bool itemEnabled(const PopUpButton* popUp, int tag)
    {
        for (const PopUpItem& item : popUp->items())
            if (item.tag == tag) return item.enabled;
        return false;
    }

    // Types into a field and moves the focus away, as the user ends an edit.
    void typeInto(TextField* field, const QString& text)
    {
        QWidget* window = m_form.get();
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        field->editor()->setFocus(Qt::OtherFocusReason);
        field->editor()->selectAll();
        if (text.isEmpty()) {
            QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
            QApplication::sendEvent(field->editor(), &erase);
        }
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key(c.toUpper().unicode()), Qt::NoModifier, QString(c));
            QApplication::sendEvent(field->editor(), &press);
        }
        m_form->title()->editor()->setFocus(Qt::OtherFocusReason);
        if (QApplication::focusWidget() == field->editor()) field->editor()->clearFocus();
    }

    std::unique_ptr<TaskDetailView> m_form;
};
