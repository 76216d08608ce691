#pragma once

#include "View.h"

#include <memory>
#include <vector>

class Button;
class LoginItem;
class PopUpButton;
class RadioMatrix;
class TextField;
class Window;

// The General pane of the preferences: the defaults of new items, the first
// day of the week, the snooze interval, time-zone support, the warning
// before deleting, the start at login, and the removal of suspected
// duplicates. Every control takes effect at once.
class PrefGeneralView : public View {
    Q_OBJECT

public:
    explicit PrefGeneralView(const QRectF& frame, QWidget* parent = nullptr);
    ~PrefGeneralView() override;

    // Rebuilds the category pop-up and shows the stored values; called each
    // time the pane is shown or its window becomes key on it.
    void loadData();

    void selectCalendar();
    void selectDefaultDuration();
    void selectWeekStartDay();
    void selectDefaultSnooze();
    void selectDefaultAlertForEvent();
    void selectTimeZoneSupport();
    void selectWarnBeforeDelete();
    void startUpAtLogin();

    // The duplicate removal: the question, then the sheet while the data
    // manager deletes on its background queue, then the result alert.
    void removeDuplicate();
    void showProgress();
    void cancelRemoving();
    // Whether a removal runs (its sheet is up).
    bool isRemoving() const { return m_removing; }

    PopUpButton* calendarBtn() const { return m_calendarBtn; }
    PopUpButton* durationBtn() const { return m_durationBtn; }
    PopUpButton* snoozeBtn() const { return m_snoozeBtn; }
    PopUpButton* defaultAlertBtn() const { return m_defaultAlertBtn; }
    RadioMatrix* weekStartMatrix() const { return m_weekStartMatrix; }
    Button* removeDuplicateBtn() const { return m_removeDuplicateBtn; }
    Button* tzSupportBtn() const { return m_tzSupportBtn; }
    Button* warnBeforeDeleteBtn() const { return m_warnBeforeDeleteBtn; }
    Button* startUpAtLoginBtn() const { return m_startUpAtLoginBtn; }
    TextField* durationLabel() const { return m_durationLabel; }
    Window* progressWindow() const { return m_progressWindow.get(); }
    Button* progressCancelButton() const { return m_progressCancelBtn; }

    static constexpr double categoryRowY = 20;

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    void finishRemoving(bool finished);

    PopUpButton* m_calendarBtn = nullptr;
    PopUpButton* m_durationBtn = nullptr;
    PopUpButton* m_snoozeBtn = nullptr;
    PopUpButton* m_defaultAlertBtn = nullptr;
    RadioMatrix* m_weekStartMatrix = nullptr;
    Button* m_removeDuplicateBtn = nullptr;
    Button* m_tzSupportBtn = nullptr;
    Button* m_warnBeforeDeleteBtn = nullptr;
    Button* m_startUpAtLoginBtn = nullptr;
    TextField* m_durationLabel = nullptr;
    std::unique_ptr<Window> m_progressWindow;
    Button* m_progressCancelBtn = nullptr;
    std::unique_ptr<LoginItem> m_loginItem;
    std::vector<double> m_separatorYs;
    bool m_removing = false;
};
