#pragma once

#include "ModelTypes.h"
#include "TableRowView.h"

class TextField;

// One row of the focus pane's list: the item's name with, by kind, a flat
// category-coloured band (all-day events), the note icon, or the task icon
// with the badge of a delegated task. Flipped.
class FocusPaneItemView : public TableRowView {
    Q_OBJECT

public:
    enum class Kind { AllDayEvent, Note, Other };
    static constexpr double labelHeight = 18;
    static constexpr double badgeRoom = 20;

    explicit FocusPaneItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~FocusPaneItemView() override;

    TaskPtr task() const { return m_task; }
    // Keeps the item and shows its name, white for events.
    void setTask(const TaskPtr& task);
    TextField* taskLabel() const { return m_taskLabel; }

    static Kind kindOf(const Task& task);
    // The badge of a delegated task ("ss_assigntome", "ss_assignbyme"), or
    // an empty text; the account user is compared without letter case.
    static QString badgeNameOf(const Task& task, const QString& userName);
    // Where the label goes in a row of width W and height H.
    static QRectF labelFrameFor(Kind kind, double width, double height, bool hasBadge);
    // The badge of this row's item for the account user of the settings.
    QString badgeName() const;

    void drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void layoutLabel();

    TaskPtr m_task;
    TextField* m_taskLabel = nullptr;
};
