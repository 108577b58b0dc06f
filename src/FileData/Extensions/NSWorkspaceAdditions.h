#pragma once

#include "platform/Error.h"

#include <QString>
#include <QStringList>

namespace NSWorkspaceAdditions {

// Launches the application at path with the arguments and does not wait for
// it. A desktop entry (a path ending in ".desktop") is launched by its Exec
// line, the arguments filling its file and URL field codes; any other path is
// started directly with the arguments. Answers true when the application was
// started; otherwise false with an error in "NSOSStatusErrorDomain" (-43 when
// nothing is at path). Clears *error first.
bool launchApplicationAtPath(const QString& path, const QStringList& arguments, plat::Error* error);

} // namespace NSWorkspaceAdditions
