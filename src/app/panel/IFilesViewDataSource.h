#pragma once

#include <QString>
#include <QVariantMap>

class QAction;
class QKeyEvent;
class QWidget;

// What a panel's list view and thumbnail view hand to their panel: keys,
// modifier changes, Tab, menu validation, copy, paste and marking. The panel
// implements it; the views only forward.
class IFilesViewDataSource
{
public:
    virtual ~IFilesViewDataSource() = default;

    virtual void selectAll() = 0;
    virtual void selectNone() = 0;
    virtual void invertSelection() = 0;
    virtual void selectByExtension() = 0;
    virtual void selectGroup() = 0;
    virtual void unselectGroup() = 0;
    virtual void processPaste() = 0;
    virtual void processCopy() = 0;
    virtual void flagsChanged(QWidget* view, QKeyEvent* event) = 0;
    // true when the key was not consumed: the view handles it itself then.
    virtual bool processKeyDown(QWidget* view, QKeyEvent* event) = 0;
    virtual void processInsertKey(QWidget* view) = 0;
    virtual bool processValidateMenuItem(QWidget* view, QAction* item) = 0;
    // A control key ("FilesTableControlKey…") with its optional data.
    virtual void processControlKey(const QString& key, const QVariantMap& data) = 0;
};
