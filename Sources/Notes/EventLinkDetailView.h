#pragma once

#include "Date.h"
#include "InlineItemLinkRow.h"

// A linked event edited in place inside a link list: its title, the
// all-day box, start and end, and the bar. It edits the event it was given
// and stores only on done; the scope of a change to a repeating event comes
// from the occurrence itself (its first day: the whole series; a later
// day: that day and all after it), without a question.
class EventLinkDetailView : public InlineItemLinkRow {
    Q_OBJECT

public:
    // What done does, told apart by the event and the change test.
    enum class DoneCase {
        Single,
        Detached,
        FirstAllDayChanged,
        FirstOtherChanged,
        FirstUnchanged,
        LaterAllDayChanged,
        LaterOtherChanged,
        LaterUnchanged,
    };
    static DoneCase doneCaseFor(const Task& event, bool allDayChanged, bool otherChanged);

    explicit EventLinkDetailView(const QRectF& frame = QRectF(0, 0, 280, 110.8), QWidget* parent = nullptr);
    ~EventLinkDetailView() override;

    Button* allDayBtn() const { return m_allDayBtn; }
    CustomNSDatePicker* startTextField() const { return m_startTextField; }
    CustomNSDatePicker* endTextField() const { return m_endTextField; }
    // The row's event; Qt's event handler stays reachable beside it.
    using QWidget::event;
    TaskPtr event() const { return m_event; }
    void setEvent(const TaskPtr& event) { m_event = event; }
    bool alldayRuleChanged() const { return m_alldayRuleChanged; }
    bool otherRulesChanged() const { return m_otherRulesChanged; }

    void loadDataFromEvent(const TaskPtr& event);
    void toggleAllDay();
    void startTimeChanged();
    void endTimeChanged();
    void checkChangeInfo();
    void summaryInfo(int scope);
    void doneEdit() override;
    void reloadChanged();
    void reveal() override;
    void showDetail() override;

    TaskPtr linkedItem() const override { return m_event; }

private:
    // False when the save was refused (the person was told).
    [[nodiscard]] bool applyCase(DoneCase which);

    DetailRow* m_allDayRow = nullptr;
    Button* m_allDayBtn = nullptr;
    DetailRow* m_startRow = nullptr;
    CustomNSDatePicker* m_startTextField = nullptr;
    DetailRow* m_endRow = nullptr;
    CustomNSDatePicker* m_endTextField = nullptr;
    Date m_previousStartTime;
    TaskPtr m_event;
    bool m_alldayRuleChanged = false;
    bool m_otherRulesChanged = false;
    // Any change of a picker since the load counts, even one back to the
    // loaded time.
    bool m_startEdited = false;
    bool m_endEdited = false;
};
