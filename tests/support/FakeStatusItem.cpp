#include "FakeStatusItem.h"

FakeStatusItem::FakeStatusItem()
{
    // As the real item, it shows an icon from the start.
    showIcon(currentIcon());
}
