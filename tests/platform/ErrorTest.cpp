#include "platform/Error.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorTest, UnderlyingChainKeepsWhatWasStored)
{
    const plat::Error posix(plat::kPosixErrorDomain, 13, QStringLiteral("Permission denied"));
    const plat::Error cocoa = plat::Error(plat::kCocoaErrorDomain, 257, QStringLiteral("No permission"))
                                  .withUnderlyingError(posix);
    ASSERT_TRUE(cocoa.underlyingError().has_value());
    EXPECT_EQ(*cocoa.underlyingError(), posix);
    EXPECT_TRUE(cocoa.is(plat::kCocoaErrorDomain, 257));
    EXPECT_FALSE(posix.underlyingError().has_value());

    QVariantMap info;
    info.insert(QLatin1String(plat::kUnderlyingErrorKey), QStringLiteral("not an error"));
    EXPECT_FALSE(plat::Error(plat::kCocoaErrorDomain, 1, info).underlyingError().has_value());
}

TEST(ErrorTest, NullAndOutParameter)
{
    plat::Error out(plat::kPosixErrorDomain, 2);
    EXPECT_FALSE(plat::Error().operator bool());
    plat::Error::clear(&out);
    EXPECT_TRUE(out.isNull());
    plat::Error::assign(nullptr, plat::Error(plat::kPosixErrorDomain, 2));
}

} // namespace
