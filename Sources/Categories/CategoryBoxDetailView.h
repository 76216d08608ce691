#pragma once

#include "ColorViewController.h"
#include "TagTokenDetailView.h"
#include "View.h"

#include <QImage>
#include <QPointer>

#include <vector>

class Button;
class CategoryDetailView;
class TextField;

// The editable head of a category's detail: name, colour, tags, the default
// and transparent switches, and OK, Cancel and Delete at the bottom edge. It
// holds the values while they are edited and stores nothing: its host fills
// it when a category is shown, reads it back on OK and makes every decision.
class CategoryBoxDetailView : public View, public TagTokenHost, public ColorReceiver {
    Q_OBJECT

public:
    // The height the host builds the box with; a category's tags set the
    // real one.
    static constexpr double builtHeight = 116;
    static constexpr qint64 paletteSize = 32;

    explicit CategoryBoxDetailView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CategoryBoxDetailView() override;

    TextField* categoryNameTextField() const { return m_categoryNameTextField; }
    Button* colorBtn() const { return m_colorBtn; }
    // The swatch of each palette position (group × 8 + colour).
    const std::vector<QImage>& arrayOfColorImg() const { return m_arrayOfColorImg; }
    qint64 posOfColor() const { return m_posOfColor; }
    Button* defaultBtn() const { return m_defaultBtn; }
    Button* transparentBtn() const { return m_transparentBtn; }
    TagTokenDetailView* tagDetailView() const { return m_tagDetailView; }
    Button* okBtn() const { return m_okBtn; }
    Button* cancelBtn() const { return m_cancelBtn; }
    Button* delBtn() const { return m_delBtn; }
    ColorViewController* colorViewController() const { return m_colorViewController; }
    CategoryDetailView* parentView() const { return m_parentView; }
    void setParentView(CategoryDetailView* host) { m_parentView = host; }

    // Shows the swatch of that palette position; the host applies it to its
    // category at once. A position off the palette is taken as 0, logged.
    void setColor(qint64 palettePosition) override;
    // The swatch alone, without asking the panel to store it.
    void showColor(qint64 palettePosition);
    // Opens the colour picker at the colour button.
    void chooseColor();
    // The default switch was clicked: the host decides.
    void markDefaultCategory();
    // The tag field changed height: the host lays out again.
    void resizeHeightWithOffset(double offset) override;
    // Every control takes input or none does; a default switch that is on
    // keeps its state of enabling, so the default stays the default.
    void setEnable(bool enable);
    // A shared category is read-only: one button, "Close", which reverts.
    void setIsShareCalendar(bool shared);

    void okEdit();
    void cancelEdit();
    void deleteEdit();

    // Where the separator above the buttons runs.
    QRectF separatorRect() const;

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    // The switches follow the tag field whenever the box's size changes.
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void placeSwitches();

    TextField* m_categoryNameTextField = nullptr;
    Button* m_colorBtn = nullptr;
    QPointer<ColorViewController> m_colorViewController;
    std::vector<QImage> m_arrayOfColorImg;
    qint64 m_posOfColor = 0;
    Button* m_defaultBtn = nullptr;
    Button* m_transparentBtn = nullptr;
    TagTokenDetailView* m_tagDetailView = nullptr;
    QPointer<CategoryDetailView> m_parentView;
    Button* m_okBtn = nullptr;
    Button* m_cancelBtn = nullptr;
    Button* m_delBtn = nullptr;
};
