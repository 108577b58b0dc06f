#pragma once

#include "platform/Error.h"

#include <QString>

#include <functional>
#include <optional>

#include <sys/types.h>

namespace plat {

// Writes a file that replaces another only once it is complete: the bytes go
// to "mivo-tmp-<UUID>" in the target's folder (so the final rename never
// crosses volumes), which takes the mode of an existing target. commit()
// syncs and renames it over the target; anything else (a failed write, a
// cancel, an object dropped without commit) removes it and leaves the
// target exactly as it was.
//
// This is the one routine that writes local bytes: the stream copier's
// local end, the loader, and the local file operations' copies all go
// through it (copyBytes for files inside a folder copy that is itself
// still temporary).
class ReplacingFile
{
public:
    static constexpr const char* kTemporaryPrefix = "mivo-tmp";

    // Called after each chunk with the bytes copied so far; false stops the
    // copy with ECANCELED.
    using Progress = std::function<bool(qint64 copied)>;

    enum class Replacement {
        Replace,   // rename(2): an existing target goes, atomically
        NoReplace, // renameat2(RENAME_NOREPLACE): EEXIST when a target exists
    };

    explicit ReplacingFile(QString targetPath);
    ~ReplacingFile();

    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // A fresh "mivo-tmp-<UUID>" path in the folder.
    static QString temporaryPathIn(const QString& folder);

    // Appends the rest of sourceFd from its offset to targetFd: in the
    // kernel (copy_file_range) where the two file systems allow it, else by
    // read and write. false with the reason in *error (errno kept in errno),
    // targetPath naming the file in that error.
    static bool copyBytes(int sourceFd, int targetFd, const QString& targetPath, const Progress& progress,
                          Error* error);

    // Makes the temporary file; false with the reason in *error.
    bool open(Error* error);
    // The temporary file's descriptor while open, else -1.
    int fd() const { return m_fd; }
    QString temporaryPath() const { return m_temporary; }
    QString targetPath() const { return m_target; }
    // The permission bits the file gets at commit, instead of the replaced
    // file's (a copy takes its source's).
    void setMode(mode_t mode) { m_keptMode = mode & 07777; }
    // All of length bytes, or false with the reason.
    bool write(const char* bytes, qint64 length, Error* error);
    // copyBytes from an open file into this one.
    bool copyFrom(int sourceFd, Error* error, const Progress& progress = {});
    // fsync, close and rename over the target; on failure the temporary file
    // is removed and the target untouched.
    bool commit(Error* error, Replacement replacement = Replacement::Replace);
    // Removes the temporary file; harmless when nothing is open.
    void discard();

private:
    const QString m_target;
    QString m_temporary;
    int m_fd = -1;
    // The replaced file's permission bits, applied after the last write:
    // writing by anyone but root clears set-user-ID and set-group-ID.
    std::optional<mode_t> m_keptMode;
};

} // namespace plat
