#include "platform/PosixError.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using plat::FileAccess;

struct Mapping
{
    int err;
    FileAccess access;
    const char* domain;
    qint64 code;
};

TEST(PosixErrorTest, MapsTheErrnoValuesCallersBranchOn)
{
    const Mapping table[] = {
        {ENOENT, FileAccess::Reading, plat::kCocoaErrorDomain, 260},
        {ENOENT, FileAccess::Writing, plat::kCocoaErrorDomain, 4},
        {ENOENT, FileAccess::Other, plat::kCocoaErrorDomain, 4},
        {EACCES, FileAccess::Reading, plat::kCocoaErrorDomain, 257},
        {EACCES, FileAccess::Writing, plat::kCocoaErrorDomain, 513},
        {EPERM, FileAccess::Reading, plat::kCocoaErrorDomain, 257},
        {EPERM, FileAccess::Writing, plat::kCocoaErrorDomain, 513},
        {EEXIST, FileAccess::Writing, plat::kCocoaErrorDomain, 516},
        {ENOSPC, FileAccess::Writing, plat::kCocoaErrorDomain, 640},
        {EXDEV, FileAccess::Other, plat::kPosixErrorDomain, 18},
        {EIO, FileAccess::Reading, plat::kPosixErrorDomain, EIO},
    };
    for (const Mapping& row : table) {
        SCOPED_TRACE(row.err);
        const plat::Error error = plat::errorFromErrno(row.err, row.access, QStringLiteral("/tmp/x"));
        EXPECT_TRUE(error.is(row.domain, row.code)) << error.description().toStdString();
        if (error.domain() == QLatin1String(plat::kCocoaErrorDomain)) {
            const std::optional<plat::Error> underlying = error.underlyingError();
            ASSERT_TRUE(underlying.has_value());
            EXPECT_TRUE(underlying->is(plat::kPosixErrorDomain, row.err));
        } else {
            EXPECT_FALSE(error.underlyingError().has_value());
        }
    }
}

TEST(PosixErrorTest, DescriptionNamesThePathAndTheSystemText)
{
    const plat::Error error = plat::errorFromErrno(ENOENT, FileAccess::Reading, QStringLiteral("/tmp/caf\u00e9"));
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("/tmp/caf\u00e9: No such file or directory"));
    EXPECT_EQ(error.userInfo().value(QLatin1String(plat::kFilePathErrorKey)).toString(), QStringLiteral("/tmp/caf\u00e9"));
    EXPECT_EQ(plat::posixError(EXDEV).localizedDescription(), QStringLiteral("Invalid cross-device link"));
    EXPECT_FALSE(plat::posixError(EXDEV).userInfo().contains(QLatin1String(plat::kFilePathErrorKey)));
}

TEST(PosixErrorTest, StatusNamesAndComments)
{
    EXPECT_EQ(plat::statusName(-43), QStringLiteral("fnfErr"));
    EXPECT_EQ(plat::statusComment(-43), QStringLiteral("File not found"));
    EXPECT_EQ(plat::statusName(-48), QStringLiteral("dupFNErr"));
    EXPECT_EQ(plat::statusName(-128), QStringLiteral("userCanceledErr"));
    EXPECT_EQ(plat::statusName(-5000), QStringLiteral("afpAccessDenied"));
    EXPECT_TRUE(plat::statusName(-123456).isEmpty());
    EXPECT_TRUE(plat::statusComment(-123456).isEmpty());
    EXPECT_EQ(plat::securityStatusMessage(plat::osstatus::errSecItemNotFound),
              QStringLiteral("The specified item could not be found in the keychain."));
    EXPECT_TRUE(plat::securityStatusMessage(-1).isEmpty());
}

TEST(PosixErrorTest, FileOperationStatusesFollowTheErrnoTable)
{
    const std::pair<int, qint32> cases[] = {
        {ENOENT, -43}, {EACCES, -5000}, {EPERM, -5000}, {EROFS, -5000}, {EEXIST, -48},
        {ENOSPC, -34}, {ECANCELED, -128}, {EIO, -36}, {EXDEV, -36}, {ENAMETOOLONG, -36},
    };
    for (const auto& [err, status] : cases) {
        EXPECT_EQ(plat::statusFromErrno(err), status) << err;
        // The same from the errors the table makes, whatever the access.
        EXPECT_EQ(plat::statusFromError(plat::errorFromErrno(err, plat::FileAccess::Writing, QStringLiteral("/x"))),
                  status)
            << err;
    }
    EXPECT_EQ(plat::statusFromError(plat::Error()), 0);
    EXPECT_EQ(plat::statusFromError(plat::Error(QLatin1String(plat::kOSStatusErrorDomain), -48)), -48);
    EXPECT_EQ(plat::statusFromError(plat::Error(QStringLiteral("other.domain"), 7)), -36);
}

} // namespace
