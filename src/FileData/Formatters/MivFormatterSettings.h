#pragma once

#include <QString>

// The display settings that the value formatters read: the registered
// settings provider's (MivFileDataHelpers) when there is one; without it (a
// file layer used without the application) the defaults below.
struct MivFormatterSettings
{
    qint64 fileSizeCalculationFormat = 1024;  // bytes per K: 1000 or 1024
    qint64 sizeDisplayFormat = 4;
    QString dateFormat = QStringLiteral("dd/MM/yy HH:mm:ss");
    qint64 permissionFormat = 1;

    static MivFormatterSettings current();
};
