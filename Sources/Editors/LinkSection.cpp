#include "LinkSection.h"

namespace {
LinkSection::Factory& installedFactory()
{
    static LinkSection::Factory factory;
    return factory;
}
}  // namespace

LinkSection::LinkSection(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
}

LinkSection::~LinkSection() = default;

void LinkSection::loadCurrentLinks(const TaskPtr& item)
{
    m_item = item;
}

void LinkSection::updateFrameHeight()
{
    setFrameSize(QSizeF(frame().width(), 0));
}

bool LinkSection::saveChanges()
{
    return false;
}

void LinkSection::setFactory(Factory factory)
{
    installedFactory() = std::move(factory);
}

LinkSection* LinkSection::create(const QRectF& frame, QWidget* parent)
{
    if (const Factory& factory = installedFactory()) {
        if (LinkSection* section = factory(frame, parent)) return section;
    }
    return new LinkSection(frame, parent);
}
