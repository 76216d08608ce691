#include "FakeFilePicker.h"

#include <gtest/gtest.h>

FakeFilePicker::FakeFilePicker()
{
    FilePicker::setCurrent(this);
}

FakeFilePicker::~FakeFilePicker()
{
    FilePicker::setCurrent(nullptr);
    EXPECT_TRUE(m_script.empty()) << m_script.size() << " scripted panel answers were never asked for";
}

std::optional<QString> FakeFilePicker::answer(bool save, const FilePanelRequest& request)
{
    m_shown.append({save, request});
    if (m_script.empty()) {
        ADD_FAILURE() << "A file panel was shown with no scripted answer";
        return std::nullopt;
    }
    std::optional<QString> path = m_script.front();
    m_script.pop_front();
    if (save && path) return withAllowedExtension(*path, request.allowedFileTypes);
    return path;
}

std::optional<QString> FakeFilePicker::runSavePanel(const FilePanelRequest& request)
{
    return answer(true, request);
}

std::optional<QString> FakeFilePicker::runOpenPanel(const FilePanelRequest& request)
{
    return answer(false, request);
}
