#pragma once

#include "AddView.h"
#include "ColorViewController.h"
#include "QuickAddView.h"
#include "TagTokenDetailView.h"
#include "View.h"

#include <QImage>
#include <QPointer>

#include <vector>

class Button;
class DetailRow;

// The add-project form: colour, default and transparent switches and tags
// for a new ordinary category named by the quick-add bar's text. It stands
// in the add-project popover (280 wide) and as the category page of the add
// panel under the quick-add bar, whose parentView it then has. Flipped.
class CategoryPopOverDetailView : public View, public AddPanelForm, public ColorReceiver, public TagTokenHost {
    Q_OBJECT

public:
    static constexpr double swatchWidth = 34;
    static constexpr double swatchHeight = 15;
    // What the form adds to the tag field's height, with and without the
    // default row: for its own height, and for the height it asks for after
    // the tag field changed.
    static constexpr double heightWithDefaultRow = 154;
    static constexpr double heightWithoutDefaultRow = 127;
    static constexpr double offsetWithDefaultRow = 121;
    static constexpr double offsetWithoutDefaultRow = 94;
    // How long a new default waits for its project to reach the web
    // service before its settings push is given up (the next full sync
    // carries it then).
    static constexpr double defaultPushTimeout = 120;
    static constexpr double defaultPushPollInterval = 0.01;

    // The maker the add panel builds its category page with.
    static AddView::FormMaker formMaker();

    explicit CategoryPopOverDetailView(const QRectF& frame = QRectF(0, 0, 280, 100), QWidget* parent = nullptr);
    ~CategoryPopOverDetailView() override;

    // The add panel when the form is its page; null in the popover.
    View* parentView() const { return m_parentView; }
    void setParentView(View* view) { m_parentView = view; }

    // AddPanelForm.
    View* view() override { return this; }
    void resetData() override;

    // Creates the category from the quick-add text and the form.
    void addCategory();
    void chooseColor();
    void setColor(qint64 palettePosition) override;
    // The switch is read when the category is made.
    void markDefaultCategory() {}
    // Row 0 shows the default row; any other hides it.
    void chooseType(int row);
    void updateView();
    void resizeHeightWithOffset(double offset) override;
    void resizeWithHeight(double height);

    qint64 posOfColor() const { return m_posOfColor; }
    DetailRow* colorRow() const { return m_colorRow; }
    Button* colorBtn() const { return m_colorBtn; }
    ColorViewController* colorViewController() const { return m_colorViewController; }
    DetailRow* defaultRow() const { return m_defaultRow; }
    Button* defaultBtn() const { return m_defaultBtn; }
    DetailRow* transparentRow() const { return m_transparentRow; }
    Button* transparentBtn() const { return m_transparentBtn; }
    DetailRow* tagRow() const { return m_tagRow; }
    TagTokenDetailView* tagDetailView() const { return m_tagDetailView; }
    Button* addCategoryBtn() const { return m_addCategoryBtn; }

    // Whether a new default is still waiting to be pushed.
    static bool isWaitingToPushDefault();

    bool isFlipped() const override { return true; }
    void mouseDown(const Event& event) override;
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    QString newCategoryName() const;
    QString tagTextStoringTags() const;
    void placeAddButton();
    // The settings push of a new default follows the project's creation on
    // the web service, without holding the main thread.
    static void pushDefaultAfterProjectSync();

    DetailRow* m_colorRow = nullptr;
    Button* m_colorBtn = nullptr;
    QPointer<ColorViewController> m_colorViewController;
    std::vector<QImage> m_arrayOfColorImg;
    qint64 m_posOfColor = 0;
    DetailRow* m_defaultRow = nullptr;
    Button* m_defaultBtn = nullptr;
    DetailRow* m_transparentRow = nullptr;
    Button* m_transparentBtn = nullptr;
    DetailRow* m_tagRow = nullptr;
    TagTokenDetailView* m_tagDetailView = nullptr;
    Button* m_addCategoryBtn = nullptr;
    QPointer<View> m_parentView;
};
