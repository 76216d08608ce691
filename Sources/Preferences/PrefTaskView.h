#pragma once

#include "View.h"

#include <vector>

class Button;
class PopUpButton;
class TextField;
class WorkingHourSettingItem;

// The Tasks pane of the preferences: the working hours of each weekday, the
// default duration and alert of new tasks, and which tasks show. Every
// control takes effect at once.
class PrefTaskView : public View {
    Q_OBJECT

public:
    explicit PrefTaskView(const QRectF& frame, QWidget* parent = nullptr);
    ~PrefTaskView() override;

    // Shows the stored values; called each time the pane is shown.
    void loadData();

    void selectDefaultDuration();
    void selectDefaultAlertForTask();
    void selectShowTask();
    void selectActiveTaskOnly();

    // Sunday first, whatever day the week starts on.
    const std::vector<WorkingHourSettingItem*>& sevenDaysWorkingHours() const { return m_sevenDaysWorkingHours; }
    PopUpButton* durationBtn() const { return m_durationBtn; }
    PopUpButton* defaultAlertBtn() const { return m_defaultAlertBtn; }
    Button* showTaskBtn() const { return m_showTaskBtn; }
    Button* activeTaskBtn() const { return m_activeTaskBtn; }

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    // A click on the background takes over a time being typed.
    void mouseDown(const Event& event) override;

private:
    std::vector<WorkingHourSettingItem*> m_sevenDaysWorkingHours;
    PopUpButton* m_durationBtn = nullptr;
    PopUpButton* m_defaultAlertBtn = nullptr;
    Button* m_showTaskBtn = nullptr;
    Button* m_activeTaskBtn = nullptr;
    std::vector<double> m_separatorYs;
};
