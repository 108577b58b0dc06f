#pragma once

#include "platform/SortDescriptor.h"

#include <optional>

// What the column menu and the column notifications need of their panel.
class IMivFilesTableColumnsHost
{
public:
    virtual ~IMivFilesTableColumnsHost() = default;

    // The side's tab container, the object of the column notifications;
    // null while the panel has none.
    virtual const void* tabContainer() const = 0;
    // Set while the panel applies a column configuration: nothing is posted then.
    virtual bool inSynchronization() const = 0;
    virtual void updateColumnBindings() = 0;
    virtual void resolveHiddenColumnsForLoading() = 0;
    virtual void reloadPanel() = 0;
    virtual void refreshPanel() = 0;
    // Whether this panel is the main window's active one.
    virtual bool isActivePanel() const = 0;
    // The application's sort marks follow the active panel.
    virtual void sortDescriptorUpdated(const std::optional<plat::SortDescriptor>& descriptor) = 0;
};
