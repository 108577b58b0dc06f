#include "FileData/MivSimpleFileData.h"

bool MivSimpleFileData::listElementsToArray(QList<MivFileDataPtr>&, const MivListFilesParams&, const MivFileCallback&,
                                            plat::Error*)
{
    return true;
}

void MivSimpleFileData::updateSize(const std::shared_ptr<IMivFileDataUpdateDelegate>&) {}
void MivSimpleFileData::updateSize(const std::shared_ptr<IMivFileDataUpdateDelegate>&, bool) {}
bool MivSimpleFileData::updateFolderSizeState() { return true; }
QString MivSimpleFileData::displayInfo() const { return name(); }
QString MivSimpleFileData::pathKey() const { return name(); }
bool MivSimpleFileData::makeFileAllowed() const { return false; }
bool MivSimpleFileData::makeFolderAllowed() const { return false; }
bool MivSimpleFileData::shouldRename() const { return false; }
bool MivSimpleFileData::showContentAllowed() const { return false; }
