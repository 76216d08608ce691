#pragma once

#include "ModelTypes.h"
#include "View.h"

#include <QPointer>

#include <functional>

// The links and comments section under an item editor's fields. The editors
// only hold it through this class: load an item, fit and report its own
// height, store pending changes, show or hide. The notes subsystem installs
// its section with setFactory; until it does, the editors get this class
// itself, which shows nothing and is 0 high, so the layout above it is the
// same with or without links.
class LinkSection : public View {
    Q_OBJECT

public:
    explicit LinkSection(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~LinkSection() override;

    // The editor that holds the section (told when a link is removed).
    QWidget* parentView() const { return m_parentView; }
    void setParentView(QWidget* parentView) { m_parentView = parentView; }

    // Loads the item's links and, for its series' root key, its comments.
    virtual void loadCurrentLinks(const TaskPtr& item);
    // Sets its own height from what it lists; the editor reads frame().height().
    virtual void updateFrameHeight();
    // Stores the pending link changes; answers whether anything was stored.
    virtual bool saveChanges();

    using Factory = std::function<LinkSection*(const QRectF& frame, QWidget* parent)>;
    // What the editors make; null restores the empty section.
    static void setFactory(Factory factory);
    static LinkSection* create(const QRectF& frame, QWidget* parent = nullptr);

protected:
    TaskPtr item() const { return m_item; }

private:
    QPointer<QWidget> m_parentView;
    TaskPtr m_item;
};
