#pragma once

#include "app/plugins/MivArchivePluginPlaceholder.h"

#include <QList>

#include <memory>

// The archive-library plug-in; one instance per format.
class MivLibArchivePlugin : public MivArchivePluginPlaceholder
{
public:
    MivLibArchivePlugin(int format, QStringList extensions)
        : MivArchivePluginPlaceholder(std::move(extensions))
        , m_format(format)
    {
    }

    int format() const { return m_format; }

    // gzip, 7z, bz2, ar, iso, rpm and rar, in this order; new objects each call.
    static QList<std::shared_ptr<MivLibArchivePlugin>> allSupported();

private:
    int m_format;
};
