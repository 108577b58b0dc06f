#include "FileData/MivUpFolderData.h"

#include "FileData/MivImageUtils.h"
#include "platform/NoDestructor.h"

MivUpFolderData::MivUpFolderData(MivFileDataPtr wrapped) : _wrapped(std::move(wrapped)) {}

MivIconDescriptorPtr MivUpFolderData::upFolderIcon()
{
    static const plat::NoDestructor<MivIconDescriptorPtr> icon(
        MivImageUtils::templateIconNamed(QStringLiteral("arrowshape.up.fill"), QSizeF(), true));
    return *icon;
}

bool MivUpFolderData::isUpFolderData() const { return true; }
bool MivUpFolderData::folder() const { return true; }
bool MivUpFolderData::readable() const { return true; }
bool MivUpFolderData::writable() const { return false; }
void MivUpFolderData::resolveExtension() {}
MivIconDescriptorPtr MivUpFolderData::resolveIcon() const { return upFolderIcon(); }

void MivUpFolderData::refresh()
{
    updateName(QStringLiteral(".."));
    updateIconImage(resolveIcon());
    setSize(kSizeUpFolder);
    MivSimpleFileData::refresh();
}

void MivUpFolderData::updateSize(const std::shared_ptr<IMivFileDataUpdateDelegate>&) {}

bool MivUpFolderData::updateFolderSizeState()
{
    setSize(kSizeUpFolder);
    return true;
}

int MivUpFolderData::sortKey() const { return -100; }

QString MivUpFolderData::displayInfo() const
{
    return _wrapped ? _wrapped->displayInfo() : MivSimpleFileData::displayInfo();
}

QString MivUpFolderData::pathKey() const { return _wrapped ? _wrapped->pathKey() : MivSimpleFileData::pathKey(); }

void MivUpFolderData::didCreate()
{
    MivSimpleFileData::didCreate();
    refresh();
}
