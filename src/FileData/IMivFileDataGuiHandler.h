#pragma once

#include <memory>

class MivAuthDataObject;
class MivServiceData;

// The dialogs the file layer needs: editing a connection and logging in.
class IMivFileDataGuiHandler
{
public:
    virtual ~IMivFileDataGuiHandler() = default;

    // The edited record when the user confirmed, else null. Runs its dialog
    // on the calling thread, which is the main thread.
    virtual std::shared_ptr<MivServiceData> modifyServiceData(const std::shared_ptr<MivServiceData>& serviceData) = 0;
    // The same record filled in when the user confirmed, else null. From a
    // worker thread it blocks until the dialog on the main thread is closed,
    // so the caller must hold nothing the main thread may wait for.
    virtual std::shared_ptr<MivAuthDataObject> authenticate(const std::shared_ptr<MivAuthDataObject>& authData,
                                                            bool showUserData) = 0;
};
