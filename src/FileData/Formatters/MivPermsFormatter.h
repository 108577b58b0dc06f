#pragma once

#include "FileData/Formatters/MivDisplayFormatter.h"
#include "FileData/PermsData.h"

#include <QString>
#include <QVariant>

// POSIX permissions as "rwx" triples, octal digits or both:
// format 1 "drwxr-xr-x (755)", 2 "drwxr-xr-x", any other "755".
class MivPermsFormatter : public MivDisplayFormatter
{
public:
    MivPermsFormatter();

    void reinit() override;
    qint64 format() const { return _format; }

    // A null text for anything but a PermsDataPtr.
    QString stringForObjectValue(const QVariant& value) const;

    // "---" without a record or mode; otherwise the record's cached text, or
    // the text in this format, cached in the record.
    static QString processPerms(PermsData* perms, qint64 format);
    // An item's snapshot in the current permission format of the settings.
    static QString processPermissions(PermsData* perms);
    static QString formatPerms(const PermsData& perms, qint64 format);
    // "l" for a link, else "d" for a folder, else "-".
    static QString firstPermChar(const PermsData& perms);

private:
    qint64 _format = 1;
};
