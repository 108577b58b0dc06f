#include "app/dialogs/MivProcessInfoWindowController.h"

#include "FileData/MivExec.h"
#include "app/dialogs/MivProcessInfoDataSource.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

MivProcessInfoWindowController::MivProcessInfoWindowController(const QString&, QObject* parent)
    : MivProcessWindowController(parent)
{
}

MivProcessInfoWindowController::~MivProcessInfoWindowController()
{
    // The work reads the data source and context data, which go with this part.
    finishWork();
}

void MivProcessInfoWindowController::setMessageText(const QString& text)
{
    m_messageText = text;
    if (m_messageTextField) {
        QPointer<QLabel> field(m_messageTextField);
        MivExec::runOnMainThreadAsync([field, text] {
            if (field)
                field->setText(text);
        });
    }
}

void MivProcessInfoWindowController::loadWindow(QWidget* window)
{
    window->setWindowTitle(QStringLiteral("MIVO Zedarirov"));
    auto* layout = new QVBoxLayout(window);
    m_messageTextField = new QLabel(m_messageText, window);
    m_messageTextField->setObjectName(QStringLiteral("messageTextField"));
    m_messageTextField->setMinimumWidth(320);
    m_messageTextField->setWordWrap(true);
    layout->addWidget(m_messageTextField);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, window);
    connect(buttons, &QDialogButtonBox::rejected, this, &MivProcessInfoWindowController::cancelAction);
    layout->addWidget(buttons);
}

void MivProcessInfoWindowController::process()
{
    // The dialog ends even when the work throws, or its owner would wait on.
    auto finish = qScopeGuard([this] { MivProcessWindowController::process(); });
    if (m_dataSource)
        m_dataSource->processWithData(m_contextData);
}

void MivProcessInfoWindowController::abortModal()
{
    if (m_dataSource && !m_dataSource->processCancel(m_contextData))
        return;
    MivProcessWindowController::abortModal();
}
