#include "app/plugins/MivLibArchivePlugin.h"

QList<std::shared_ptr<MivLibArchivePlugin>> MivLibArchivePlugin::allSupported()
{
    const auto make = [](int format, std::initializer_list<const char*> extensions) {
        QStringList list;
        for (const char* extension : extensions)
            list.append(QString::fromLatin1(extension));
        return std::make_shared<MivLibArchivePlugin>(format, list);
    };
    return {
        make(1, {"gz", "tgz", "gzip"}),
        make(2, {"7z", "7zip"}),
        make(4, {"bz2", "bzip2", "bz", "tbz2", "tbz"}),
        make(5, {"ar", "ipk"}),
        make(6, {"iso"}),
        make(7, {"rpm"}),
        make(9, {"rar"}),
    };
}
