#pragma once

#include "GuruViewController.h"
#include "View.h"

#include <QPointer>

class Button;
class CustomNSTextField_Background;
class ScrollView;
class TagTableView;
class TextField;

// The tag filter popover's content: every tag with its box, an entry field
// that creates a tag when its editing ends, All and None (the boxes only),
// Apply (the ticked tags filter the item lists) and No filter. The view
// grows with the tags up to ten rows, then the list scrolls. The filter
// lives in memory only.
class TagView : public View {
    Q_OBJECT

public:
    // The height of everything but the list.
    static constexpr double chromeHeight = 88;
    static constexpr int maximumVisibleRows = 10;
    // The top strip over which the tip button shows.
    static constexpr double guruStripHeight = 20;

    explicit TagView(const QRectF& frame = QRectF(0, 0, 230, 100), QWidget* parent = nullptr);
    ~TagView() override;

    // Loads the table and fits the view to it.
    void reloadData();
    void resize();

    void addTag();
    void allTag();
    void noneTag();
    void applyTag();
    void nofilterTag();
    void guru();

    QRectF guruRect() const;

    TextField* labelTag() const { return m_labelTag; }
    Button* showAllBtn() const { return m_showAllBtn; }
    Button* showNoneBtn() const { return m_showNoneBtn; }
    Button* applyBtn() const { return m_applyBtn; }
    Button* nofilterBtn() const { return m_nofilterBtn; }
    CustomNSTextField_Background* addNewTag() const { return m_addNewTag; }
    TagTableView* tagTableView() const { return m_tagTableView; }
    ScrollView* tagScrollView() const { return m_tagScrollView; }
    Button* guruBtn() const { return m_guruBtn; }
    GuruViewController* guruViewController() const { return m_guruViewController; }

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void updateTrackingAreas() override;
    void mouseEntered(const Event& event) override;
    void mouseExited(const Event& event) override;

private:
    void placeBottomRow();

    TextField* m_labelTag = nullptr;
    Button* m_showAllBtn = nullptr;
    Button* m_showNoneBtn = nullptr;
    Button* m_applyBtn = nullptr;
    Button* m_nofilterBtn = nullptr;
    CustomNSTextField_Background* m_addNewTag = nullptr;
    TagTableView* m_tagTableView = nullptr;
    ScrollView* m_tagScrollView = nullptr;
    int m_guruTrackingArea = -1;
    Button* m_guruBtn = nullptr;
    QPointer<GuruViewController> m_guruViewController;
};
