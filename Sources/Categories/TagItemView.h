#pragma once

#include "ModelTypes.h"
#include "TableRowView.h"

class Button;
class TextField;

// One row of the tag table: a check box (on = the tag is shown by the tag
// filter) and the tag's name. The box toggles itself; nothing changes until
// the filter is applied.
class TagItemView : public TableRowView {
    Q_OBJECT

public:
    // The fill of a selected row.
    static QColor selectionColor();

    explicit TagItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TagItemView() override;

    TagPtr tag() const { return m_tag; }
    // Shows the tag's name, the box on when the tag is shown.
    void setTag(const TagPtr& tag);
    Button* showHideBtn() const { return m_showHideBtn; }
    TextField* tagName() const { return m_tagName; }

    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;
    void drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    Button* m_showHideBtn = nullptr;
    TextField* m_tagName = nullptr;
    TagPtr m_tag;
};
