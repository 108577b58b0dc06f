#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QString>
#include <QVariantMap>

#include <optional>

// What a side's saved state needs from one tab when it saves it: its lock
// state, the folder it shows, its tab context, its panel's view profile and
// the dictionary it was restored from. The tab item of the tab container
// adopts it.
class IMivSavedTab
{
public:
    virtual ~IMivSavedTab() = default;

    virtual bool locked() const = 0;
    virtual bool softLocked() const = 0;
    // The path key the tab is locked to and its saved location; both or neither.
    virtual QString lockContext() const = 0;
    virtual QVariantMap lockContextData() const = 0;

    // The panel's folder, else its temporary folder; null without either.
    virtual MivFileDataPtr folder() const = 0;
    virtual QString tabContext() const = 0;
    // The panel's view state ("viewType", "zoom"), when it gives one.
    virtual std::optional<QVariantMap> panelProfile() const = 0;

    // False while a tab restored at start-up has not been shown yet.
    virtual bool stateLoaded() const = 0;
    // The saved dictionary the tab was restored from, if any.
    virtual std::optional<QVariantMap> stateData() const = 0;
};
