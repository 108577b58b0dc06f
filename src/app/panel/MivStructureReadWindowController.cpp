#include "app/panel/MivStructureReadWindowController.h"

#include "app/panel/MivFlatStructureLoader.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QVBoxLayout>

MivStructureReadWindowController::MivStructureReadWindowController(std::shared_ptr<MivFlatStructureLoader> loader,
                                                                   QObject* parent)
    : MivProcessWindowController(parent), m_loader(std::move(loader))
{
}

MivStructureReadWindowController::~MivStructureReadWindowController()
{
    // The work writes this dialog's result.
    finishWork();
}

QList<MivFileDataPtr> MivStructureReadWindowController::resultArray() const
{
    std::lock_guard guard(m_resultLock);
    return m_resultArray;
}

void MivStructureReadWindowController::loadWindow(QWidget* window)
{
    window->setWindowTitle(QStringLiteral("MIVO Zedarirov"));
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(new QLabel(tr("Reading folder structure..."), window));
    m_pathField = new QLineEdit(window);
    m_pathField->setObjectName(QStringLiteral("pathField"));
    m_pathField->setReadOnly(true);
    m_pathField->setMinimumWidth(360);
    layout->addWidget(m_pathField);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, window);
    connect(buttons, &QDialogButtonBox::rejected, this, &MivStructureReadWindowController::cancelAction);
    layout->addWidget(buttons);
}

void MivStructureReadWindowController::awakeFromNib()
{
    MivProcessWindowController::awakeFromNib();
    if (m_pathField)
        m_pathField->setText(QString());
}

void MivStructureReadWindowController::process()
{
    // The dialog ends even when the walk throws, or its owner would wait on.
    auto finish = qScopeGuard([this] { MivProcessWindowController::process(); });
    if (!m_loader)
        return;
    QList<MivFileDataPtr> result = m_loader->resolveFlatStructure();
    std::lock_guard guard(m_resultLock);
    m_resultArray = std::move(result);
}

void MivStructureReadWindowController::abortModal()
{
    if (m_loader)
        m_loader->abort();
    MivProcessWindowController::abortModal();
}
