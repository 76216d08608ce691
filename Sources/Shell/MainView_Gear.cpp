// The gear menu of the bottom bar, its key equivalents, and the small
// commands behind it: the hidden add commands, the preferences, the user
// guide and the About panel.
#include "MainView.h"

#include "AboutUsPanel.h"
#include "AlertPresenter.h"
#include "AddView.h"
#include "Event.h"
#include "Menu.h"
#include "NamedImages.h"
#include "Paths.h"
#include "PopUpButton.h"
#include "Preferences.h"
#include "ProgressSpinner.h"
#include "QuickAddView.h"
#include "SegmentedControl.h"
#include "SyncProgressView.h"
#include "TextTable.h"
#include "UrlOpener.h"
#include "ZoravelAppDelegate.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPointer>

namespace {

using Command = void (MainView::*)();

// A row running the command on the view while the view lives.
MenuItem commandRow(const QString& title, const QString& key, MainView* view, Command command)
{
    MenuItem row;
    row.title = title;
    row.keyEquivalent = key;
    row.keyEquivalentModifierMask = CommandKeyMask;
    QPointer<MainView> target(view);
    row.action = [target, command] {
        if (target) (target.data()->*command)();
    };
    return row;
}

// A row running a command that takes its sender; the menu sends none.
MenuItem senderCommandRow(const QString& title, const QString& key, MainView* view,
                          void (MainView::*command)(QObject*))
{
    MenuItem row;
    row.title = title;
    row.keyEquivalent = key;
    row.keyEquivalentModifierMask = CommandKeyMask;
    QPointer<MainView> target(view);
    row.action = [target, command] {
        if (target) (target.data()->*command)(nullptr);
    };
    return row;
}

MenuItem submenuRow(const QString& title, const Menu& submenu)
{
    MenuItem row;
    row.title = title;
    row.submenu = std::make_shared<Menu>(submenu);
    return row;
}

QString arrowKey(char16_t character)
{
    return QString(QChar(character));
}

}  // namespace

PopUpButton* MainView::createSettingMenuWithFrame(const QRectF& frame)
{
    auto* button = new PopUpButton(frame, nullptr, true);
    PopUpItem face;
    face.image = NamedImages::imageNamed(QStringLiteral("settingMenu"));
    button->addItem(face);
    button->setMenuTitle(QStringLiteral("Setting"));
    // Borderless: the face is the gear alone, in the middle of the frame.
    button->setCellPainter([](QPainter& painter, const PopUpButton& popUp, const QRectF& cell) {
        const PopUpItem* shown = popUp.shownItem();
        if (!shown || shown->image.isNull()) return;
        const QSizeF size = shown->image.deviceIndependentSize();
        painter.drawImage(QRectF(cell.center() - QPointF(size.width() / 2, size.height() / 2), size), shown->image);
    });

    const QString actionsTitle = TextTable::localizedString(QStringLiteral("actionShorcutsText"));
    Menu actions(actionsTitle);
    actions.addItem(commandRow(TextTable::localizedString(QStringLiteral("newEventText")), QStringLiteral("n"), this,
                               &MainView::hiddenAddEvent));
    actions.addItem(commandRow(TextTable::localizedString(QStringLiteral("newTaskText")), QStringLiteral("k"), this,
                               &MainView::hiddenAddTask));
    actions.addItem(commandRow(TextTable::localizedString(QStringLiteral("newNoteText")), QStringLiteral("o"), this,
                               &MainView::hiddenAddNote));
    actions.addItem(commandRow(TextTable::localizedString(QStringLiteral("newProjText")), QStringLiteral("/"), this,
                               &MainView::hiddenAddProject));
    actions.addSeparator();
    actions.addItem(senderCommandRow(TextTable::localizedString(QStringLiteral("backupText")), QStringLiteral("b"), this,
                                     &MainView::backup));
    actions.addItem(senderCommandRow(TextTable::localizedString(QStringLiteral("restoreText")), QStringLiteral("r"), this,
                                     &MainView::restore));
    actions.addItem(commandRow(TextTable::localizedString(QStringLiteral("syncText")), QStringLiteral("s"), this,
                               &MainView::syncZVW));

    const QString viewingTitle = TextTable::localizedString(QStringLiteral("viewingShorcutsText"));
    Menu viewing(viewingTitle);
    viewing.addItem(commandRow(TextTable::localizedString(QStringLiteral("showhideListText")), QStringLiteral("l"),
                               this, &MainView::showHideListByShorcut));
    viewing.addItem(commandRow(TextTable::localizedString(QStringLiteral("showhideMonthNavText")), QStringLiteral("."),
                               this, &MainView::navShowHide));
    viewing.addSeparator();
    viewing.addItem(commandRow(TextTable::localizedString(QStringLiteral("dayViewText")), QStringLiteral("d"), this,
                               &MainView::dayShowHide));
    viewing.addItem(commandRow(TextTable::localizedString(QStringLiteral("weekViewText")), QStringLiteral("w"), this,
                               &MainView::weekPlannerShowHide));
    viewing.addItem(commandRow(TextTable::localizedString(QStringLiteral("monthViewText")), QStringLiteral("m"), this,
                               &MainView::monthPlannerShowHide));
    viewing.addSeparator();
    viewing.addItem(commandRow(TextTable::localizedString(QStringLiteral("inscreaseFontSizeText")),
                               QStringLiteral("+"), this, &MainView::increaseCurrentFont));
    viewing.addItem(commandRow(TextTable::localizedString(QStringLiteral("descreaseFontSizeText")),
                               QStringLiteral("-"), this, &MainView::decreaseCurrentFont));

    const QString positionTitle = TextTable::localizedString(QStringLiteral("popdownPositionText"));
    Menu position(positionTitle);
    position.addItem(commandRow(TextTable::localizedString(QStringLiteral("dockedToLeftSideOfScreenText")),
                                arrowKey(KeyCharacter::LeftArrow), this, &MainView::dockLeft));
    position.addItem(commandRow(TextTable::localizedString(QStringLiteral("dockedToRightSideOfScreenText")),
                                arrowKey(KeyCharacter::RightArrow), this, &MainView::dockRight));
    position.addItem(commandRow(TextTable::localizedString(QStringLiteral("nodockedText")),
                                arrowKey(KeyCharacter::UpArrow), this, &MainView::nodock));

    Menu gear(QStringLiteral("Setting"));
    gear.addItem(submenuRow(actionsTitle, actions));
    gear.addSeparator();
    gear.addItem(submenuRow(viewingTitle, viewing));
    gear.addSeparator();
    gear.addItem(submenuRow(positionTitle, position));
    gear.addSeparator();
    gear.addItem(commandRow(TextTable::localizedString(QStringLiteral("preferenceText")), QStringLiteral(","), this,
                            &MainView::preference));
    gear.addItem(commandRow(TextTable::localizedString(QStringLiteral("onlineHelpText")), QStringLiteral("h"), this,
                            &MainView::help));
    gear.addItem(commandRow(TextTable::localizedString(QStringLiteral("aboutText")), QString(), this, &MainView::about));
    gear.addSeparator();
    // Quitting belongs to the application, not to the view.
    MenuItem quit;
    quit.title = TextTable::localizedString(QStringLiteral("quitText"));
    quit.keyEquivalent = QStringLiteral("q");
    quit.action = [] {
        if (ZoravelAppDelegate* delegate = ZoravelAppDelegate::shared())
            delegate->closeApp();
        else
            qWarning() << "Quit chosen with no application delegate to quit";
    };
    gear.addItem(quit);
    button->setPullDownMenu(gear);
    return button;
}

