#pragma once

#include <QString>

namespace plat {
class Error;
}

namespace StringExtensions {

// YES when the string, as a path, names an existing file-system object
// (following a final symbolic link). There are no file-system references
// here, so nothing is filled; otherwise NO and, when asked, error -43 (file
// not found) in "NSOSStatusErrorDomain" with the POSIX error underneath.
bool getFSRef(const QString& string, plat::Error* error);

// "FSSize" → "F S Size": a blank before every upper-case letter after the
// first character.
QString stringBySeparatingCapitalizedWords(const QString& string);

} // namespace StringExtensions
