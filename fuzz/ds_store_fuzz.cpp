// Folder view-settings files come from copied disks and shared folders:
// reading one never reads past its bytes, and every record it answers has a
// four-character code and a value.

#include "FuzzSupport.h"

#include "FileData/Local/MivDSStoreParser.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto result = MivDSStoreParser::parseSectionsForBuffer(bytes);
    if (!result)
        return 0;
    for (auto name = result->cbegin(); name != result->cend(); ++name) {
        const QVariantMap records = name.value().toMap();
        for (auto record = records.cbegin(); record != records.cend(); ++record) {
            FUZZ_CHECK(record.key().size() == 4, fuzz::show(record.key()));
            FUZZ_CHECK(record.value().isValid(), fuzz::show(name.key()));
        }
    }
    return 0;
}
