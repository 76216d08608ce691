#include "StartUpWizardPanel.h"

#include "Button.h"
#include "CoreData.h"
#include "Font.h"
#include "Screen.h"
#include "Setting.h"
#include "TextField.h"
#include "TextTable.h"
#include "View.h"

#include <QDebug>

namespace {

constexpr double panelWidth = 480;
constexpr double panelHeight = 240;
constexpr double margin = 32;

}  // namespace

StartUpWizardPanel::StartUpWizardPanel(std::function<void()> openMainWindow)
    : Panel(centredFrame(Screen::mainVisibleFrame()), BorderlessWindowMask),
      m_openMainWindow(std::move(openMainWindow))
{
    setLevel(Level::Status);
    setBackgroundBrush(QColor(250, 250, 252));
    View* content = contentView();
    const double width = panelWidth - 2 * margin;

    // The content view is not flipped: frames count from the bottom.
    m_title = TextField::labelWithString(TextTable::localizedString(QStringLiteral("wizardWelcomeTitleText")),
                                         QRectF(margin, panelHeight - margin - 30, width, 30), content);
    m_title->setTextFont(Font::boldSystemFont(20));
    m_title->setTextColor(QColor(12, 34, 83));

    m_welcome = TextField::labelWithString(TextTable::localizedString(QStringLiteral("wizardWelcomeText")),
                                           QRectF(margin, 84, width, panelHeight - margin - 30 - 12 - 84), content);
    m_welcome->setTextFont(Font::systemFont(13));
    m_welcome->setTextColor(QColor(0x33, 0x33, 0x33));
    m_welcome->setWraps(true);

    m_startButton = new Button(QRectF(panelWidth - margin - 110, margin - 6, 110, 32), content);
    m_startButton->setTitle(TextTable::localizedString(QStringLiteral("wizardStartText")));
    m_startButton->setKeyEquivalent(QStringLiteral("\r"));
    m_startButton->setTarget(this, [this](Button*) { finishWizard(); });
}

StartUpWizardPanel::~StartUpWizardPanel() = default;

QSizeF StartUpWizardPanel::panelSize()
{
    return {panelWidth, panelHeight};
}

QRectF StartUpWizardPanel::centredFrame(const QRectF& visibleFrame)
{
    return QRectF(visibleFrame.x() + (visibleFrame.width() - panelWidth) * 0.5,
                  visibleFrame.y() + (visibleFrame.height() - panelHeight) * 0.5, panelWidth, panelHeight);
}

void StartUpWizardPanel::finishWizard()
{
    // A second click while the main window is being built does nothing more.
    if (m_finished) return;
    m_finished = true;
    if (CoreData* dataManager = CoreData::shared()) {
        if (const SettingPtr setting = dataManager->currentSetting()) {
            setting->setStartUpWizard(0);
            // Not saved, the wizard comes back at the next start: the user
            // loses nothing by it, so the main window opens all the same.
            if (!setting->dehydrate()) qWarning() << "The end of the start-up wizard could not be saved";
        }
    }
    orderOut();
    if (m_openMainWindow) m_openMainWindow();
}
