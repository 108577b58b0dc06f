#pragma once

#include "FileData/MivLazyLoadData.h"

#include <QDateTime>
#include <QVariantMap>

#include <optional>

// The column values one preparation read for a local item off the main
// thread; the main thread only stores them. A field without a value was not
// read; a date that was read but found nothing is an invalid date, which is
// stored (and marked) like any other, so it is not asked for again.
class OsxLazyLoadData : public MivLazyLoadData
{
public:
    // The added date.
    std::optional<QDateTime> dta() const { return _dta; }
    void setDta(const std::optional<QDateTime>& dta) { _dta = dta; }
    // "accessTime", "stateChgTime", "createTime" (processDates).
    QVariantMap dtaArray() const { return _dtaArray; }
    void setDtaArray(const QVariantMap& dtaArray) { _dtaArray = dtaArray; }
    // "user", "group", "posix" (resolveStatDataForPath).
    QVariantMap statArray() const { return _statArray; }
    void setStatArray(const QVariantMap& statArray) { _statArray = statArray; }
    // "type", "typename" (resolveTypeInfo).
    QVariantMap typeArray() const { return _typeArray; }
    void setTypeArray(const QVariantMap& typeArray) { _typeArray = typeArray; }
    // The creation date.
    std::optional<QDateTime> crdta() const { return _crdta; }
    void setCrdta(const std::optional<QDateTime>& crdta) { _crdta = crdta; }
    // The last access date.
    std::optional<QDateTime> adta() const { return _adta; }
    void setAdta(const std::optional<QDateTime>& adta) { _adta = adta; }

private:
    std::optional<QDateTime> _dta;
    QVariantMap _dtaArray;
    QVariantMap _statArray;
    QVariantMap _typeArray;
    std::optional<QDateTime> _crdta;
    std::optional<QDateTime> _adta;
};
