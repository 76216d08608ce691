#include "MessageBoxAlertPresenter.h"

#include "TextTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon iconOf(AlertStyle style)
{
    switch (style) {
    case AlertStyle::Informational: return QMessageBox::Information;
    case AlertStyle::Critical: return QMessageBox::Critical;
    case AlertStyle::Warning: break;
    }
    return QMessageBox::Warning;
}

QComboBox* popUpOf(const AlertRequest& request, QWidget* parent)
{
    auto* popUp = new QComboBox(parent);
    popUp->setAccessibleName(request.accessoryTitle);
    for (const AlertChoice& choice : request.accessoryChoices) popUp->addItem(choice.title, choice.tag);
    popUp->setCurrentIndex(std::max(0, popUp->findData(request.accessoryChosenTag)));
    return popUp;
}

// The message box has no place for a view of ours: the pop-up goes into its
// grid between the texts and the buttons, moving the buttons one row down.
// Called after every setter, since some of them rebuild the grid.
void placeUnderTexts(QMessageBox& box, QWidget* accessory)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    auto* buttons = box.findChild<QDialogButtonBox*>();
    const int buttonsIndex = grid && buttons ? grid->indexOf(buttons) : -1;
    if (buttonsIndex < 0) {
        box.layout()->addWidget(accessory);
        return;
    }
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(buttonsIndex, &row, &column, &rowSpan, &columnSpan);
    grid->removeWidget(buttons);
    grid->addWidget(accessory, row, 1, 1, 1, Qt::AlignLeft);
    grid->addWidget(buttons, row + 1, column, rowSpan, columnSpan);
}

}  // namespace

AlertResponse MessageBoxAlertPresenter::runModal(const AlertRequest& request)
{
    QMessageBox box;
    box.setIcon(iconOf(request.style));
    box.setText(request.messageText);
    box.setInformativeText(request.informativeText);

    // Every button has the same role, so the box keeps them in the order
    // added; the answer comes from the button pressed, never its position.
    QList<QAbstractButton*> buttons;
    for (const QString& title : request.buttonTitles) buttons.append(box.addButton(title, QMessageBox::AcceptRole));
    if (!buttons.isEmpty()) box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));

    QCheckBox* suppression = nullptr;
    if (request.showsSuppressionButton) {
        suppression = new QCheckBox(TextTable::localizedString(QStringLiteral("doNotAskAgainText")));
        suppression->setChecked(request.suppressionState);
        box.setCheckBox(suppression);
    }
    QComboBox* popUp = nullptr;
    if (!request.accessoryChoices.isEmpty()) {
        popUp = popUpOf(request, &box);
        placeUnderTexts(box, popUp);
    }

    box.exec();

    AlertResponse response;
    const qsizetype pressed = buttons.indexOf(box.clickedButton());
    response.button = AlertResponse::firstButton + static_cast<int>(std::max<qsizetype>(pressed, 0));
    response.suppressed = suppression ? suppression->isChecked() : request.suppressionState;
    response.chosenTag = popUp ? popUp->currentData().toLongLong() : request.accessoryChosenTag;
    return response;
}
