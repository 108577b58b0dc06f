#include "platform/Color.h"

#include <array>

namespace plat {

namespace {

struct SystemColorEntry
{
    SystemColor color;
    const char* name;
    // Fixed light and dark values; unused for colours taken from the palette.
    QRgb light;
    QRgb dark;
};

// The accent colours as the desktop convention has them for light and dark
// backgrounds (the dark variants are a little brighter to keep contrast).
constexpr std::array<SystemColorEntry, 15> kSystemColors{{
    {SystemColor::ControlText, "controlTextColor", 0, 0},
    {SystemColor::Text, "textColor", 0, 0},
    {SystemColor::Label, "labelColor", 0, 0},
    {SystemColor::AlternatingRow0, "controlAlternatingRowBackgroundColor0", 0, 0},
    {SystemColor::AlternatingRow1, "controlAlternatingRowBackgroundColor1", 0, 0},
    {SystemColor::Gray, "grayColor", 0xFF808080, 0xFF808080},
    {SystemColor::Red, "redColor", 0xFFFF0000, 0xFFFF0000},
    {SystemColor::SystemRed, "systemRedColor", 0xFFFF3B30, 0xFFFF453A},
    {SystemColor::SystemGreen, "systemGreenColor", 0xFF34C759, 0xFF30D158},
    {SystemColor::SystemBlue, "systemBlueColor", 0xFF007AFF, 0xFF0A84FF},
    {SystemColor::SystemOrange, "systemOrangeColor", 0xFFFF9500, 0xFFFF9F0A},
    {SystemColor::SystemYellow, "systemYellowColor", 0xFFFFCC00, 0xFFFFD60A},
    {SystemColor::SystemPurple, "systemPurpleColor", 0xFFAF52DE, 0xFFBF5AF2},
    {SystemColor::SystemPink, "systemPinkColor", 0xFFFF2D55, 0xFFFF375F},
    {SystemColor::SystemGray, "systemGrayColor", 0xFF8E8E93, 0xFF98989D},
}};

const SystemColorEntry& entryFor(SystemColor color)
{
    for (const SystemColorEntry& entry : kSystemColors) {
        if (entry.color == color)
            return entry;
    }
    return kSystemColors.front();
}

} // namespace

Color Color::fromRgba(const QColor& color)
{
    Color result;
    if (color.isValid()) {
        result.m_kind = Kind::Rgba;
        result.m_rgba = color;
    }
    return result;
}

Color Color::fromSystem(SystemColor color)
{
    Color result;
    result.m_kind = Kind::System;
    result.m_system = color;
    return result;
}

bool Color::isDarkPalette(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window).lightnessF()
        < palette.color(QPalette::Active, QPalette::WindowText).lightnessF();
}

QColor Color::resolved(const QPalette& palette) const
{
    switch (m_kind) {
    case Kind::None:
        return {};
    case Kind::Rgba:
        return m_rgba;
    case Kind::System:
        break;
    }
    switch (m_system) {
    case SystemColor::ControlText:
    case SystemColor::Text:
        return palette.color(QPalette::Active, QPalette::Text);
    case SystemColor::Label:
        return palette.color(QPalette::Active, QPalette::WindowText);
    case SystemColor::AlternatingRow0:
        return palette.color(QPalette::Active, QPalette::Base);
    case SystemColor::AlternatingRow1:
        return palette.color(QPalette::Active, QPalette::AlternateBase);
    default: {
        const SystemColorEntry& entry = entryFor(m_system);
        return QColor::fromRgba(isDarkPalette(palette) ? entry.dark : entry.light);
    }
    }
}

QString Color::systemColorName(SystemColor color)
{
    return QString::fromLatin1(entryFor(color).name);
}

std::optional<SystemColor> Color::systemColorNamed(const QString& name)
{
    for (const SystemColorEntry& entry : kSystemColors) {
        if (name == QLatin1String(entry.name))
            return entry.color;
    }
    return std::nullopt;
}

bool Color::operator==(const Color& other) const
{
    if (m_kind != other.m_kind)
        return false;
    switch (m_kind) {
    case Kind::None:
        return true;
    case Kind::Rgba:
        return m_rgba == other.m_rgba;
    case Kind::System:
        return m_system == other.m_system;
    }
    return false;
}

} // namespace plat
