#pragma once

#include "Font.h"
#include "View.h"

#include <QImage>
#include <QPointer>

#include <functional>
#include <vector>

class QPainter;

// How clicks change the selection.
enum class SegmentSwitchTracking {
    SelectOne,  // a click selects its segment alone (clicking it again keeps it)
    SelectAny,  // a click flips its segment; any number may be selected
};

// One segment: a label, an image shown beside it (a null image leaves the
// label alone), a tag for the caller, a width (0 shares what the fixed
// widths leave), a tooltip, and whether the user can click it.
struct Segment {
    QString label;
    QImage image;
    int tag = 0;
    double width = 0;
    QString toolTip;
    bool enabled = true;
    bool selected = false;
};

// A row of segments in one rounded bezel. The program selects with
// setSelectedSegment / setSelected, never calling the action; the action
// runs when the user clicks a segment (released inside the segment pressed).
class SegmentedControl : public View {
    Q_OBJECT

public:
    // Draws one segment instead of the control's own look: the painter is in
    // the control's coordinates (y down), the frame is frameOfSegment(segment).
    using SegmentPainter =
        std::function<void(QPainter& painter, int segment, const QRectF& frame, bool selected, bool highlighted)>;

    explicit SegmentedControl(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~SegmentedControl() override;

    int segmentCount() const { return int(m_segments.size()); }
    // New segments are empty; dropping segments drops their selection.
    void setSegmentCount(int count);
    const std::vector<Segment>& segments() const { return m_segments; }

    // Setters ignore a segment out of range; getters answer the empty value.
    QString labelForSegment(int segment) const;
    void setLabel(const QString& label, int segment);
    QImage imageForSegment(int segment) const;
    void setImage(const QImage& image, int segment);
    int tagForSegment(int segment) const;
    void setTag(int tag, int segment);
    double widthForSegment(int segment) const;
    // A negative or non-finite width counts as 0 (a shared width).
    void setWidth(double width, int segment);
    QString toolTipForSegment(int segment) const;
    // A segment without its own tooltip shows the control's (QWidget's).
    void setToolTip(const QString& toolTip, int segment);
    using View::setToolTip;
    bool isEnabledForSegment(int segment) const;
    void setEnabled(bool enabled, int segment);
    using View::setEnabled;

    SegmentSwitchTracking trackingMode() const { return m_tracking; }
    // Going to select-one keeps only selectedSegment() selected.
    void setTrackingMode(SegmentSwitchTracking mode);

    // The segment selected last that is still selected, else the first one
    // selected; -1 when none is.
    int selectedSegment() const;
    // Selects the segment (alone in select-one, in addition in select-any);
    // a segment out of range (-1 included) selects none.
    void setSelectedSegment(int segment);
    bool isSelectedForSegment(int segment) const;
    // In select-one, selecting a segment deselects the others.
    void setSelected(bool selected, int segment);
    // The first segment with the tag; false (no change) when none has it.
    bool selectSegmentWithTag(int tag);

    // Runs after the user's click has changed the selection, while the
    // receiver lives; a null receiver ties it to nothing.
    void setTarget(QObject* receiver, std::function<void(SegmentedControl*)> action);

    // What a segment painter replaces: the whole look (bezel, dividers and
    // segments), or only each segment's content (image and label) inside the
    // control's bezel and selection fill, which stay where they are.
    enum class PainterScope { Whole, SegmentContent };
    void setSegmentPainter(SegmentPainter painter, PainterScope scope = PainterScope::Whole);
    // The control's own drawing of one segment (its fill, image and label)
    // in the given frame; a segment painter may call it with a frame of its
    // own.
    void drawSegmentAsControl(QPainter& painter, int segment, const QRectF& frame) const;
    // Only the image and label of one segment, laid out in the given frame
    // but moved back inside the control's bounds where the frame would put
    // them past its top or bottom: a content painter's offset never cuts
    // them.
    void drawSegmentContent(QPainter& painter, int segment, const QRectF& frame) const;
    // Where the content of a segment is drawn for a frame: the union of its
    // image and label rectangles.
    QRectF segmentContentRect(int segment, const QRectF& frame) const;

    // The width the control needs: the sum of the segments' widths, a
    // shared one counting its content's (label, image and insets).
    double fittingWidth() const;

    // Template images are shapes: drawn in the label's colour (dark, or
    // white on a selected segment) whatever colour they were made in.
    bool hasTemplateImages() const { return m_templateImages; }
    void setTemplateImages(bool templateImages)
    {
        m_templateImages = templateImages;
        update();
    }

    // The kit font of the labels (the system font at 13 px unless set).
    const Font& textFont() const { return m_font; }
    void setTextFont(const Font& font);

    // Where a segment lies in the control's coordinates (y down); an empty
    // rectangle for a segment out of range.
    QRectF frameOfSegment(int segment) const;
    // The segment under a point of the control's coordinates; -1 for none.
    // Frames are half-open, so a shared edge belongs to the right segment.
    int segmentAtPoint(const QPointF& point) const;
    // The segment pressed while the pointer is still over it; -1 otherwise.
    int highlightedSegment() const { return m_highlighted; }

    // The frames of segments of the given widths laid left to right in the
    // bounds: fixed widths as given, the width they leave (never below 0)
    // shared equally by the segments of width 0.
    static std::vector<QRectF> segmentFrames(const std::vector<double>& widths, const QRectF& bounds);

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
    // With the keyboard: the arrows move to the next segment that can be
    // clicked (choosing it in select-one), Space clicks the segment reached.
    void keyDown(const Event& event) override;
    // The segment the keyboard is at: the last one reached or clicked, else
    // the selected one, else the first.
    int keySegment() const;

protected:
    bool event(QEvent* event) override;
    QRectF focusRingRect() const override;
    void changeEvent(QEvent* event) override;

private:
    bool isValidSegment(int segment) const { return segment >= 0 && segment < segmentCount(); }
    int segmentAtEvent(const Event& event) const;
    void setHighlighted(int segment);
    // The user's click of a segment: flips or selects it, then the action.
    void choose(int segment);
    void drawSegment(QPainter& painter, int segment, const QRectF& frame) const;
    void drawSegmentFill(QPainter& painter, int segment, const QRectF& frame) const;
    struct ContentLayout;
    ContentLayout layOutContent(int segment, const QRectF& frame) const;

    std::vector<Segment> m_segments;
    SegmentSwitchTracking m_tracking = SegmentSwitchTracking::SelectOne;
    int m_lastSelected = -1;
    int m_pressed = -1;
    int m_highlighted = -1;
    int m_keySegment = -1;
    Font m_font;  // the system font
    SegmentPainter m_painter;
    bool m_templateImages = false;
    PainterScope m_painterScope = PainterScope::Whole;
    bool m_hasReceiver = false;
    QPointer<QObject> m_receiver;
    std::function<void(SegmentedControl*)> m_action;
};
