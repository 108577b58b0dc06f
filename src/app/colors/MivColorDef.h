#pragma once

#include "platform/ArchivedObject.h"
#include "platform/Color.h"

#include <QMetaType>
#include <QString>

#include <optional>

// One colouring rule of a colour scheme: name wildcards, the text colour and
// an optional permission wildcard. The compiled patterns are derived and
// never stored.
struct MivColorDef
{
    static constexpr const char* kClassName = "MivColorDef";

    QString definition;
    plat::Color color;
    QString attributes;

    plat::ArchivedObject encodeWithCoder() const;
    static std::optional<MivColorDef> initWithCoder(const plat::ArchivedObject& object);

    bool operator==(const MivColorDef& other) const = default;
};

Q_DECLARE_METATYPE(MivColorDef)
