#pragma once

#include "platform/SortDescriptor.h"

#include <QObject>
#include <QPointer>

#include <optional>

// The options of one listing call, from the asker (the panel's loader, the
// listing conveniences of the items) to the back-end that lists a folder.
class MivListFilesParams
{
public:
    MivListFilesParams(const std::optional<plat::SortDescriptor>& sort, bool hidden);

    bool hidden() const { return _hidden; }
    void setHidden(bool hidden) { _hidden = hidden; }
    bool includeFiles() const { return _includeFiles; }
    void setIncludeFiles(bool includeFiles) { _includeFiles = includeFiles; }
    bool onlyURLs() const { return _onlyURLs; }
    void setOnlyURLs(bool onlyURLs) { _onlyURLs = onlyURLs; }
    bool flat() const { return _flat; }
    void setFlat(bool flat) { _flat = flat; }

    // The one answer a back-end gives through the parameters (they reach it
    // as const): YES when it produced the flat listing itself. It is written
    // during the listing call and read by the asker after the call returns.
    bool flatResolvingSupported() const { return _flatResolvingSupported; }
    void setFlatResolvingSupported(bool supported) const { _flatResolvingSupported = supported; }

    const std::optional<plat::SortDescriptor>& sort() const { return _sort; }
    void setSort(const std::optional<plat::SortDescriptor>& sort) { _sort = sort; }

    // The asking panel, not owned; null once the panel is gone.
    QObject* panel() const { return _panel.data(); }
    void setPanel(QObject* panel) { _panel = panel; }

private:
    bool _hidden;
    bool _includeFiles = true;
    bool _onlyURLs = false;
    bool _flat = false;
    mutable bool _flatResolvingSupported = false;
    std::optional<plat::SortDescriptor> _sort;
    QPointer<QObject> _panel;
};
