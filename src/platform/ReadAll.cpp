#include "platform/ReadAll.h"

#include <cerrno>
#include <unistd.h>

namespace plat {

int readAll(int fd, QByteArray* bytes, qint64 limit)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        if (bytes->size() + n > limit)
            return EFBIG;
        bytes->append(buffer, qsizetype(n));
    }
}

} // namespace plat
