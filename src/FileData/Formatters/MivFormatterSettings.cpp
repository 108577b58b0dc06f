#include "FileData/Formatters/MivFormatterSettings.h"

#include "FileData/IMivFileDataPropertiesProvider.h"
#include "FileData/MivFileDataHelpers.h"

MivFormatterSettings MivFormatterSettings::current()
{
    MivFormatterSettings settings;
    if (const auto provider = MivFileDataHelpers::fileDataPropertiesProvider()) {
        settings.fileSizeCalculationFormat = provider->fileSizeCalculationFormat();
        settings.sizeDisplayFormat = provider->sizeDisplayFormat();
        settings.dateFormat = provider->dateFormat();
        settings.permissionFormat = provider->permissionFormat();
    }
    return settings;
}
