#pragma once

#include "TokenField.h"

#include <QPointer>

// What a host of the tag field implements to hear that the field changed
// height; a host without it is not told.
class TagTokenHost {
public:
    virtual ~TagTokenHost();
    // The field grew (positive) or shrank by offset points.
    virtual void resizeHeightWithOffset(double offset) = 0;
};

// The tag field of the editors: tokens in 12-point "Lucida Grande", split
// at "," and at "/" (the separator of stored tag lists) as they are typed,
// completion from the data manager's tags, a height of whole 19-point lines,
// and "NSTextField has changed" (object the field) at the end of each edit.
// It reads and writes no record: the host fills it and saves what it holds.
class TagTokenDetailView : public TokenField {
    Q_OBJECT

public:
    explicit TagTokenDetailView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TagTokenDetailView() override;

    QWidget* parentView() const { return m_parentView; }
    void setParentView(QWidget* parentView) { m_parentView = parentView; }

    // Fits the height to the tokens in whole lines, keeping origin and
    // width, and tells the host the change.
    void resizeTokenField();

    // The names of the data manager's tags that begin with the substring,
    // case and accents aside, in the tag list's order.
    static QStringList completionsForSubstring(const QString& substring);

private:
    QPointer<QWidget> m_parentView;
};
