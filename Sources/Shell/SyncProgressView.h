#pragma once

#include "View.h"

class ProgressSpinner;
class TextField;

// What stands in the sync button's place in the bottom bar while a web sync
// runs: a small spinner and, beside it, a label (empty unless a caller
// gives it a text).
class SyncProgressView : public View {
    Q_OBJECT

public:
    explicit SyncProgressView(const QRectF& frame, QWidget* parent = nullptr);
    ~SyncProgressView() override;

    ProgressSpinner* progressView() const { return m_progressView; }
    TextField* syncingLabel() const { return m_syncingLabel; }

    bool isFlipped() const override { return true; }

private:
    ProgressSpinner* m_progressView = nullptr;
    TextField* m_syncingLabel = nullptr;
};
