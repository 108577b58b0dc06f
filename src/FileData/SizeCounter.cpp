#include "FileData/SizeCounter.h"

#include "platform/StripedLocks.h"

using plat::StripedLocks;

SizeCounter::SizeCounter(MivFileDataPtr data)
    : _data(std::move(data))
{
}

MivFileDataPtr SizeCounter::data() const { return StripedLocks::read(this, _data); }
void SizeCounter::setData(MivFileDataPtr data) { StripedLocks::write(this, _data, std::move(data)); }
qint64 SizeCounter::localSize() const { return StripedLocks::read(this, _localSize); }
void SizeCounter::setLocalSize(qint64 localSize) { StripedLocks::write(this, _localSize, localSize); }
