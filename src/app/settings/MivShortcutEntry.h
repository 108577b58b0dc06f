#pragma once

#include "platform/ArchivedObject.h"

#include <QMetaType>
#include <QString>

#include <optional>

// One non-menu shortcut: its label and its current and default virtual key
// code and modifier mask.
struct MivShortcutEntry
{
    static constexpr const char* kClassName = "MivShortcutEntry";

    QString label;
    quint64 keyCode = 0;
    quint64 keyModifiers = 0;
    quint64 defautKeyCode = 0;
    quint64 defaultMod = 0;

    plat::ArchivedObject encodeWithCoder() const;
    static std::optional<MivShortcutEntry> initWithCoder(const plat::ArchivedObject& object);

    bool operator==(const MivShortcutEntry& other) const = default;
};

Q_DECLARE_METATYPE(MivShortcutEntry)
