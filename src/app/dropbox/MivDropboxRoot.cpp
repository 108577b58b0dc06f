#include "app/dropbox/MivDropboxRoot.h"

std::shared_ptr<MivDropboxRoot> MivDropboxRoot::sharedInstance()
{
    static const std::shared_ptr<MivDropboxRoot> instance = MivFileData::makeItem<MivDropboxRoot>();
    return instance;
}
