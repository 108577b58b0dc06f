// Sub-URLs and the password operations: a sub-URL keeps every part of its
// base as it is escaped and only appends the new segment; removing or adding
// a password changes nothing else.

#include "FuzzSupport.h"

#include "FileData/Extensions/UrlParameters.h"

using namespace UrlParameters;

namespace {

bool hasDotSegment(const QString& path)
{
    for (const QString& part : path.split(QLatin1Char('/'))) {
        // QUrl reads "%2E" as "." too.
        const QString plain = QString(part).replace(QLatin1String("%2E"), QLatin1String("."), Qt::CaseInsensitive);
        if (plain == QLatin1String(".") || plain == QLatin1String(".."))
            return true;
    }
    return false;
}

bool isWholeText(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;
        else if (QChar::isSurrogate(u))
            return false;
    }
    return true;
}

void checkSameServer(const QUrl& base, const QUrl& derived, bool sameQuery, bool samePassword)
{
    FUZZ_CHECK(derived.scheme() == base.scheme(), show(base), show(derived));
    FUZZ_CHECK(derived.userName(QUrl::FullyEncoded) == base.userName(QUrl::FullyEncoded), show(base), show(derived));
    // A password without a user has no place in a built URL.
    if (samePassword && !base.userName().isEmpty())
        FUZZ_CHECK(derived.password(QUrl::FullyEncoded) == base.password(QUrl::FullyEncoded), show(base), show(derived));
    if (base.userName().isEmpty())
        FUZZ_CHECK(derived.password().isEmpty(), show(base), show(derived));
    FUZZ_CHECK(derived.host(QUrl::FullyEncoded) == base.host(QUrl::FullyEncoded), show(base), show(derived));
    FUZZ_CHECK(derived.port() == base.port() || (base.port() == 0 && derived.port() == -1), show(base), show(derived));
    if (sameQuery)
        FUZZ_CHECK(derived.query(QUrl::FullyEncoded) == base.query(QUrl::FullyEncoded), show(base), show(derived));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input input(data, size);
    const QUrl base(QString::fromLatin1(input.part()), QUrl::StrictMode);
    const QString password = fuzz::text(input.part());
    const QString segment = fuzz::text(input.rest());
    if (!base.isValid() || base.scheme().isEmpty() || base.host().isEmpty() || base.hasFragment())
        return 0;
    const QString basePath = base.path(QUrl::FullyEncoded);

    // A sub-URL: the base path as it is, one "/", the escaped segment.
    const QUrl sub = suburlForURL(base, segment);
    const bool plainSegment = isWholeText(segment) && !segment.contains(QLatin1Char('/')) && !segment.isEmpty()
                              && segment != QLatin1String(".") && segment != QLatin1String("..");
    if (plainSegment && !hasDotSegment(basePath)) {
        FUZZ_CHECK(sub.isValid(), show(base), show(segment));
        checkSameServer(base, sub, true, true);
        const QString subPath = sub.path(QUrl::FullyEncoded);
        const QString expectedStart = basePath.endsWith(QLatin1Char('/')) ? basePath : basePath + QLatin1Char('/');
        FUZZ_CHECK(subPath.startsWith(expectedStart.startsWith(QLatin1Char('/')) ? expectedStart : QLatin1Char('/') + expectedStart),
                   show(base), show(segment), show(sub));
        const QString tail = subPath.mid(subPath.lastIndexOf(QLatin1Char('/')) + 1);
        FUZZ_CHECK(unescape(tail) == segment, show(base), show(segment), show(sub), show(unescape(tail)));
    } else if (sub.isValid()) {
        checkSameServer(base, sub, true, true);
    }

    // Under a base path of its own: the server parts stay as they are.
    const QUrl under = suburlForURL(base, segment, QStringLiteral("/base"));
    if (under.isValid())
        checkSameServer(base, under, true, true);

    // The password operations drop the query and keep the path (a trailing
    // ".." step resolved).
    const QUrl withoutPassword = URLByDeletingPassword(base);
    if (withoutPassword.isValid()) {
        checkSameServer(base, withoutPassword, false, false);
        FUZZ_CHECK(withoutPassword.password().isEmpty() && !withoutPassword.hasQuery(), show(base), show(withoutPassword));
        if (!hasDotSegment(basePath) && !basePath.isEmpty())
            FUZZ_CHECK(withoutPassword.path(QUrl::FullyEncoded) == (basePath.startsWith(QLatin1Char('/')) ? basePath : QLatin1Char('/') + basePath),
                       show(base), show(withoutPassword));
    }
    const QUrl withPassword = URLByAddingPassword(base, password);
    if (withPassword.isValid()) {
        checkSameServer(base, withPassword, false, false);
        const QString plain = safeUnescape(password);
        if (!base.userName().isEmpty() && !plain.isEmpty() && isWholeText(plain))
            FUZZ_CHECK(passwordByReplacingPercentEscapes(withPassword) == plain, show(base), show(password), show(withPassword));
        if (!hasDotSegment(basePath))
            FUZZ_CHECK(withPassword.path(QUrl::FullyEncoded) == withoutPassword.path(QUrl::FullyEncoded), show(base), show(withPassword));
    }
    const QUrl withoutUser = URLByDeletingUserAndPassword(base);
    if (withoutUser.isValid())
        FUZZ_CHECK(withoutUser.userName().isEmpty() && withoutUser.host(QUrl::FullyEncoded) == base.host(QUrl::FullyEncoded),
                   show(base), show(withoutUser));
    return 0;
}
