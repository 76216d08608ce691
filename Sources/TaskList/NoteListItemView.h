#pragma once

#include "ModelTypes.h"
#include "TableRowView.h"

#include <QColor>
#include <QImage>

class CustomNSTextField;
class LinkListForTableItem;
class TextField;

// Where the parts of a note row go, rows running down from the row's top
// left: a pure function of the row's width, whether the note has a summary
// line and whether it has links.
struct NoteRowLayout {
    QRectF title, date, summary, links;
    bool summaryShown = false;
    bool linksShown = false;
};

// One note in a list: a small note icon in the category's colour, the
// title in bold, the creation date on the right, an optional summary line
// and, when the note is linked, the strip of link buttons. The row draws
// its own tint, selection and icon. It keeps its own copy of the note, so
// a list's edits of other copies do not show until the note is given
// again. Its controls are built when the row is first laid out, so a long
// list makes only the rows in view. Flipped.
class NoteListItemView : public TableRowView {
    Q_OBJECT

public:
    static constexpr double titleX = 30;
    static constexpr double dateWidth = 82;
    static constexpr double bandHeight = 18;

    explicit NoteListItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~NoteListItemView() override;

    static NoteRowLayout layoutFor(double width, bool hasSummary, bool hasLink, double titleX = NoteListItemView::titleX);

    TaskPtr note() const { return m_note; }
    // Takes a copy of the note and its category's colours.
    void setNote(const TaskPtr& note);
    CalendarPtr cal() const { return m_cal; }
    // The texts again from the row's note, then a redraw.
    void reload();

    // Asked of the data manager on first use after setNote.
    bool hasLink() const;
    bool isAssetNeedGrayout() const { return m_isAssetNeedGrayout; }
    void setIsAssetNeedGrayout(bool flag);
    bool isPopoverReloadAfterDoAction() const { return m_isPopoverReloadAfterDoAction; }
    void setIsPopoverReloadAfterDoAction(bool flag) { m_isPopoverReloadAfterDoAction = flag; }
    QColor projectColor() const { return m_projectColor; }

    // The controls (built on first use).
    TextField* noteTitle();
    CustomNSTextField* summaryRow();
    TextField* createdDateRow();
    LinkListForTableItem* linkItem();
    bool hasBuiltControls() const { return m_noteTitle != nullptr; }
    QImage iconNormal() const { return m_iconNormal; }
    QImage iconSelected() const { return m_iconSelected; }

    void arrangeSubViews();
    // The row's own delete: the note after the question, then "Task changed"
    // with the row, the question cancelled too; a shared note stays, silently.
    void applyDelete();
    // The row's menu entry for the same.
    void deleteNote() { applyDelete(); }

    void drawBackgroundInRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void ensureControls();
    void bindTexts();
    void makeIcons();
    void renderBackground();
    void setTextsColor(const QColor& color);

    TaskPtr m_note;
    CalendarPtr m_cal;
    QColor m_projectColor;
    QImage m_iconNormal, m_iconSelected, m_bgImg;
    // Icons are drawn for a colour once, when the row is first shown.
    bool m_iconsStale = true;
    mutable bool m_hasLink = false;
    mutable bool m_hasLinkKnown = false;
    bool m_isAssetNeedGrayout = false;
    bool m_isPopoverReloadAfterDoAction = false;
    bool m_firstLoad = true;

    TextField* m_noteTitle = nullptr;
    CustomNSTextField* m_summaryRow = nullptr;
    TextField* m_createdDateRow = nullptr;
    LinkListForTableItem* m_linkItem = nullptr;
};
