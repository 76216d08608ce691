#pragma once

#include "View.h"

class Box;
class PopUpButton;
class PrefSyncViewOnly;
class TextField;
class Window;

// The range of the system calendar sync: how far back and how far ahead it
// exchanges items, each a period code (7, 14, 30, 90, 180 or 365 days).
class PrefSyncICal : public View {
    Q_OBJECT

public:
    explicit PrefSyncICal(const QRectF& frame, QWidget* parent = nullptr);

    void loadData();
    void selectFromValue();
    void selectToValue();

    PopUpButton* fromBtn() const { return m_fromBtn; }
    PopUpButton* toBtn() const { return m_toBtn; }

    bool isFlipped() const override { return true; }

private:
    PopUpButton* m_fromBtn = nullptr;
    PopUpButton* m_toBtn = nullptr;
};

// The Sync tab of the preferences: the calendar range in the upper box, the
// web account in the lower one, which grows and shrinks the window as the
// user signs in and out.
class PrefSyncView : public View {
    Q_OBJECT

public:
    explicit PrefSyncView(const QRectF& frame, QWidget* parent = nullptr);

    void loadData();
    // YES: the signed-out size; NO: the signed-in one. The window keeps its
    // top edge.
    void changeZVWView(bool signedOut);
    void closeProgressBarSyncing();
    void signOutAccount();

    Window* parentPanel() const { return m_parentPanel; }
    void setParentPanel(Window* window) { m_parentPanel = window; }

    PrefSyncICal* icalSyncView() const { return m_icalSyncView; }
    PrefSyncViewOnly* accountView() const { return m_accountView; }
    Box* accountBox() const { return m_accountBox; }

    // The preferences window's height for each layout of the account box.
    static constexpr double signedOutWindowHeight = 465;
    static constexpr double signedInWindowHeight = 590;
    // Where the account view sits in the pane.
    static constexpr double accountViewX = 25;
    static constexpr double accountViewY = 215;

    bool isFlipped() const override { return true; }

private:
    Window* m_parentPanel = nullptr;
    PrefSyncICal* m_icalSyncView = nullptr;
    Box* m_accountBox = nullptr;
    PrefSyncViewOnly* m_accountView = nullptr;
};
