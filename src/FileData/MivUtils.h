#pragma once

#include <QString>

// Small services used everywhere: strings and paths, MS-DOS dates, the
// text-encoding attribute of files, shortcut texts. Class operations only;
// the implementation is split by concern (MivUtils_<Concern>.cpp).
class MivUtils
{
public:
    MivUtils() = delete;

    // --- Strings and paths (MivUtils_Strings.cpp) ---

    // --- MS-DOS dates (MivUtils_Dates.cpp) ---

    // --- Text-encoding attribute (MivUtils_Encoding.cpp) ---

    // --- Shortcut texts (MivUtils_Shortcuts.cpp) ---
};
