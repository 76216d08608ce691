#pragma once

class QPainter;
class TextField;

// The look of the organizer's editable text fields: at rest no border and a
// clear background, so the field reads as plain text on its row; while
// edited a white box outlined in black, so the user sees what is being
// changed. Works on any kit text field; `CustomNSTextField` draws with it.
class CustomNSTextFieldCell {
public:
    // No border, clear background, redrawn.
    static void applyRestLook(TextField& field);
    // The white box when needDrawBg, else the rest look (rows that must
    // never show a box while edited).
    static void applyEditingLook(TextField& field, bool needDrawBg);

    // The field's box in its own coordinates (y down): an editable field
    // with a visible background gets it filled and, when bordered, outlined
    // in black; the editor draws the text. A field that is not editable is
    // drawn as any kit field is.
    static void drawInteriorWithFrame(QPainter& painter, TextField& field);
};
