#include "UIUtilities.h"

#include "TextField.h"

#include <QDebug>

void UIUtilities::getUrlFormInNSTextField(TextField* field)
{
    if (!field) {
        qWarning() << "A link style was asked for no text field; nothing is restyled";
        return;
    }
    // The address is the text itself, so the link follows every edit.
    field->setLink(field->stringValue());
}
