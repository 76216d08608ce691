#include "StartUpWizardPanel.h"

#include "CoreData.h"
#include "Screen.h"
#include "Setting.h"
#include "StartUpWizardView.h"

#include <QDebug>

#include <cmath>

StartUpWizardPanel::StartUpWizardPanel(std::function<void()> openMainWindow)
    : Panel(centredFrame(Screen::mainVisibleFrame()), BorderlessWindowMask),
      m_openMainWindow(std::move(openMainWindow))
{
    setLevel(Level::Status);
    m_wizard = new StartUpWizardView(QRectF(QPointF(0, 0), StartUpWizard::pageSize));
    setContentView(m_wizard);
    m_wizard->setStartAction([this] { finishWizard(); });
    // The slides' keys reach the wizard from the first showing on.
    m_wizard->setFocus(Qt::OtherFocusReason);
}

StartUpWizardPanel::~StartUpWizardPanel() = default;

QSizeF StartUpWizardPanel::panelSize()
{
    return StartUpWizard::pageSize;
}

QRectF StartUpWizardPanel::centredFrame(const QRectF& visibleFrame)
{
    const QSizeF size = panelSize();
    return QRectF(visibleFrame.x() + std::round((visibleFrame.width() - size.width()) * 0.5),
                  visibleFrame.y() + std::round((visibleFrame.height() - size.height()) * 0.5), size.width(),
                  size.height());
}

Button* StartUpWizardPanel::startButton() const
{
    return m_wizard->zvmButton();
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
    if (m_openMainWindow) m_openMainWindow();
    orderOut();
}
