#include "FileData/MivFormatterSettings.h"

#include <mutex>

namespace {
std::mutex g_mutex;
MivFormatterSettings::Source g_source;
} // namespace

MivFormatterSettings MivFormatterSettings::current()
{
    Source source;
    {
        std::lock_guard lock(g_mutex);
        source = g_source;
    }
    return source ? source() : MivFormatterSettings();
}

void MivFormatterSettings::setSource(Source source)
{
    std::lock_guard lock(g_mutex);
    g_source = std::move(source);
}
