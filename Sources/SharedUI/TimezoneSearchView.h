#pragma once

#include "TableRowView.h"
#include "TableView.h"
#include "TextField.h"
#include "TimezoneObj.h"
#include "TimezoneSearchViewDelegate.h"
#include "View.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Button;
class Notification;
class ScrollView;
class VRLPopover;
class Window;
struct Event;

// One row of the picker's list: the zone's display name on one line.
class TimezoneItemView : public TableRowView {
    Q_OBJECT

public:
    explicit TimezoneItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TimezoneItemView() override;

    TextField* label() const { return m_label; }
    const TimezoneObj& obj() const { return m_obj; }
    // Shows the zone's tzName.
    void setObj(const TimezoneObj& zone);

private:
    TextField* m_label = nullptr;
    TimezoneObj m_obj;
};

// Where MyTableView finds its rows.
class MyTableViewDataSource {
public:
    virtual ~MyTableViewDataSource() = default;
    virtual int numberOfRowsInTableView() const = 0;
    virtual TableRowView* rowViewForRowInTableView(int row) = 0;
};

// The picker's list: the kit's table fed by a data source, plus the keys and
// the release that end a choice. Return or Enter posts the list's close
// notification with no object (choose), Escape posts it with false (keep the
// previous zone); the up and down arrows then move the selection. A release
// posts it with the release as its object.
class MyTableView : public TableView {
    Q_OBJECT

public:
    explicit MyTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);

    // Not owned; null lists nothing.
    void setDataSource(MyTableViewDataSource* source) { m_dataSource = source; }
    int numberOfRows() const override;
    TableRowView* rowViewForRow(int row) override;

    // Reloads and grows or shrinks the table to its rows (at least one row
    // high), so that its scroll view scrolls over all of them.
    void reloadAndFit();

    void keyDown(const Event& event) override;
    void mouseUp(const Event& event) override;

private:
    MyTableViewDataSource* m_dataSource = nullptr;
};

// A one-line time-zone chooser: a borderless field where the user types part
// of a zone's name or city, and a button that opens the whole table. The
// matches show as a list in a VRLPopover above (position 3) or below
// (position 1) the control; choosing a row makes that zone the current one
// and tells the delegate.
//
// The list closes on the kTimeZoneListCloseNotification the application
// posts after every press: a press outside the picker and its list closes it
// without a choice, a release on a row of the list chooses that row, a press
// on the field or its button leaves it to them (the button toggles the list).
class TimezoneSearchView : public View, public TextFieldDelegate, public MyTableViewDataSource {
    Q_OBJECT

public:
    static constexpr double fieldHeight = 20;
    static constexpr double buttonWidth = 20;
    static constexpr double listHeight = 150;
    static constexpr double rowHeight = 22;

    // `leftSpace` is the indent of the field from the control's left edge.
    TimezoneSearchView(const QRectF& frame, double leftSpace, QWidget* parent = nullptr);
    ~TimezoneSearchView() override;

    TextField* searchField() const { return m_searchField; }
    Button* dropdownBtn() const { return m_dropdownBtn; }
    ScrollView* scrollView() const { return m_scrollView; }
    MyTableView* listView() const { return m_listView; }
    VRLPopover* popover() const { return m_popover.get(); }
    const QList<TimezoneItemView*>& filteredItems() const { return m_filteredItems; }

    int position() const { return m_position; }
    void setPosition(int position);
    bool showInPopover() const { return m_showInPopover; }
    void setShowInPopover(bool inPopover) { m_showInPopover = inPopover; }
    bool excludeFloatingTZ() const { return m_excludeFloatingTZ; }
    void setExcludeFloatingTZ(bool exclude) { m_excludeFloatingTZ = exclude; }
    bool enalble() const { return m_enalble; }
    // Editable field and enabled button, or neither.
    void setEnalble(bool enable);

