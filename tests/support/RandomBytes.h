#pragma once

#include <QByteArray>
#include <QRandomGenerator>

namespace mivtest {

// Reproducible test data: the same seed gives the same bytes.
inline QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char& c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

} // namespace mivtest
