// udev database records and sysfs device numbers: properties have names,
// and a device number read is one that formats back to the same numbers.

#include "FuzzSupport.h"

#include "platform/BlockDevices.h"

#include <sys/sysmacros.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto properties = plat::BlockDevices::parseUdevRecord(bytes);
    for (auto it = properties.cbegin(); it != properties.cend(); ++it)
        FUZZ_CHECK(!it.key().isEmpty() && !it.key().contains(QLatin1Char('=')), fuzz::show(it.key()));
    dev_t device = 0;
    if (plat::BlockDevices::parseDeviceNumber(bytes, &device)) {
        dev_t again = 0;
        const QByteArray text = QByteArray::number(major(device)) + ':' + QByteArray::number(minor(device));
        FUZZ_CHECK(plat::BlockDevices::parseDeviceNumber(text, &again) && again == device, fuzz::show(bytes), fuzz::show(text));
    }
    return 0;
}
