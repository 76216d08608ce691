#pragma once

#include "View.h"

class ImageView;
class ProgressIndicator;
class TextField;

// The content of the panel shown while a long job runs (a restore, the
// preferences' own long jobs): the program's icon, a centred line saying
// what is under way and an indeterminate progress bar. It draws nothing
// of its own. The owner starts and stops the bar.
class ProgressView : public View {
    Q_OBJECT

public:
    explicit ProgressView(const QRectF& frame, QWidget* parent = nullptr);
    ~ProgressView() override;

    TextField* label() const { return m_label; }
    ProgressIndicator* progessIndicator() const { return m_progessIndicator; }
    ImageView* iconView() const { return m_iconView; }
    // Replaces the line's text.
    void setTextProgessing(const QString& text);

    bool isFlipped() const override { return true; }

private:
    ImageView* m_iconView = nullptr;
    TextField* m_label = nullptr;
    ProgressIndicator* m_progessIndicator = nullptr;
};
