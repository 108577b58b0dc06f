#pragma once

#include "FileData/IMivFileView.h"
#include "platform/SortDescriptor.h"

#include <QList>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace plat {
class Error;
}

// The core item interface: every kind of file item answers it.
//
// Interfaces are inherited virtually: a kind adopts several of them (and
// IMivCopyFile repeats IMivFile), and each must reach one IMivFile.
class IMivFile : public virtual IMivFileView
{
public:
    virtual void close() = 0;
    virtual void refresh() = 0;
    virtual bool activate() = 0;
    virtual void initializeDataIcon() = 0;
    virtual void clearCache() = 0;
    virtual bool renameOverwriteEnabled() const = 0;
    virtual MivFileDataPtr createChild(const QString& name, bool folder) = 0;
    virtual MivFileDataPtr makeFolderWithName(const QString& name, plat::Error* error) = 0;
    virtual MivFileDataPtr makeFileWithName(const QString& name, plat::Error* error) = 0;

    // Fills the array with the children. A back-end that can produce a flat
    // listing itself reports it through params.setFlatResolvingSupported.
    virtual bool listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams& params,
                                     const MivFileCallback& callback, plat::Error* errorRes) = 0;
    virtual QList<MivFileDataPtr> listElements(bool hidden, const MivFileCallback& callback, plat::Error* errorRes) = 0;
    virtual QList<MivFileDataPtr> listElements(bool hidden, const std::optional<plat::SortDescriptor>& sortData,
                                               const MivFileCallback& callback, plat::Error* errorRes) = 0;

    // Identity of the underlying file, to recognise it under another name.
    virtual QVariant fileIdent() const = 0;
    virtual void setFileIdent(const QVariant& fileIdent) = 0;
    virtual std::optional<qint64> labelNumber() const = 0;
    virtual void setLabelNumber(const std::optional<qint64>& labelNumber) = 0;
    virtual QStringList tags() const = 0;
    virtual void setTags(const QStringList& tags) = 0;
    virtual QString linkPath() const = 0;
    virtual void setLinkPath(const QString& linkPath) = 0;

    virtual QString realPath() const = 0;
    virtual QString sourcePath() const = 0;
    virtual QString pathKey() const = 0;
    virtual QString savingKey() const = 0;
    virtual QString fullSavingKey() const = 0;
    virtual QString displayInfo() const = 0;

    virtual bool hidden() const = 0;
    virtual bool folder() const = 0;
    virtual bool exists() const = 0;
    virtual bool link() const = 0;

    // POSIX mode bits; absent where a kind has none.
    virtual std::optional<qint64> posix() const = 0;
    virtual void setPosix(const std::optional<qint64>& posix) = 0;

    virtual bool readable() const = 0;
    virtual bool writable() const = 0;
    virtual bool deletable() const = 0;
    virtual bool executable() const = 0;
};
