#pragma once

#include "platform/ArchivedObject.h"
#include "platform/Error.h"

#include <QByteArray>
#include <optional>

namespace plat {

// The keyed archive's file form: an XML property list (libplist) whose root
// dictionary is the root object, with "$class" naming its class. Coded
// objects are dictionaries with "$class"; values that property lists lack
// are small tagged dictionaries ("null", "url", "color", "font",
// "sortDescriptor"); dates keep whole seconds (XML plists carry no
// fractions). Keys of plain dictionaries and objects that begin with
// "$" are written with one more "$", so no stored key can pose as a tag.
class KeyedArchive
{
public:
    // Fails (Cocoa 517) for a value the archive cannot carry, rather than
    // writing a file that would load differently.
    static std::optional<QByteArray> toXml(const ArchivedObject& root, Error* error);
    // Fails (Cocoa 259) for anything that is not such an archive.
    static std::optional<ArchivedObject> fromXml(const QByteArray& xml, Error* error);

    // Replaces the file atomically: a temporary file in the same folder,
    // written whole, fsync'd and renamed over the path; mode 0600. On any
    // failure the previous file is untouched and the temporary removed.
    static bool writeFile(const QString& path, const ArchivedObject& root, Error* error);
    static bool writeBytesAtomically(const QString& path, const QByteArray& bytes, Error* error);

    // nullopt without error when the file does not exist; an error without
    // touching it when it is no regular file. A regular file that exists
    // but does not decode is renamed aside ("<name>.unreadable-<time>"),
    // logged, and answers nullopt with the error, so the caller starts from
    // defaults and the next save does not destroy what the user had.
    static std::optional<ArchivedObject> readFile(const QString& path, Error* error);

    // Deepest nesting accepted when reading; archives are trees of settings.
    static constexpr int kMaxDepth = 256;
};

} // namespace plat
