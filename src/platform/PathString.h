#pragma once

#include <QString>
#include <QStringList>

// Path strings as the program reasons about them. These are text rules, not
// file-system queries (nothing here touches the disk), and they differ from
// QFileInfo and std::filesystem on purpose: QFileInfo(".profile").suffix()
// is "profile", whereas here a leading dot starts no extension.
//
// Rules shared by every function:
// - "/" separates components; runs of "/" count as one.
// - A trailing "/" names the same thing as the path without it and is
//   dropped from results; the root "/" stays "/".
// - "" stays "" (no function turns an empty path into "/" or ".").
//
// Table (input -> result):
//   lastPathComponent       "/tmp/scratch.tiff" -> "scratch.tiff", "/tmp/lock/" -> "lock",
//                           "/" -> "/", "" -> "", "scratch" -> "scratch"
//   pathExtension           "archive.tar.gz" -> "gz", ".profile" -> "", "..tiff" -> "tiff",
//                           "file." -> "", "/tmp/a.b/" -> "b", "/a.b/c" -> ""
//   deletingPathExtension   "/tmp/a.tiff" -> "/tmp/a", "archive.tar.gz" -> "archive.tar",
//                           ".profile" -> ".profile", "a..b" -> "a.", "file." -> "file."
//                           (only a non-empty extension goes, with its dot)
//   deletingLastPathComponent "/tmp/a" -> "/tmp", "/tmp/lock/" -> "/tmp", "/tmp" -> "/",
//                           "/" -> "/", "a" -> "", "" -> ""
//   appendingPathComponent  ("/tmp", "a") -> "/tmp/a", ("/tmp/", "/a/") -> "/tmp/a",
//                           ("/", "a") -> "/a", ("", "a") -> "a", ("/tmp", "") -> "/tmp"
//   expandingTildeInPath    "~" -> home, "~/x" -> home + "/x", "~user/x" -> that user's
//                           home + "/x"; an unknown user or a "~" inside the path: unchanged
//   standardizingPath       expands a leading tilde, drops "." components and empty ones
//                           ("//"), and in absolute paths removes each ".." with the
//                           component before it ("/a/../b" -> "/b", "/.." -> "/"), textually,
//                           without following symbolic links. A relative path keeps its ".."
//                           components ("a/../b" stays "a/../b", "../x" stays "../x");
//                           one that reduces to nothing gives "."; one whose first
//                           component would become a "~" keeps a "./" ("./~root"
//                           stays), so standardising again changes nothing.
//   pathComponents          "/tmp/a/" -> {"/", "tmp", "a"}, "a//b" -> {"a", "b"}, "" -> {}
namespace plat::PathString {

QString lastPathComponent(const QString& path);
QString pathExtension(const QString& path);
QString deletingPathExtension(const QString& path);
QString deletingLastPathComponent(const QString& path);
QString appendingPathComponent(const QString& path, const QString& component);
QString expandingTildeInPath(const QString& path);
QString standardizingPath(const QString& path);

// The root "/" of an absolute path is its first component.
QStringList pathComponents(const QString& path);
// Inverse of pathComponents: a leading "/" component makes the path absolute.
QString pathWithComponents(const QStringList& components);

// Drops trailing "/" (the root stays "/").
QString strippingTrailingSlashes(const QString& path);

// The user's home folder: $HOME when set and not empty, else the password
// database's entry of the real user. Null when neither is known.
QString homeDirectory();
// The home folder of the named user (password database), null when unknown.
QString homeDirectoryForUser(const QString& userName);
// The temporary folder: $TMPDIR when set and not empty, else "/tmp";
// without a trailing "/".
QString temporaryDirectory();

} // namespace plat::PathString
