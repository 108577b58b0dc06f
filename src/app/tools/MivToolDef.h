#pragma once

#include "app/tools/MivToolParamDef.h"
#include "app/tools/MivToolShortcut.h"

#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

// A user-defined external tool as the settings keep it.
struct MivToolDef
{
    static constexpr const char* kClassName = "MivToolDef";

    QString name;
    QString path;
    QString iconPath;
    // Absent in archives older than the parameter list.
    std::optional<QList<MivToolParamDef>> params = QList<MivToolParamDef>();
    std::optional<MivToolShortcut> shortcut;
    qint32 runAsOption = 0;

    plat::ArchivedObject encodeWithCoder() const;
    static std::optional<MivToolDef> initWithCoder(const plat::ArchivedObject& object);

    bool operator==(const MivToolDef& other) const = default;
};

Q_DECLARE_METATYPE(MivToolDef)
