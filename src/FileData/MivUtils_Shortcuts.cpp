#include "FileData/MivUtils.h"

#include <QCoreApplication>

namespace {

// Function-key characters of key equivalents.
constexpr char16_t kUpArrow = 0xF700;
constexpr char16_t kDownArrow = 0xF701;
constexpr char16_t kLeftArrow = 0xF702;
constexpr char16_t kRightArrow = 0xF703;
constexpr char16_t kF1 = 0xF704;
constexpr char16_t kF15 = 0xF712;
constexpr char16_t kForwardDelete = 0xF728;
constexpr char16_t kHome = 0xF729;
constexpr char16_t kEnd = 0xF72B;
constexpr char16_t kPageUp = 0xF72C;
constexpr char16_t kPageDown = 0xF72D;

QString keySymbol(char16_t key)
{
    switch (key) {
    case 3:
        return QStringLiteral("\u2305");  // ⌅ enter
    case 8:
        return QStringLiteral("\u232B");  // ⌫ backspace
    case 9:
        return QStringLiteral("\u21E5");  // ⇥ tab
    case 13:
        return QStringLiteral("\u21A9");  // ↩ return
    case 27:
        return QStringLiteral("\u238B");  // ⎋ escape
    case 32:
        return QCoreApplication::translate("MivUtils", "Space");
    case 127:
        return QStringLiteral("\u2326");  // ⌦ delete
    case kUpArrow:
        return QStringLiteral("\u2191");
    case kDownArrow:
        return QStringLiteral("\u2193");
    case kLeftArrow:
        return QStringLiteral("\u2190");
    case kRightArrow:
        return QStringLiteral("\u2192");
    case kHome:
        return QStringLiteral("\u2196");
    case kEnd:
        return QStringLiteral("\u2198");
    case kPageUp:
        return QStringLiteral("\u21DE");
    case kPageDown:
        return QStringLiteral("\u21DF");
    default:
        break;
    }
    if (key >= kF1 && key <= kF15)
        return QLatin1Char('F') + QString::number(key - kF1 + 1);
    return QString(QChar(key));
}

bool hasUpperCaseLetter(const QString& text)
{
    for (const QChar c : text) {
        if (c.isUpper())
            return true;
    }
    return false;
}

} // namespace

QString MivUtils::userString(const QString& keys, quint64 modifiers)
{
    if (keys.isEmpty())
        return QString(QLatin1String(""));
    // The program's own order, shift first.
    QString result;
    if ((modifiers & ShiftKeyMask) || hasUpperCaseLetter(keys))
        result += QStringLiteral("\u21E7");
    if (modifiers & ControlKeyMask)
        result += QStringLiteral("\u2303");
    if (modifiers & AlternateKeyMask)
        result += QStringLiteral("\u2325");
    if (modifiers & CommandKeyMask)
        result += QStringLiteral("\u2318");
    for (const QChar c : keys.toUpper()) {
        // Forward delete has no text of its own: the shortcut shows nothing.
        if (c.unicode() == kForwardDelete)
            return QString(QLatin1String(""));
        result += keySymbol(c.unicode());
    }
    return result;
}
