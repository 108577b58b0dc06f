#pragma once

#include "platform/ArchivedObject.h"

#include <QtGlobal>

#include <optional>

// A recorded key equivalent: virtual key code and modifier mask. A key code
// of -1 is stored for "no key" and read back as no shortcut.
struct MivToolShortcut
{
    static constexpr const char* kClassName = "MivShortcut";

    qint64 keyCode = -1;
    quint64 modifierFlags = 0;

    plat::ArchivedObject encodeWithCoder() const;
    static std::optional<MivToolShortcut> initWithCoder(const plat::ArchivedObject& object);

    bool operator==(const MivToolShortcut& other) const = default;
};
