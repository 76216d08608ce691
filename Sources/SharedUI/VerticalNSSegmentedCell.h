#pragma once

class SegmentedControl;

// Segments' images and labels drawn as the control draws them but 4 points
// higher, so that image segments sit level with the title bar they share
// with other controls. The bezel and the selection fill stay where they
// are, and no content is raised past the control's top edge.
class VerticalNSSegmentedCell {
public:
    static constexpr double segmentRaise = 4;

    // Makes the control draw its segments this way from then on.
    static void install(SegmentedControl& control);
};
