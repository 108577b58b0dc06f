#include "app/window/MivWinController.h"

#include "app/settings/MivContext.h"
#include "app/tabs/MivFilesTabViewController.h"
#include "app/window/MivMainWindow.h"
#include "platform/Log.h"

#include <QApplication>
#include <QSplitter>

const QString MivWinController::kActiveLeftSideKey = QStringLiteral("ActiveLeftSide");
const QString MivWinController::kCommandLineHistoryKey = QStringLiteral("command_line_field.history");

MivWinController::MivWinController(SideFactory sideFactory)
    : m_sideFactory(std::move(sideFactory)), m_window(std::make_unique<MivMainWindow>())
{
    MIV_LOG_INFO(QStringLiteral("------> MivWinController - STARING WINDOW <-------"));
    m_filesSplit = new QSplitter(Qt::Horizontal, m_window.get());
    m_filesSplit->setObjectName(QStringLiteral("filesSplit"));
    m_filesSplit->setChildrenCollapsible(false);
    m_window->setCentralWidget(m_filesSplit);

    m_left = makeSide(QStringLiteral("left"), m_filesSplit);
    MIV_LOG_INFO(QStringLiteral("LOAD LEFT PANEL: %1").arg(m_left->objectName()));
    m_right = makeSide(QStringLiteral("right"), m_filesSplit);
    MIV_LOG_INFO(QStringLiteral("LOAD RIGHT PANEL: %1").arg(m_right->objectName()));

    if (auto context = MivContext::context()) {
        m_left->setEntry(context->left());
        m_right->setEntry(context->right());
        const QVariant history = context->dict().value(kCommandLineHistoryKey);
        if (!history.toStringList().isEmpty())
            m_commandLineHistory = history.toStringList();
    }

    // The side that last held the keyboard focus is the active one.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { sideActivated(now); });
    MIV_LOG_INFO(QStringLiteral("------> MivWinController - WINDOW STARTED <-------"));
}

MivWinController::~MivWinController() = default;

MivFilesTabViewController* MivWinController::makeSide(const QString& ident, QWidget* parent)
{
    MivFilesTabViewController* side =
        m_sideFactory ? m_sideFactory(parent) : new MivFilesTabViewController(parent);
    side->setParent(parent);
    side->setIdentifier(ident);
    m_filesSplit->addWidget(side);
    return side;
}

MivMainWindow* MivWinController::window() const
{
    return m_window.get();
}

void MivWinController::showWindow()
{
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void MivWinController::sideActivated(QWidget* now)
{
    if (!now)
        return;
    if (m_left->isAncestorOf(now) || now == m_left)
        m_leftActive = true;
    else if (m_right->isAncestorOf(now) || now == m_right)
        m_leftActive = false;
}

MivFilesTabViewController* MivWinController::activeTabPanel() const
{
    return m_leftActive ? m_left : m_right;
}

MivFilesTabViewController* MivWinController::opositeTabPanel() const
{
    return m_leftActive ? m_right : m_left;
}

void MivWinController::started()
{
    MIV_LOG_INFO(QStringLiteral("Request focus to active panel in window: MivWinController"));
    bool left = true;
    if (auto context = MivContext::context()) {
        const QVariant saved = context->dict().value(kActiveLeftSideKey);
        if (saved.isValid())
            left = saved.toBool();
    }
    m_leftActive = left;
    (left ? m_left : m_right)->requestFocusToActivePanel();
}

void MivWinController::saveState()
{
    auto context = MivContext::context();
    if (!context)
        return;
    context->setDictObject(qint64(activeTabPanel() == m_left ? 1 : 0), kActiveLeftSideKey);
    m_left->saveState();
    m_right->saveState();
    if (!m_commandLineHistory.isEmpty())
        context->setDictObject(m_commandLineHistory, kCommandLineHistoryKey);
}

void MivWinController::shutdown()
{
    m_left->shutdown();
    m_right->shutdown();
}

void MivWinController::openFile(const MivFileDataPtr&, qint32)
{
}

void MivWinController::openFileFor(qint32)
{
}
