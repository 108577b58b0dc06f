#include "app/dialogs/MivModDateWindowController.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "platform/Error.h"
#include "platform/Log.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

MivModDateWindowController::MivModDateWindowController(const QList<MivFileDataPtr>& data, QObject* parent)
    : MivModalWindowController(parent), m_sourceData(data)
{
    if (!m_sourceData.isEmpty())
        m_data = m_sourceData.first();
}

MivModDateWindowController::~MivModDateWindowController() = default;

void MivModDateWindowController::loadWindow(QWidget* window)
{
    window->setWindowTitle(tr("Change Modification Date"));
    auto* layout = new QVBoxLayout(window);
    auto* form = new QFormLayout;

    m_applyButton = new QComboBox(window);
    m_applyButton->setObjectName(QStringLiteral("applyButton"));
    m_applyButton->addItem(tr("Selected items"), 0);
    m_applyButton->addItem(tr("Selected files and all files inside folders"), 1);
    m_applyButton->addItem(tr("Selected folders and all folders inside them"), 2);
    m_applyButton->addItem(tr("Selected items and everything inside folders"), 3);
    form->addRow(tr("Apply to:"), m_applyButton);

    m_operChoice = new QButtonGroup(window);
    auto* now = new QRadioButton(tr("Current date and time"), window);
    auto* chosen = new QRadioButton(tr("This date:"), window);
    m_operChoice->addButton(now, kChoiceNow);
    m_operChoice->addButton(chosen, kChoicePicker);
    now->setChecked(true);
    connect(m_operChoice, &QButtonGroup::idClicked, this, [this] { setChoiceValue(); });

    m_datePicker = new QDateTimeEdit(window);
    m_datePicker->setObjectName(QStringLiteral("datePicker"));
    m_datePicker->setCalendarPopup(true);
    m_datePicker->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    auto* choiceRow = new QHBoxLayout;
    choiceRow->addWidget(chosen);
    choiceRow->addWidget(m_datePicker, 1);
    form->addRow(QString(), now);
    form->addRow(QString(), choiceRow);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(window);
    m_updateButton = buttons->addButton(tr("Update"), QDialogButtonBox::AcceptRole);
    m_updateButton->setObjectName(QStringLiteral("updateButton"));
    m_updateButton->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &MivModDateWindowController::okAction);
    connect(buttons, &QDialogButtonBox::rejected, this, &MivModDateWindowController::cancelAction);
    layout->addWidget(buttons);
}

void MivModDateWindowController::awakeFromNib()
{
    MivModalWindowController::awakeFromNib();
    setModalRelative(true);
    if (m_data)
        m_modDate = m_data->modificationDate();
    m_datePicker->setDateTime(m_modDate.isValid() ? m_modDate : QDateTime::currentDateTime());
    m_datePicker->setEnabled(false);
    const bool settable = m_data && m_data->canSetModDate();
    m_applyButton->setEnabled(settable);
    m_updateButton->setEnabled(settable);
}

void MivModDateWindowController::setScope(int scope)
{
    window();
    const int index = m_applyButton->findData(scope);
    if (index >= 0)
        m_applyButton->setCurrentIndex(index);
}

void MivModDateWindowController::setChoice(int tag)
{
    window();
    if (QAbstractButton* button = m_operChoice->button(tag))
        button->setChecked(true);
    setChoiceValue();
}

void MivModDateWindowController::setChoiceValue()
{
    m_datePicker->setEnabled(m_operChoice->checkedId() == kChoicePicker);
}

void MivModDateWindowController::processResult(int response)
{
    if (response != kResponseStop || !m_modDate.isValid())
        return;
    const int scope = m_applyButton->currentData().toInt();
    const QDateTime date =
        m_operChoice->checkedId() == kChoicePicker ? m_datePicker->dateTime() : QDateTime::currentDateTime();
    for (const MivFileDataPtr& item : std::as_const(m_sourceData)) {
        plat::Error failure;
        if (!processModDate(date, scope, item, &failure)) {
            MivErrorPresenter::presentError(failure);
            return;
        }
    }
}

bool MivModDateWindowController::processModDate(const QDateTime& date, int scope, const MivFileDataPtr& item,
                                                plat::Error* errorRes)
{
    plat::Error failure;
    if (applyTo(date, scope, item, failure))
        return true;
    if (errorRes) {
        *errorRes = failure;
        MIV_LOG_ERROR(QStringLiteral("Error with processing mod date for file: %1: %2")
                          .arg(item ? item->pathKey() : QString(), failure.description()));
    } else {
        MivErrorPresenter::presentError(failure);
    }
    return false;
}

bool MivModDateWindowController::applyTo(const QDateTime& date, int scope, const MivFileDataPtr& item,
                                         plat::Error& failure)
{
    if (!item)
        return true;
    const bool folder = item->isFolder();
    const bool link = item->link();
    const bool enterable = folder && !link;
    const bool setHere = scope == 0 || scope == 3 || (scope == 1 && !enterable) || (scope == 2 && enterable);
    // A date that cannot be set is a failure like any other, not a silent skip.
    if (setHere && !item->applyModDate(date, &failure))
        return false;
    if (scope <= 0 || !enterable)
        return true;
    plat::Error listing;
    const QList<MivFileDataPtr> children = item->listElements(true, MivFileCallback(), &listing);
    if (listing) {
        failure = listing;
        return false;
    }
    for (const MivFileDataPtr& child : children) {
        if (!applyTo(date, scope, child, failure))
            return false;
    }
    return true;
}
