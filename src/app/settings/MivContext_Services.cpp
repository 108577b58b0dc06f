#include "app/settings/MivContext.h"

#include "FileData/MivExec.h"
#include "app/settings/MivUpdateCheckAdapter.h"
#include "platform/Log.h"

#include <mutex>

namespace {

struct Services
{
    std::mutex lock;
    std::function<void(const QString&)> tabStyleRegistrar;
    bool initialized = false;
    bool tabStylesRegistered = false;
    MivContext::ModifyServiceDataDialog modifyServiceData;
    MivContext::AuthenticateDialog authenticate;
    MivContext::WindowFactory progressPopover;
    MivContext::WindowFactory ftpTranscript;
};

Services& services()
{
    static Services s;
    return s;
}

// Registers the tab styles once both the class has been used and the tab
// bar has installed its registrar, whichever comes last.
void registerTabStylesWhenReady()
{
    std::function<void(const QString&)> registrar;
    {
        std::lock_guard guard(services().lock);
        if (!services().initialized || services().tabStylesRegistered || !services().tabStyleRegistrar)
            return;
        services().tabStylesRegistered = true;
        registrar = services().tabStyleRegistrar;
    }
    for (const QString& name : MivContext::tabStyleClassNames())
        registrar(name);
}

template <typename T>
T copyUnderLock(T Services::*member)
{
    std::lock_guard guard(services().lock);
    return services().*member;
}

} // namespace

QStringList MivContext::tabStyleClassNames()
{
    return {QStringLiteral("MivMontereyFinderTabStyle"), QStringLiteral("MivCardTabStyle"), QStringLiteral("MivAdiumTabStyle")};
}

void MivContext::initialize()
{
    {
        std::lock_guard guard(services().lock);
        if (services().initialized)
            return;
        services().initialized = true;
    }
    registerTabStylesWhenReady();
}

void MivContext::setTabStyleRegistrar(std::function<void(const QString&)> registrar)
{
    {
        std::lock_guard guard(services().lock);
        services().tabStyleRegistrar = std::move(registrar);
        // A new registrar (a new tab bar class, or a test) gets the styles too.
        services().tabStylesRegistered = false;
    }
    registerTabStylesWhenReady();
}

std::shared_ptr<MivServiceData> MivContext::modifyServiceData(const std::shared_ptr<MivServiceData>& serviceData)
{
    const auto dialog = copyUnderLock(&Services::modifyServiceData);
    return dialog ? dialog(serviceData) : nullptr;
}

std::shared_ptr<MivAuthDataObject> MivContext::authenticate(const std::shared_ptr<MivAuthDataObject>& authData, bool showUserData)
{
    const auto dialog = copyUnderLock(&Services::authenticate);
    return dialog ? dialog(authData, showUserData) : nullptr;
}

void MivContext::setModifyServiceDataDialog(ModifyServiceDataDialog dialog)
{
    std::lock_guard guard(services().lock);
    services().modifyServiceData = std::move(dialog);
}

void MivContext::setAuthenticateDialog(AuthenticateDialog dialog)
{
    std::lock_guard guard(services().lock);
    services().authenticate = std::move(dialog);
}

QObject* MivContext::lazyWindow(QPointer<QObject>& slot, const WindowFactory& factory)
{
    if (!factory)
        return nullptr;
    QObject* window = nullptr;
    // Widgets are made and touched on the GUI thread only; a worker waits
    // for it there (it holds none of our locks meanwhile).
    MivExec::runOnMainThread([&slot, &factory, &window] {
        if (!slot)
            slot = factory();
        window = slot.data();
    });
    return window;
}

QObject* MivContext::progressPopover()
{
    return lazyWindow(m_progressPopover, copyUnderLock(&Services::progressPopover));
}

QObject* MivContext::ftpTranscript()
{
    return lazyWindow(m_ftpTranscript, copyUnderLock(&Services::ftpTranscript));
}

void MivContext::setProgressPopoverFactory(WindowFactory factory)
{
    std::lock_guard guard(services().lock);
    services().progressPopover = std::move(factory);
}

void MivContext::setFtpTranscriptFactory(WindowFactory factory)
{
    std::lock_guard guard(services().lock);
    services().ftpTranscript = std::move(factory);
}
