#include "FileData/MivFileRootData.h"

bool MivFileRootData::makeFileAllowed() const { return false; }
bool MivFileRootData::makeFolderAllowed() const { return false; }
void MivFileRootData::resolveExtension() {}
void MivFileRootData::shutdown() {}

void MivFileRootData::didCreate()
{
    MivSimpleFileData::didCreate();
    refresh();
}
