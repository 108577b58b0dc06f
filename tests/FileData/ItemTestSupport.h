#pragma once

#include "FileData/IMivIconPlugin.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataHelpers.h"
#include "FileData/MivItemHooks.h"
#include "FileData/MivSimpleFileData.h"
#include "platform/Error.h"
#include "support/FakePropertiesProvider.h"

#include <QList>

#include <functional>
#include <memory>
#include <stdexcept>

namespace itemtest {

// Clears every item hook a test set, whatever way the test ends.
struct ScopedHooks
{
    ~ScopedHooks()
    {
        MivItemHooks::setMakeInstanceForURL(nullptr);
        MivItemHooks::setRootData(nullptr);
        MivItemHooks::setDriveVolumeDescription(nullptr);
        MivItemHooks::setMountedShareBaseURL(nullptr);
        MivItemHooks::setFastFolderSizeAtURL(nullptr);
        MivItemHooks::setRealParentForData(nullptr);
        MivItemHooks::setIsLocalVolumeForURL(nullptr);
        MivItemHooks::setUpdatePasswordForURL(nullptr);
    }
};

// A folder of the base kind whose listing answers the children it was given
// (and, when set, an error beside them).
class TreeFolder : public MivFileData
{
public:
    bool folder() const override { return true; }
    QString pathKey() const override { return name(); }
    bool listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams&, const MivFileCallback& callback,
                             plat::Error* errorRes) override
    {
        ++listings;
        for (const auto& child : children) {
            array.append(child);
            if (callback)
                callback(child);
        }
        if (!listingError.isNull())
            plat::Error::assign(errorRes, listingError);
        return listingError.isNull();
    }

    QList<MivFileDataPtr> children;
    plat::Error listingError;
    int listings = 0;
};

// A file whose size calculation runs a step first (and may throw).
class SizedFile : public MivFileData
{
public:
    quint64 calculateSizeWithDelegate(const std::shared_ptr<IMivCalculateSizeDelegate>& delegate) override
    {
        if (step)
            step();
        return MivFileData::calculateSizeWithDelegate(delegate);
    }
    std::function<void()> step;
};

inline std::shared_ptr<SizedFile> sizedFile(qint64 size, std::function<void()> step = {})
{
    auto file = std::make_shared<SizedFile>();
    file->setSize(size);
    file->step = std::move(step);
    return file;
}

} // namespace itemtest
