#pragma once

#include "BottomGripPage.h"

class NoteListTableView;
class ScrollView;
class SegmentedControl;

// The notes page of the list module: a filter of three segments (all
// notes, the selected day's, this week's) over the note list in a scroll
// view, two invisible row-high anchors at the top and the bottom of the
// visible list, and a resize strip along the bottom edge. Flipped.
class NoteListView : public BottomGripPage {
    Q_OBJECT

public:
    explicit NoteListView(const QRectF& frame, QWidget* parent = nullptr);
    ~NoteListView() override;

    // The filter control's action: the selected segment's tag becomes the
    // filter and the list loads again.
    void selectTypeOfFilter();
    // Loads the list with the page's filter.
    void reloadData();
    // Loads asked for (the main view's refresh is read back through it).
    int reloadCount() const { return m_reloadCount; }

    int filterIndex() const { return m_filterIndex; }
    SegmentedControl* filterBtn() const { return m_filterBtn; }
    ScrollView* tableScrollView() const { return m_tableScrollView; }
    NoteListTableView* noteListTableView() const { return m_tableView; }

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;
    bool offersGrip() const override { return listShown(); }

private:
    // Names the selected day and this week on their filter segments.
    void describeFilters();
    bool listShown() const;

    int m_filterIndex = 0;
    int m_reloadCount = 0;
    SegmentedControl* m_filterBtn = nullptr;
    ScrollView* m_tableScrollView = nullptr;
    NoteListTableView* m_tableView = nullptr;
};