void MainView::setUpGearAndSyncControls(double H)
{
    m_settingBtn = createSettingMenuWithFrame(QRectF(7, H - 40, 38, 40));
    addSubview(m_settingBtn);
    // Shortcuts of whatever window holds the view, while it is the active one.
    installKeyEquivalents(*m_settingBtn->pullDownMenu(), this);

    m_syncingView = new SyncProgressView(QRectF(49, H - 30, 120, 20));
    addSubview(m_syncingView);
    m_syncingView->setHidden(true);
}

// ---- the hidden add commands ------------------------------------------------------

void MainView::hiddenAdd(int editorTag, bool setsQuickAdd)
{
    AddView* addView = m_quickAddView->addView();
    if (!addView) return;
    addView->setHidden(false);
    if (!addView->menuSegmentedControl()->selectSegmentWithTag(editorTag)) {
        qWarning() << "The add form has no editor with the tag" << editorTag;
        return;
    }
    addView->menuControl(this);
    if (setsQuickAdd) m_quickAddView->setIsQuickAdd(true);
}

void MainView::hiddenAddEvent()
{
    hiddenAdd(AddView::EventEditor, true);
}

void MainView::hiddenAddTask()
{
    hiddenAdd(AddView::TaskEditor, true);
}

void MainView::hiddenAddNote()
{
    hiddenAdd(AddView::NoteEditor, false);
}

void MainView::hiddenAddProject()
{
    hiddenAdd(AddView::ProjectEditor, true);
}

// ---- preferences, guide, About -------------------------------------------------------

Preferences* MainView::preferencesWindow()
{
    if (!m_pref) m_pref = std::make_unique<Preferences>();
    return m_pref.get();
}

void MainView::preference()
{
    Preferences* window = preferencesWindow();
    window->setSelectedItemIdentifier(TextTable::localizedString(QStringLiteral("generalText")));
    window->general(this);
    window->makeKeyAndOrderFront();
}

QUrl MainView::onlineGuideAddress()
{
    return QUrl::fromLocalFile(Paths::resourcesFolder() + QStringLiteral("/Guide/index.html"));
}

void MainView::help()
{
    const QUrl guide = onlineGuideAddress();
    const QString path = QDir::toNativeSeparators(guide.toLocalFile());
    QString why;
    if (!QFileInfo::exists(guide.toLocalFile())) {
        qWarning() << "The user guide is missing at" << path;
        why = TextTable::localizedString(QStringLiteral("guideMissingMessage"));
    } else if (!UrlOpener::current().openUrl(guide)) {
        qWarning() << "The user guide could not be opened:" << path;
        why = TextTable::localizedString(QStringLiteral("guideNotOpenedMessage"));
    } else {
        return;
    }
    // The person asked for the guide: say so, and where it is, rather than
    // leave the click without an answer.
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.messageText = TextTable::localizedString(QStringLiteral("guideNotOpenedText"));
    request.informativeText = why.arg(path);
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    AlertPresenter::current().runModal(request);
}

AboutUsPanel* MainView::aboutPanel() const
{
    return m_aboutPanel.data();
}

void MainView::about()
{
    if (!m_aboutPanel) {
        m_aboutPanel = new AboutUsPanel();
        // The view owns it until the main window takes it as a child.
        m_aboutPanel->setParent(this, m_aboutPanel->windowFlags());
    }
    auto* mainWindow = qobject_cast<Window*>(window());
    if (mainWindow && mainWindow != m_aboutPanel) {
        const QRectF main = mainWindow->frame();
        const QRectF panel = m_aboutPanel->frame();
        m_aboutPanel->setFrame(Window::constrainFrameRect(
            QRectF(QPointF(main.x() + (main.width() - panel.width()) / 2, panel.y()), panel.size())));
        mainWindow->addChildWindow(m_aboutPanel, Window::Ordering::Above);
    }
    m_aboutPanel->makeKeyAndOrderFront();
}
