#include "platform/IcuLocale.h"

#include <unicode/uloc.h>

namespace plat {

void setIcuDefaultLocale(const QString& localeId)
{
    UErrorCode status = U_ZERO_ERROR;
    uloc_setDefault(localeId.toLatin1().constData(), &status);
}

QString icuDefaultLocale()
{
    return QString::fromLatin1(uloc_getDefault());
}

} // namespace plat
