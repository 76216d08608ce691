#pragma once

#include "ModelTypes.h"
#include "TextField.h"
#include "View.h"

class SegmentedControl;

// The content of the quick create popover: type tabs (event, task, note,
// category), a title line and, on the task tab, the defer choices that plan
// the new task. Return in the title makes the item from the line and
// empties the title, ready for the next one.
class CreatingView : public View, public TextFieldDelegate {
    Q_OBJECT

public:
    // The view's width and its heights without and with the defer row.
    static constexpr double viewWidth = 300;
    static constexpr double compactHeight = 70;
    static constexpr double deferHeight = 115;

    // Defer tags: anytime 0, today 1, next week 2, next month 3.
    enum DeferTag { DeferAnytime = 0, DeferToday = 1, DeferNextWeek = 2, DeferNextMonth = 3 };

    explicit CreatingView(const QRectF& frame, QWidget* parent = nullptr);
    ~CreatingView() override;

    bool isFlipped() const override { return true; }

    qint32 objType() const { return m_objType; }
    // Selects the tab of the type (0 event, 1 task, 2 note, 3 category)
    // and lays the view out for it; only the task tab shows the defer row.
    void setObjType(qint32 objType);
    // The type tabs' action: the tab's type; the task tab starts from the
    // anytime choice.
    void menuControl(QObject* sender);
    // The defer choices' action: marks the chosen one.
    void deferSelection(QObject* sender);
    // Puts the blue label over the choice of the tag (anytime for any tag
    // other than 1, 2 and 3).
    void selectDefer(qint64 tag);

    // Return in the title makes the item; every other command is the field's.
    bool doCommand(TextField* field, FieldCommand command) override;
    // Names the item when it has no name, stores it and shows the list it
    // belongs to. False, the title kept, when it could not be stored.
    bool addNewTask(const TaskPtr& item);
    // A category named by the title; false, the title kept, when it could
    // not be stored.
    bool addNewCategory();
    // Empties the title.
    void resetData();

    SegmentedControl* menuSegmentedControl() const { return m_menuSegmentedControl; }
    TextField* titleField() const { return m_titleField; }
    TextField* deferOnLabel() const { return m_deferOnLabel; }
    SegmentedControl* deferOn() const { return m_deferOn; }
    TextField* currentLabel() const { return m_currentLabel; }

    // The tag of the selected defer choice; anytime when none is selected.
    // Return takes it on the task tab only: "#t" on another tab is anytime.
    qint64 selectedDeferTag() const;

private:
    SegmentedControl* m_menuSegmentedControl = nullptr;
    TextField* m_titleField = nullptr;
    TextField* m_deferOnLabel = nullptr;
    SegmentedControl* m_deferOn = nullptr;
    TextField* m_currentLabel = nullptr;
    qint32 m_objType = 0;
    double m_deferSegmentWidth = 0;
};
