#pragma once

#include "platform/ArchivedObject.h"

#include <QString>

#include <optional>

// One argument of a user tool: its text with placeholders.
struct MivToolParamDef
{
    static constexpr const char* kClassName = "MivToolParamDef";

    QString paramValue;

    plat::ArchivedObject encodeWithCoder() const;
    static std::optional<MivToolParamDef> initWithCoder(const plat::ArchivedObject& object);

    bool operator==(const MivToolParamDef& other) const = default;
};
