#include "RecordingMainView.h"

RecordingMainView::RecordingMainView()
{
    MainViewAccess::setCurrent(this);
}

RecordingMainView::~RecordingMainView()
{
    if (MainViewAccess::current() == this) MainViewAccess::setCurrent(nullptr);
}

void RecordingMainView::showSyncingIndicator()
{
    record(QStringLiteral("show"));
}

void RecordingMainView::hideSyncingIndicator()
{
    record(QStringLiteral("hide"));
}

void RecordingMainView::reloadData()
{
    record(QStringLiteral("reload"));
}

QStringList RecordingMainView::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

void RecordingMainView::record(const QString& call)
{
    std::lock_guard lock(m_mutex);
    m_calls.append(call);
}
