#pragma once

#include <memory>

class IMivFileDataGuiHandler;
class IMivFileDataPropertiesProvider;
class MivFileDataOpener;

// Where the application hands the file layer its settings, its dialogs and
// its file opener at start-up, so the file layer never knows the
// application's classes. Each slot holds its object strongly; registering
// again replaces it, null empties it. Callers must cope with an empty slot.
class MivFileDataHelpers
{
public:
    MivFileDataHelpers() = delete;

    static void registerFileDataGuiHandler(std::shared_ptr<IMivFileDataGuiHandler> handler);
    static void registerFileDataPropertiesProvider(std::shared_ptr<IMivFileDataPropertiesProvider> provider);
    static void registerFileDataOpener(std::shared_ptr<MivFileDataOpener> opener);

    static std::shared_ptr<IMivFileDataGuiHandler> fileDataGuiHandler();
    static std::shared_ptr<IMivFileDataPropertiesProvider> fileDataPropertiesProvider();
    static std::shared_ptr<MivFileDataOpener> fileDataOpener();
};
