#include "AboutUsPanel.h"

#include "Font.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"

#include <QCoreApplication>

AboutUsPanel::AboutUsPanel() : Panel(QRectF(0, 0, 300, 150), TitledWindowMask | ClosableWindowMask | UtilityWindowMask)
{
    setWindowTitle(TextTable::localizedString(QStringLiteral("aboutText")));
    auto* content = new View(QRectF(0, 0, 300, 150));
    content->setFlipped(true);
    TextField* name = UIUtilities::getCommonTextFieldWithFrame(QRectF(20, 40, 260, 30));
    name->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 20));
    name->setAlignment(Qt::AlignHCenter);
    name->setStringValue(QStringLiteral("Zoravel"));
    content->addSubview(name);
    TextField* version = UIUtilities::getCommonTextFieldWithFrame(QRectF(20, 80, 260, 20));
    version->setAlignment(Qt::AlignHCenter);
    version->setStringValue(TextTable::localizedString(QStringLiteral("versionText"))
                                .arg(QCoreApplication::applicationVersion()));
    content->addSubview(version);
    setContentView(content);
    // Its height on the screen is its own: the middle, until the user moves it.
    center();
}

AboutUsPanel::~AboutUsPanel() = default;
