#pragma once

#include <QString>

#include <string>

namespace mivtest {

// A small tmpfs mounted at a folder (made when missing) for as long as this
// object lives: a volume of known size that nobody else writes to, for
// disk-full and per-volume cases. Mounting needs root; a test checks
// mounted() and skips with whyNot() when it did not work. The destructor
// detaches the mount however the test ends, so the temporary folder that
// holds it can go.
class ScopedTmpfs
{
public:
    explicit ScopedTmpfs(const QString& at, const QString& size = QStringLiteral("1M"));
    ~ScopedTmpfs();
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;

    bool mounted() const { return m_mounted; }
    // Why mounting failed, for the skip message; empty when mounted.
    const std::string& whyNot() const { return m_whyNot; }

private:
    QString m_at;
    bool m_mounted = false;
    std::string m_whyNot;
};

} // namespace mivtest
