#include "app/views/MivViewServices.h"

#include "app/alerts/MivErrorAlert.h"
#include "app/views/MivIconRenderer.h"

#include "FileData/MivErrorPresenter.h"

void installViewServices()
{
    MivErrorPresenter::setPresentationHandler(&MivErrorAlert::present);
    MivIconRenderer::installIconTheme();
}
