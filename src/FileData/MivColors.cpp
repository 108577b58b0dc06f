#include "FileData/MivColors.h"
#include "platform/NoDestructor.h"

#include <QHash>

#include <algorithm>
#include <memory>
#include <mutex>

namespace {

struct WebColor
{
    const char* name;
    unsigned rgb;
};

// Rows whose value is 000000 are skipped when the list is built, so "Black"
// is looked up in vain; the level bars rely on nothing black.
constexpr WebColor kWebColors[] = {
    {"Alice Blue", 0xF0F8FF},
    {"Antique White", 0xFAEBD7},
    {"Aqua", 0x00FFFF},
    {"Aquamarine", 0x7FFFD4},
    {"Azure", 0xF0FFFF},
    {"Beige", 0xF5F5DC},
    {"Bisque", 0xFFE4C4},
    {"Black", 0x000000},
    {"Blanched Almond", 0xFFEBCD},
    {"Blue", 0x0000FF},
    {"Blue Violet", 0x8A2BE2},
    {"Brown", 0xA52A2A},
    {"Burly Wood", 0xDEB887},
    {"Cadet Blue", 0x5F9EA0},
    {"Chartreuse", 0x7FFF00},
    {"Chocolate", 0xD2691E},
    {"Coral", 0xFF7F50},
    {"Cornflower Blue", 0x6495ED},
    {"Cornsilk", 0xFFF8DC},
    {"Crimson", 0xDC143C},
    {"Cyan", 0x00FFFF},
    {"Dark Blue", 0x00008B},
    {"Dark Cyan", 0x008B8B},
    {"Dark GoldenRod", 0xB8860B},
    {"Dark Gray", 0xA9A9A9},
    {"Dark Green", 0x006400},
    {"Dark Khaki", 0xBDB76B},
    {"Dark Magenta", 0x8B008B},
    {"Dark Olive Green", 0x556B2F},
    {"Dark Orange", 0xFF8C00},
    {"Dark Orchid", 0x9932CC},
    {"Dark Red", 0x8B0000},
    {"Dark Salmon", 0xE9967A},
    {"Dark Sea Green", 0x8FBC8F},
    {"Dark Slate Blue", 0x483D8B},
    {"Dark Slate Gray", 0x2F4F4F},
    {"Dark Turquoise", 0x00CED1},
    {"Dark Violet", 0x9400D3},
    {"Deep Pink", 0xFF1493},
    {"Deep Sky Blue", 0x00BFFF},
    {"Dim Gray", 0x696969},
    {"Dodger Blue", 0x1E90FF},
    {"Fire Brick", 0xB22222},
    {"Floral White", 0xFFFAF0},
    {"Forest Green", 0x228B22},
    {"Gainsboro", 0xDCDCDC},
    {"Ghost White", 0xF8F8FF},
    {"Gold", 0xFFD700},
    {"Golden Rod", 0xDAA520},
    {"Gray", 0x808080},
    {"Green", 0x008000},
    {"Green Yellow", 0xADFF2F},
    {"Honey Dew", 0xF0FFF0},
    {"Hot Pink", 0xFF69B4},
    {"Indian Red", 0xCD5C5C},
    {"Indigo", 0x4B0082},
    {"Ivory", 0xFFFFF0},
    {"Khaki", 0xF0E68C},
    {"Lavender", 0xE6E6FA},
    {"Lavender Blush", 0xFFF0F5},
    {"Lawn Green", 0x7CFC00},
    {"Lemon Chiffon", 0xFFFACD},
    {"Light Blue", 0xADD8E6},
    {"Light Coral", 0xF08080},
    {"Light Cyan", 0xE0FFFF},
    {"Light Golden Rod Yellow", 0xFAFAD2},
    {"Light Gray", 0xD3D3D3},
    {"Light Green", 0x90EE90},
    {"Light Pink", 0xFFB6C1},
    {"Light Salmon", 0xFFA07A},
    {"Light Sea Green", 0x20B2AA},
    {"Light Sky Blue", 0x87CEFA},
    {"Light Slate Blue", 0x8470FF},
    {"Light Slate Gray", 0x778899},
    {"Light Steel Blue", 0xB0C4DE},
    {"Light Yellow", 0xFFFFE0},
    {"Lime", 0x00FF00},
    {"Lime Green", 0x32CD32},
    {"Linen", 0xFAF0E6},
    {"Magenta", 0xFF00FF},
    {"Maroon", 0x800000},
    {"Medium Aqua Marine", 0x66CDAA},
    {"Medium Blue", 0x0000CD},
    {"Medium Orchid", 0xBA55D3},
    {"Medium Purple", 0x9370D8},
    {"Medium Sea Green", 0x3CB371},
    {"Medium Slate Blue", 0x7B68EE},
    {"Medium Spring Green", 0x00FA9A},
    {"Medium Turquoise", 0x48D1CC},
    {"Medium Violet Red", 0xC71585},
    {"Midnight Blue", 0x191970},
    {"Mint Cream", 0xF5FFFA},
    {"Misty Rose", 0xFFE4E1},
    {"Moccasin", 0xFFE4B5},
    {"Navajo White", 0xFFDEAD},
    {"Navy", 0x000080},
    {"Old Lace", 0xFDF5E6},
    {"Olive", 0x808000},
    {"Olive Drab", 0x6B8E23},
    {"Orange", 0xFFA500},
    {"Orange Red", 0xFF4500},
    {"Orchid", 0xDA70D6},
    {"Pale Golden Rod", 0xEEE8AA},
    {"Pale Green", 0x98FB98},
    {"Pale Turquoise", 0xAFEEEE},
    {"PaleViolet Red", 0xD87093},
    {"Papaya Whip", 0xFFEFD5},
    {"Peach Puff", 0xFFDAB9},
    {"Peru", 0xCD853F},
    {"Pink", 0xFFC0CB},
    {"Plum", 0xDDA0DD},
    {"Powder Blue", 0xB0E0E6},
    {"Purple", 0x800080},
    {"Red", 0xFF0000},
    {"Rosy Brown", 0xBC8F8F},
    {"Royal Blue", 0x4169E1},
    {"Saddle Brown", 0x8B4513},
    {"Salmon", 0xFA8072},
    {"Sandy Brown", 0xF4A460},
    {"Sea Green", 0x2E8B57},
    {"Sea Shell", 0xFFF5EE},
    {"Sienna", 0xA0522D},
    {"Silver", 0xC0C0C0},
    {"Sky Blue", 0x87CEEB},
    {"Slate Blue", 0x6A5ACD},
    {"Slate Gray", 0x708090},
    {"Snow", 0xFFFAFA},
    {"Spring Green", 0x00FF7F},
    {"Steel Blue", 0x4682B4},
    {"Tan", 0xD2B48C},
    {"Teal", 0x008080},
    {"Thistle", 0xD8BFD8},
    {"Tomato", 0xFF6347},
    {"Turquoise", 0x40E0D0},
    {"Violet", 0xEE82EE},
    {"Violet Red", 0xD02090},
    {"Wheat", 0xF5DEB3},
    {"White", 0xFFFFFF},
    {"White Smoke", 0xF5F5F5},
    {"Yellow", 0xFFFF00},
    {"Yellow Green", 0x9ACD32},
};

using ColorList = QHash<QString, QColor>;

std::mutex& listMutex()
{
    static plat::NoDestructor<std::mutex> mutex;
    return *mutex;
}

// The "Web" list. Replaced whole, never edited, so a reader holding the
// pointer keeps a consistent list.
std::shared_ptr<const ColorList>& webList()
{
    static plat::NoDestructor<std::shared_ptr<const ColorList>> list;
    return *list;
}

std::shared_ptr<const ColorList> buildWebList()
{
    auto list = std::make_shared<ColorList>();
    list->reserve(int(std::size(kWebColors)));
    for (const WebColor& entry : kWebColors) {
        if (entry.rgb == 0)
            continue;
        list->insert(QString::fromLatin1(entry.name),
                     QColor::fromRgb(int(entry.rgb >> 16 & 0xFF), int(entry.rgb >> 8 & 0xFF), int(entry.rgb & 0xFF)));
    }
    return list;
}

QColor shifted(const QColor& color, float delta)
{
    const QColor rgb = color.toRgb();
    const auto clamp = [](float value) { return std::clamp(value, 0.0f, 1.0f); };
    return QColor::fromRgbF(clamp(rgb.redF() + delta), clamp(rgb.greenF() + delta), clamp(rgb.blueF() + delta),
                            rgb.alphaF());
}

} // namespace

void MivColors::createDefaultColorLists()
{
    auto list = buildWebList();
    const std::lock_guard lock(listMutex());
    webList() = std::move(list);
}

QColor MivColors::colorWithName(const QString& name)
{
    std::shared_ptr<const ColorList> list;
    {
        const std::lock_guard lock(listMutex());
        if (!webList())
            webList() = buildWebList();
        list = webList();
    }
    return list->value(name);
}

QColor MivColors::lighterColorForColor(const QColor& color)
{
    return color.isValid() ? shifted(color, 0.2f) : QColor();
}

QColor MivColors::darkerColorForColor(const QColor& color)
{
    return color.isValid() ? shifted(color, -0.2f) : QColor();
}
