#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QtGlobal>

// An item paired with a running byte count.
class SizeCounter
{
public:
    explicit SizeCounter(MivFileDataPtr data);

    MivFileDataPtr data() const;
    void setData(MivFileDataPtr data);
    qint64 localSize() const;
    void setLocalSize(qint64 localSize);

private:
    MivFileDataPtr _data;
    qint64 _localSize = 0;
};
