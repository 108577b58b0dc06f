#include "FileData/MivFileUtils.h"

#include "FileData/MivIconDescriptor.h"
#include "FileData/MivImageUtils.h"
#include "platform/NoDestructor.h"

namespace {

struct SharedIcons
{
    MivIconDescriptorPtr notLoaded;
    MivIconDescriptorPtr file;
    MivIconDescriptorPtr defaultFolder;
    MivIconDescriptorPtr folder;
};

const SharedIcons& sharedIcons()
{
    static const plat::NoDestructor<SharedIcons> icons([] {
        SharedIcons made;
        made.notLoaded = MivImageUtils::sysIconNamed(QStringLiteral("NotLoaded"));
        made.file = MivImageUtils::sysIconNamed(QStringLiteral("GenericDocumentIcon"));
        // Asked twice on purpose: two objects, so one can be told from the other.
        made.defaultFolder = MivImageUtils::sysIconNamed(QStringLiteral("GenericFolderIcon"));
        made.folder = MivImageUtils::sysIconNamed(QStringLiteral("GenericFolderIcon"));
        return made;
    }());
    return *icons;
}

} // namespace

MivIconDescriptorPtr MivFileUtils::notLoadedImage() { return sharedIcons().notLoaded; }
MivIconDescriptorPtr MivFileUtils::fileIconImage() { return sharedIcons().file; }
MivIconDescriptorPtr MivFileUtils::defaultFolderIconImage() { return sharedIcons().defaultFolder; }
MivIconDescriptorPtr MivFileUtils::folderIconImage() { return sharedIcons().folder; }

const plat::SortDescriptor& MivFileUtils::virtualSortDescriptor()
{
    static const plat::NoDestructor<plat::SortDescriptor> descriptor(plat::SortDescriptor{QStringLiteral("##virt##"), true});
    return *descriptor;
}
