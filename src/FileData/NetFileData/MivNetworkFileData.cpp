#include "FileData/NetFileData/MivNetworkFileData.h"

MivNetworkFileData::MivNetworkFileData(MivServiceDataPtr serviceData) : _serviceData(std::move(serviceData)) {}

MivServiceDataPtr MivNetworkFileData::serviceData() const { return readField(_serviceData); }
void MivNetworkFileData::setServiceData(const MivServiceDataPtr& serviceData) { writeField(_serviceData, serviceData); }

bool MivNetworkFileData::hidden() const { return readField(_hidden); }
void MivNetworkFileData::setHidden(bool hidden) { writeField(_hidden, hidden); }

bool MivNetworkFileData::interactive() const { return readField(_interactive); }
void MivNetworkFileData::setInteractive(bool interactive) { writeField(_interactive, interactive); }
