#pragma once

#include "View.h"

class Button;
class CategoryTableView;
class ScrollView;
class TextField;

// The show/hide popover's content: a title, All and None, and the table of
// every category with its box. The view is as high as the table's rows
// plus its own chrome, up to the main window's height less 100; a longer
// list scrolls. All shows every hidden category and None hides all but the
// default one, projects included.
class CategoryShowHideView : public View {
    Q_OBJECT

public:
    // The height of everything but the list.
    static constexpr double chromeHeight = 48;
    // Where the list starts.
    static constexpr double listTop = 30;

    explicit CategoryShowHideView(const QRectF& frame = QRectF(0, 0, 230, 100), QWidget* parent = nullptr);
    ~CategoryShowHideView() override;

    // The table loads, then the view fits it.
    void reloadData();
    void resize();
    void allCategory();
    void noneCategory();

    TextField* labelCategory() const { return m_labelCategory; }
    ScrollView* categoryScrollView() const { return m_categoryScrollView; }
    CategoryTableView* categoryTableView() const { return m_categoryTableView; }
    Button* showAllBtn() const { return m_showAllBtn; }
    Button* showNoneBtn() const { return m_showNoneBtn; }

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    // The rebuild, the categories bit and the main view's reload that
    // follow All and None, whether or not they changed anything.
    void afterShowHideAll();

    TextField* m_labelCategory = nullptr;
    ScrollView* m_categoryScrollView = nullptr;
    CategoryTableView* m_categoryTableView = nullptr;
    Button* m_showAllBtn = nullptr;
    Button* m_showNoneBtn = nullptr;
};
