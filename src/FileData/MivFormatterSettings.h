#pragma once

#include <QString>

#include <functional>

// The display settings that the value formatters read. The application's
// settings answer them once it has registered a source at start-up; until
// then (and in a file layer used without the application) the defaults
// below apply.
struct MivFormatterSettings
{
    qint64 fileSizeCalculationFormat = 1024;  // bytes per K: 1000 or 1024
    qint64 sizeDisplayFormat = 4;
    QString dateFormat = QStringLiteral("dd/MM/yy HH:mm:ss");
    qint64 permissionFormat = 1;

    using Source = std::function<MivFormatterSettings()>;

    static MivFormatterSettings current();
    // An empty source restores the defaults.
    static void setSource(Source source);
};
