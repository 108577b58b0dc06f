#pragma once

#include "platform/Error.h"

#include <QString>

#include <optional>

#include <sys/types.h>

// Writes a file that replaces another only once it is complete: the bytes go
// to "mivo-tmp-<UUID>" in the target's folder (so the final rename never
// crosses volumes), which takes the mode of an existing target. commit()
// syncs and renames it over the target; anything else (a failed write, a
// cancel, an object dropped without commit) removes it and leaves the
// target exactly as it was.
class MivReplacingFile
{
public:
    explicit MivReplacingFile(QString targetPath);
    ~MivReplacingFile();

    MivReplacingFile(const MivReplacingFile&) = delete;
    MivReplacingFile& operator=(const MivReplacingFile&) = delete;

    // Makes the temporary file; false with the reason in *error.
    bool open(plat::Error* error);
    // The temporary file's descriptor while open, else -1.
    int fd() const { return m_fd; }
    QString temporaryPath() const { return m_temporary; }
    QString targetPath() const { return m_target; }
    // All of length bytes, or false with the reason.
    bool write(const char* bytes, qint64 length, plat::Error* error);
    // Appends the rest of an open file from its current offset, in the
    // kernel (copy_file_range) where the two file systems allow it, else by
    // read and write. For local-to-local copies that need no byte of the
    // file in the program.
    bool copyFrom(int sourceFd, plat::Error* error);
    // fsync, close and rename over the target; on failure the temporary file
    // is removed and the target untouched.
    bool commit(plat::Error* error);
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