    TimezoneSearchViewDelegate* delegate() const;
    // Not owned. A delegate that is also a QObject is forgotten when it goes.
    void setDelegate(TimezoneSearchViewDelegate* delegate);
    // The table to search, in list order (a cheap shared copy).
    void setItems(const QList<TimezoneObj>& items);
    // The table taken from source when first needed (a search, items()): a
    // picker built with a window or a form that is not shown yet labels no
    // zones (each label reads a zone's file).
    void setItemsSource(std::function<QList<TimezoneObj>()> source);
    const QList<TimezoneObj>& items() const;

    const std::optional<TimezoneObj>& currentTZ() const { return m_currentTZ; }
    // The field shows the zone's city; none leaves the field as it is.
    void setCurrentTZ(const std::optional<TimezoneObj>& zone);

    // Whether the zone matches the text: a plain substring of its name or its
    // city, ignoring case and accents (an empty text matches every zone).
    // Floating zones are left out when asked.
    static bool zoneMatches(const TimezoneObj& zone, const QString& text, bool excludeFloating);
    // The text as the search compares it: accents dropped, case folded.
    static QString foldedForSearch(const QString& text);

    // Fills filteredItems with the matches, in table order.
    void search(const QString& text = QString());
    // The field's text changed: the list shows the matches.
    void controlTextDidChange();
    // The list button: closes a shown list, else shows the whole table.
    void showAll();
    // The field's keys: the arrows move into the list, Escape closes it.
    bool doCommand(TextField* field, FieldCommand command) override;
    // The list's window becomes key with the row selected and the keyboard.
    void makeListViewBecomFirstResponder(int row);

    bool isListShown() const;
    // Shows the list at the control; the field keeps the keyboard.
    void showListDataView();
    // Closes a shown list and puts the current zone's city back in the field;
    // answers whether anything closed.
    bool closeListDataView();
    // The close notification, by its object (see the class comment).
    void closeList(const Notification& notification);

    // Where the list's attachment point goes, in the window's coordinates,
    // for the control at `pickerInWindow`: centred, 10 above the control's
    // top for position 3, 3 under the field for position 1, at the control's
    // y otherwise. `originInOwnCoordinates` is the control's frame origin read
    // as a window point in the control's own coordinates; it moves the point
    // of a control that itself sits in a popover.
    static QPointF listAttachmentPoint(int position, const QRectF& pickerInWindow, const QPointF& frameOrigin,
                                       bool showInPopover, const QPointF& originInOwnCoordinates);

    // MyTableViewDataSource
    int numberOfRowsInTableView() const override { return int(m_filteredItems.size()); }
    TableRowView* rowViewForRowInTableView(int row) override;

private:
    Window* pickerWindow() const;
    void reloadList();
    // The zone of the selected row becomes the current one and the delegate
    // hears of it.
    void chooseRow(int row);
    // Closes; a list that was shown hands its selected row over.
    void closeAndChooseSelection();
    // Return in the field: the selected match, else the first; a text that
    // matches no zone puts the current zone's city back.
    void takeTypedZone();
    // The list as high as its rows, up to listHeight.
    void fitListHeight();
    void closeListForEvent(const Event& event);
    TimezoneItemView* rowViewForZone(int index);
    void takeItemsFromSource();
    void storeItems(const QList<TimezoneObj>& items);

    TextField* m_searchField = nullptr;
    Button* m_dropdownBtn = nullptr;
    ScrollView* m_scrollView = nullptr;
    MyTableView* m_listView = nullptr;
    std::unique_ptr<VRLPopover> m_popover;
    QList<TimezoneItemView*> m_filteredItems;

    int m_position = 3;
    bool m_showInPopover = false;
    bool m_excludeFloatingTZ = false;
    bool m_enalble = true;
    TimezoneSearchViewDelegate* m_delegate = nullptr;
    QPointer<QObject> m_delegateObject;
    bool m_delegateIsObject = false;
    QList<TimezoneObj> m_items;
    std::function<QList<TimezoneObj>()> m_itemsSource;
    // Folded names and cities of the table, made once per table.
    std::vector<std::pair<QString, QString>> m_foldedItems;
    // One row view per zone of the table, made when first listed and reused.
    std::vector<QPointer<TimezoneItemView>> m_rowViews;
    std::optional<TimezoneObj> m_currentTZ;
};
