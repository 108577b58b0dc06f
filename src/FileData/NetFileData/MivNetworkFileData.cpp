#include "FileData/NetFileData/MivNetworkFileData.h"

MivNetworkFileData::MivNetworkFileData(MivServiceDataPtr serviceData) : _serviceData(std::move(serviceData)) {}

MivServiceDataPtr MivNetworkFileData::serviceData() const { return readField(_serviceData); }
void MivNetworkFileData::setServiceData(const MivServiceDataPtr& serviceData) { writeField(_serviceData, serviceData); }
