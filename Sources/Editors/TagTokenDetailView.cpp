#include "TagTokenDetailView.h"

#include "CoreData.h"
#include "DatePicker.h"
#include "NotificationCenter.h"
#include "Tag.h"

#include <cmath>

TagTokenHost::~TagTokenHost() = default;

TagTokenDetailView::TagTokenDetailView(const QRectF& frame, QWidget* parent) : TokenField(frame, parent)
{
    setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 12));
    // Tag lists are stored as "/name/name": a "/" inside a name would come
    // back as two tags. It splits the token where it is typed, as a comma
    // does, so the field shows the names that will be saved.
    setTokenizingCharacters(QStringLiteral(",/"));
    setCompletionProvider([](const QString& substring) { return completionsForSubstring(substring); });
    setOnTextChanged([this](TokenField*) { resizeTokenField(); });
    setOnEndEditing([this](TokenField*) {
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTextFieldHasChangedNotification,
                                                                             static_cast<TokenField*>(this));
    });
}

TagTokenDetailView::~TagTokenDetailView() = default;

void TagTokenDetailView::resizeTokenField()
{
    const QRectF kept = frame();
    const double newHeight = linesForWidth(fittingWidth(), kept.width()) * lineHeight;
    const double offset = std::round(float(newHeight - kept.height()));
    setFrame(QRectF(kept.topLeft(), QSizeF(kept.width(), newHeight)));
    if (auto* host = dynamic_cast<TagTokenHost*>(m_parentView.data())) host->resizeHeightWithOffset(offset);
}

QStringList TagTokenDetailView::completionsForSubstring(const QString& substring)
{
    QStringList names;
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return names;
    for (const TagPtr& tag : dataManager->tagList()) {
        if (tag && hasPrefixIgnoringCaseAndDiacritics(tag->tagName(), substring)) names.append(tag->tagName());
    }
    return names;
}
