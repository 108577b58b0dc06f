#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QDateTime>
#include <QString>

// The displayable attributes of an item: what the panels' columns show.
class IMivFileView
{
public:
    virtual ~IMivFileView() = default;

    virtual int sortKey() const = 0;
    virtual QString folderNameSortKey() const = 0;
    virtual QString extenssion() const = 0;
    virtual void setExtenssion(const QString& extenssion) = 0;
    virtual QString name() const = 0;
    virtual void setName(const QString& name) = 0;
    virtual MivIconDescriptorPtr icon() const = 0;
    virtual void setIcon(const MivIconDescriptorPtr& icon) = 0;
    virtual QString owner() const = 0;
    virtual void setOwner(const QString& owner) = 0;
    virtual QString group() const = 0;
    virtual void setGroup(const QString& group) = 0;
    virtual QDateTime addedDate() const = 0;
    virtual void setAddedDate(const QDateTime& date) = 0;
    virtual QDateTime stateChangeDate() const = 0;
    virtual void setStateChangeDate(const QDateTime& date) = 0;
    virtual QDateTime lastAccessDate() const = 0;
    virtual void setLastAccessDate(const QDateTime& date) = 0;
    virtual QDateTime creationDate() const = 0;
    virtual void setCreationDate(const QDateTime& date) = 0;
    virtual QDateTime modificationDate() const = 0;
    virtual void setModificationDate(const QDateTime& date) = 0;
    virtual QString utiType() const = 0;
    virtual void setUtiType(const QString& utiType) = 0;
    virtual QString type() const = 0;
    virtual void setType(const QString& type) = 0;
    virtual qint64 size() const = 0;
    virtual void setSize(qint64 size) = 0;
    virtual qint64 physicalSize() const = 0;
    virtual void setPhysicalSize(qint64 physicalSize) = 0;
};
