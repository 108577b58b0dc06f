#pragma once

#include "FileData/MivFileDataHelpers.h"
#include "app/settings/MivContext.h"

#include <gtest/gtest.h>

namespace mivtest {

// Every settings test starts without a shared context and leaves none
// registered with the file layer.
class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { MivContext::resetForTesting(); }
    void TearDown() override
    {
        MivContext::resetForTesting();
        MivFileDataHelpers::registerFileDataPropertiesProvider(nullptr);
        MivFileDataHelpers::registerFileDataGuiHandler(nullptr);
    }
};

} // namespace mivtest
