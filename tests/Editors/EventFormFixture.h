#pragma once

#include "../Model/TaskTestFixture.h"
#include "AlertRows.h"
#include "Button.h"
#include "CustomNSDatePicker.h"
#include "CustomNSTextField_NSNumberFormatter.h"
#include "CustomTextView.h"
#include "DetailRow.h"
#include "EventDetailView.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "PopUpButton.h"
#include "RepeatRuleRows.h"
#include "SegmentedControl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <memory>

// A host of the add form that records what the form asks for.
class RecordingAddHost : public View, public AddFormHost {
public:
    RecordingAddHost() : View(QRectF(0, 0, 280, 400)) {}
    QList<double> heights;
    void resizeWithHeight(double height) override { heights.append(height); }
};

// The event form over a test database (clock at Wednesday 15 January 2014,
// 10:07 in Paris), the month grid's selected day on that Wednesday.
class EventFormTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        setting().setDeskTimeNDStart(480);
        setting().setDeskTimeNDEnd(1080);
        m_monthView = std::make_unique<MonthView>(QRectF(0, 0, 280, 243));
        m_monthView->monthCalendarView()->setCurrentDay(localDate(2014, 1, 15), false);
    }

    void TearDown() override
    {
        m_form.reset();
        m_monthView.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        TaskTest::TearDown();
    }

    // The edit form, 330 wide, as the popover makes it.
    EventDetailView& editForm(const TaskPtr& item)
    {
        m_form = std::make_unique<EventDetailView>(QRectF(0, 0, 330, 100));
        m_form->setMonthView(m_monthView.get());
        m_form->setType(1);
        m_form->loadDataFromTask(item);
        return *m_form;
    }

    // The add form, 280 wide, as the add panel makes it.
    EventDetailView& addForm(QWidget* host = nullptr)
    {
        m_form = std::make_unique<EventDetailView>(QRectF(0, 0, 280, 300));
        m_form->setMonthView(m_monthView.get());
        m_form->setParentView(host);
        m_form->resetData();
        m_form->setDefaultInfoForAddNew();
        return *m_form;
    }

    TaskPtr storedEvent(const Date& start, const Date& end, const QString& name = QStringLiteral("Meeting"))
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(0);
        item->setTaskName(name);
        item->setCalendarId(1);
        item->setStartTime(start);
        item->setEndTime(end);
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }

    // Chooses the item with that tag as the user does.
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

    // Types into a field and moves the focus away, as the user ends an edit.
    void typeInto(TextField* field, const QString& text)
    {
        QWidget* window = m_form.get();
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        field->editor()->setFocus(Qt::OtherFocusReason);
        field->editor()->selectAll();
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key(c.toUpper().unicode()), Qt::NoModifier, QString(c));
            QApplication::sendEvent(field->editor(), &press);
        }
        m_form->title()->editor()->setFocus(Qt::OtherFocusReason);
        if (QApplication::focusWidget() == field->editor()) field->editor()->clearFocus();
    }

    static int selectedTag(const PopUpButton* popUp)
    {
        return popUp && popUp->selectedItem() ? popUp->selectedItem()->tag : 0;
    }

    std::unique_ptr<MonthView> m_monthView;
    std::unique_ptr<EventDetailView> m_form;
};
