#pragma once

#include "Window.h"

// The preferences window. Its panes come with their own subsystem; for now
// the window exists, titled with the pane in front, and switches between
// its two named panes.
class Preferences : public Window {
    Q_OBJECT

public:
    Preferences();
    ~Preferences() override;

    // The pane in front: the localised title "generalText" or "syncText".
    QString selectedItemIdentifier() const { return m_selected; }
    void setSelectedItemIdentifier(const QString& identifier);
    void general(QObject* sender);
    void sync(QObject* sender);

private:
    QString m_selected;
};
