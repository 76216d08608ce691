// Labels keep their laid-out text from paint to paint, and some are drawn by
// their superview: each change must still show at once, and a label drawn
// by its superview must look exactly as one Qt paints.
#include "TextField.h"
#include "TextMeasure.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace LabelDrawingTests {

namespace {

// A view holding one label, drawn either by Qt as the view's child or by the
// view itself, as the planners' chips draw their names.
class LabelHost : public View {
public:
    LabelHost(bool flipped, bool drawsLabel) : View(QRectF(0, 0, 180, 60))
    {
        setFlipped(flipped);
        label = TextField::labelWithString(QStringLiteral("Quarterly review notes"), QRectF(6.4, 9.6, 150, 36));
        label->setDrawnBySuperview(drawsLabel);
        addSubview(label);
    }
    void drawRect(QPainter& painter, const QRectF&) override
    {
        ++paints;
        painter.fillRect(bounds(), QColor(250, 248, 240));
        label->drawInSuperview(painter);
    }
    TextField* label = nullptr;
    int paints = 0;
};

using Change = std::function<void(TextField&)>;

struct LabelChange {
    const char* name;
    Change change;
};

const std::vector<LabelChange>& labelChanges()
{
    static const std::vector<LabelChange> changes = {
        {"text", [](TextField& l) { l.setStringValue(QStringLiteral("Quarterly budget notes")); }},
        {"font", [](TextField& l) { l.setTextFont(Font::boldSystemFont(13)); }},
        {"fractional size", [](TextField& l) { l.setTextFont(Font::systemFont(13.5)); }},
        {"colour", [](TextField& l) { l.setTextColor(QColor(200, 30, 30)); }},
        {"narrower, elided", [](TextField& l) { l.setFrame(QRectF(6.4, 9.6, 70, 36)); }},
        {"moved", [](TextField& l) { l.setFrame(QRectF(20, 2, 150, 36)); }},
        {"wrapped", [](TextField& l) {
             l.setFrame(QRectF(6.4, 9.6, 90, 48));
             l.setWraps(true);
         }},
        {"right-aligned", [](TextField& l) { l.setAlignment(Qt::AlignRight); }},
        {"label painter", [](TextField& l) {
             l.setColoredRuns({{QStringLiteral("Due "), QColor(200, 30, 30)}, {QStringLiteral("today"), QColor(Qt::black)}});
         }},
    };
    return changes;
}

std::unique_ptr<LabelHost> hostWith(bool flipped, bool drawsLabel, const Change& change = nullptr)
{
    auto host = std::make_unique<LabelHost>(flipped, drawsLabel);
    if (change) change(*host->label);
    return host;
}

}  // namespace

TEST(LabelDrawing, ALabelDrawnByItsSuperviewLooksAsOneQtPaints)
{
    for (const bool flipped : {true, false}) {
        for (const LabelChange& look : labelChanges()) {
            const QImage painted = hostWith(flipped, false, look.change)->snapshot();
            const QImage drawn = hostWith(flipped, true, look.change)->snapshot();
            EXPECT_EQ(painted, drawn) << look.name << (flipped ? " in a flipped view" : " in a view with y up");
        }
    }
}

TEST(LabelDrawing, EachChangeShowsAtOnceThoughTheLastPictureWasKept)
{
    for (const bool drawsLabel : {false, true}) {
        for (const LabelChange& row : labelChanges()) {
            const char* how = drawsLabel ? " (drawn by the view)" : " (painted by Qt)";
            const auto host = hostWith(false, drawsLabel);
            const QImage before = host->snapshot();
            EXPECT_EQ(host->snapshot(), before) << row.name << how << ": a second paint of the same label";
            row.change(*host->label);
            const QImage after = host->snapshot();
            EXPECT_NE(after, before) << row.name << how;
            // The same label made with the change, its text laid out afresh.
            TextMeasure::forgetKeptAnswers();
            EXPECT_EQ(after, hostWith(false, drawsLabel, row.change)->snapshot()) << row.name << how;
        }
    }
}

TEST(LabelDrawing, AChangeOfALabelDrawnByItsSuperviewRepaintsTheSuperview)
{
    const auto host = hostWith(true, true);
    host->show();
    const auto waitForPaint = [&host] {
        QElapsedTimer clock;
        clock.start();
        while (host->paints == 0 && clock.elapsed() < 2000) QApplication::processEvents();
    };
    waitForPaint();
    ASSERT_GT(host->paints, 0);
    EXPECT_TRUE(host->label->isHidden()) << "Qt paints no widget for it";
    for (const LabelChange& row : labelChanges()) {
        host->paints = 0;
        row.change(*host->label);
        waitForPaint();
        EXPECT_GT(host->paints, 0) << row.name;
    }
}

}  // namespace LabelDrawingTests
