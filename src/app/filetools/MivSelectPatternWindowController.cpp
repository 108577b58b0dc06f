#include "app/filetools/MivSelectPatternWindowController.h"

#include "app/panel/MivFilesTableControlKeys.h"
#include "app/panel/MivFilesViewController.h"
#include "platform/Error.h"
#include "platform/RegularExpression.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

MivSelectPatternWindowController::MivSelectPatternWindowController(int actionType, QObject* parent)
    : MivModalWindowController(parent), m_select(actionType != kActionUnmark)
{
}

MivSelectPatternWindowController::~MivSelectPatternWindowController() = default;

void MivSelectPatternWindowController::loadWindow(QWidget* window)
{
    window->setWindowTitle(m_select ? tr("Select Files") : tr("Unselect Files"));
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(new QLabel(tr("Name pattern:"), window));

    m_patternField = new QLineEdit(window);
    m_patternField->setObjectName(QStringLiteral("patternField"));
    m_patternField->setPlaceholderText(QStringLiteral("*.*"));
    layout->addWidget(m_patternField);

    m_regexpField = new QCheckBox(tr("Regular expression"), window);
    m_regexpField->setObjectName(QStringLiteral("regexpField"));
    layout->addWidget(m_regexpField);

    m_errorLabel = new QLabel(window);
    m_errorLabel->setObjectName(QStringLiteral("errorLabel"));
    m_errorLabel->setWordWrap(true);
    m_errorLabel->hide();
    layout->addWidget(m_errorLabel);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, window);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &MivSelectPatternWindowController::okAction);
    connect(buttons, &QDialogButtonBox::rejected, this, &MivSelectPatternWindowController::cancelAction);
    layout->addWidget(buttons);
}

void MivSelectPatternWindowController::performOnSheetForWindow(QWidget* window)
{
    showModalSheetForWindow(window, {});
}

bool MivSelectPatternWindowController::validate()
{
    if (!m_regexpField->isChecked())
        return true;
    plat::Error error;
    const plat::RegularExpression expression(m_patternField->text(), plat::RegularExpression::NoOptions, &error);
    if (expression.isValid())
        return true;
    // The sheet stays open for the user to mend the expression.
    m_errorLabel->setText(error.description());
    m_errorLabel->show();
    return false;
}

void MivSelectPatternWindowController::processResult(int response)
{
    if (response != kResponseStop)
        return;
    const auto panel = m_controller.lock();
    if (!panel)
        return;
    const QString key = QString::fromLatin1(m_select ? FilesTableControlKeySelectByPattern
                                                     : FilesTableControlKeyUnselectByPattern);
    panel->processControlKey(key, {{QStringLiteral("pattern"), m_patternField->text()},
                                   {QStringLiteral("regexp"), m_regexpField->isChecked()}});
}
