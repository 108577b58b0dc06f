#include "app/tabs/MivFilesTabViewController.h"

#include "app/settings/IMivContextEntryController.h"
#include "app/settings/MivContextEntry.h"
#include "FileData/MivExec.h"

#include <QPointer>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

class EntryController final : public IMivContextEntryController
{
public:
    explicit EntryController(MivFilesTabViewController* side) : m_side(side) {}
    MivFilesTabViewController* side() const { return m_side; }

private:
    MivFilesTabViewController* m_side;
};

} // namespace

MivFilesTabViewController::MivFilesTabViewController(QWidget* parent)
    : QWidget(parent), m_tabView(new QStackedWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tabView, 1);
    m_tabView->setFrameShape(QFrame::StyledPanel);
    m_tabView->setBackgroundRole(QPalette::Base);
    m_tabView->setAutoFillBackground(true);
}

MivFilesTabViewController::~MivFilesTabViewController() = default;

void MivFilesTabViewController::setIdentifier(const QString& ident)
{
    m_ident = ident;
    setObjectName(ident);
}

void MivFilesTabViewController::setEntry(const std::shared_ptr<MivContextEntry>& entry)
{
    m_entry = entry;
    if (!entry)
        return;
    if (!m_entryController)
        m_entryController = std::make_shared<EntryController>(this);
    entry->setController(m_entryController);
}

MivFilesTabViewController::TabItemPtr MivFilesTabViewController::openTabForData(const MivFileDataPtr&, const QString&,
                                                                                int, bool, TabCompletion)
{
    return nullptr;
}

MivFilesViewController* MivFilesTabViewController::changeFilesPanelForData(const MivFileDataPtr& data,
                                                                           const QString& selection,
                                                                           const std::optional<QVariantMap>& dataContext)
{
    MivFilesViewController* panel = activePanel();
    changeFilesPanel(panel, data, nullptr, selection, dataContext);
    return panel;
}

MivFilesViewController* MivFilesTabViewController::changeFilesPanelForData(const MivFileDataPtr& data,
                                                                           const TabItemPtr& tab,
                                                                           const QString& selection,
                                                                           const std::optional<QVariantMap>& dataContext)
{
    MivFilesViewController* panel = activePanel();
    changeFilesPanel(panel, data, tab, selection, dataContext);
    return panel;
}

void MivFilesTabViewController::changeFilesPanel(MivFilesViewController* panel, const MivFileDataPtr& data,
                                                 const QString& selection,
                                                 const std::optional<QVariantMap>& dataContext)
{
    changeFilesPanel(panel, data, nullptr, selection, dataContext);
}

void MivFilesTabViewController::changeFilesPanel(MivFilesViewController*, const MivFileDataPtr&, const TabItemPtr&,
                                                 const QString&, const std::optional<QVariantMap>&)
{
}

MivFilesTabViewController::TabItemPtr MivFilesTabViewController::handleLockedTab(MivFilesViewController*,
                                                                                 const MivFileDataPtr&)
{
    return nullptr;
}

void MivFilesTabViewController::hideSearchPanel()
{
    QPointer<MivFilesTabViewController> self(this);
    MivExec::runOnMainThreadAsync([self] {
        if (!self)
            return;
        // The quick-filter panel arrives with the tab controls.
    });
}

MivFilesViewController* MivFilesTabViewController::activePanel() const
{
    return nullptr;
}

void MivFilesTabViewController::requestFocusToActivePanel()
{
    setFocus(Qt::OtherFocusReason);
}

bool MivFilesTabViewController::isTabBarHidden() const
{
    auto side = entry();
    return side ? side->tabMode() : false;
}

bool MivFilesTabViewController::isDriveBarHidden() const
{
    auto side = entry();
    return side ? side->driveMode() : false;
}

bool MivFilesTabViewController::isPathBarHidden() const
{
    // Without an active panel the path bar counts as hidden.
    return activePanel() == nullptr;
}

void MivFilesTabViewController::saveState()
{
    auto side = entry();
    if (!side)
        return;
    side->setTabMode(isTabBarHidden());
    side->setDriveMode(isDriveBarHidden());
    side->setPathBarHidden(isPathBarHidden());
}

void MivFilesTabViewController::shutdown()
{
}
