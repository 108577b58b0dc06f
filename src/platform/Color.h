#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

#include <optional>

namespace plat {

// The platform's named, appearance-dependent colours that the program uses.
// Their names (systemColorName) are what settings archives store.
enum class SystemColor {
    ControlText,          // "controlTextColor": text of files in tables, console text
    Text,                 // "textColor"
    Label,                // "labelColor"
    AlternatingRow0,      // "controlAlternatingRowBackgroundColor0": first row background
    AlternatingRow1,      // "controlAlternatingRowBackgroundColor1": second row background
    Gray,                 // "grayColor": 50 % gray in every appearance
    Red,                  // "redColor": pure red in every appearance
    SystemRed,            // "systemRedColor"
    SystemGreen,          // "systemGreenColor"
    SystemBlue,           // "systemBlueColor"
    SystemOrange,         // "systemOrangeColor"
    SystemYellow,         // "systemYellowColor"
    SystemPurple,         // "systemPurpleColor"
    SystemPink,           // "systemPinkColor"
    SystemGray,           // "systemGrayColor"
};

// A colour value: nothing, a concrete RGBA colour, or a named system colour
// that becomes concrete only against a palette, so a stored scheme follows the
// light or dark appearance. Value type; cheap to copy.
class Color
{
public:
    Color() = default;
    static Color fromRgba(const QColor& color);
    static Color fromSystem(SystemColor color);

    bool isNull() const { return m_kind == Kind::None; }
    bool isSystem() const { return m_kind == Kind::System; }
    // The concrete colour (invalid for a system colour or nothing).
    QColor rgba() const { return m_kind == Kind::Rgba ? m_rgba : QColor(); }
    // Meaningful only when isSystem().
    SystemColor systemColor() const { return m_system; }

    // The colour to draw with in that palette; invalid for nothing.
    QColor resolved(const QPalette& palette) const;

    // True when the palette is a dark appearance: its window is darker than
    // its text. Qt 6.4 has no colour-scheme query.
    static bool isDarkPalette(const QPalette& palette);

    static QString systemColorName(SystemColor color);
    static std::optional<SystemColor> systemColorNamed(const QString& name);

    bool operator==(const Color& other) const;
    bool operator!=(const Color& other) const { return !(*this == other); }

private:
    enum class Kind { None, Rgba, System };
    Kind m_kind = Kind::None;
    QColor m_rgba;
    SystemColor m_system = SystemColor::ControlText;
};

} // namespace plat
