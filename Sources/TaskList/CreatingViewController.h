#pragma once

#include <QObject>

class Button;
class View;

// The quick create popover of the quick-add bar's add button.
class CreatingViewController : public QObject {
    Q_OBJECT

public:
    // `addNewBtn` is the bar's toggle; it is switched off when the popover
    // closes by itself.
    explicit CreatingViewController(Button* addNewBtn, QObject* parent = nullptr);
    ~CreatingViewController() override;

    // Shows the popover for the type (0 event, 1 task, 2 note, 3 category)
    // under the view.
    void showViewPopOverAtPositionView(View* positioningView, qint32 objType);

private:
    Button* m_addNewBtn = nullptr;
};
