#include "app/alerts/MivAlert.h"

#include "app/alerts/MivAlertResponder.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

MivAlert::MivAlert(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QApplication::applicationDisplayName());
    auto* outer = new QHBoxLayout(this);
    m_icon = new QLabel(this);
    m_icon->setAlignment(Qt::AlignTop);
    outer->addWidget(m_icon);
    m_textColumn = new QVBoxLayout;
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("alertMessage"));
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    QFont bold = m_message->font();
    bold.setBold(true);
    m_message->setFont(bold);
    m_informative = new QLabel(this);
    m_informative->setObjectName(QStringLiteral("alertInformative"));
    m_informative->setWordWrap(true);
    m_informative->setTextFormat(Qt::PlainText);
    m_informative->hide();
    m_textColumn->addWidget(m_message);
    m_textColumn->addWidget(m_informative);
    m_buttonRow = new QHBoxLayout;
    m_buttonRow->addStretch();
    m_textColumn->addLayout(m_buttonRow);
    outer->addLayout(m_textColumn, 1);
    updateIcon();
}

MivAlert::~MivAlert() = default;

QString MivAlert::messageText() const
{
    return m_message->text();
}

void MivAlert::setMessageText(const QString& text)
{
    m_message->setText(text);
}

QString MivAlert::informativeText() const
{
    return m_informative->text();
}

void MivAlert::setInformativeText(const QString& text)
{
    m_informative->setText(text);
    m_informative->setVisible(!text.isEmpty());
}

void MivAlert::setAlertStyle(Style style)
{
    m_style = style;
    updateIcon();
}

void MivAlert::updateIcon()
{
    QStyle::StandardPixmap pixmap = QStyle::SP_MessageBoxWarning;
    if (m_style == Style::Informational)
        pixmap = QStyle::SP_MessageBoxInformation;
    else if (m_style == Style::Critical)
        pixmap = QStyle::SP_MessageBoxCritical;
    const int extent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    m_icon->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(extent, extent));
}

QPushButton* MivAlert::addButtonWithTitle(const QString& title)
{
    const int index = int(m_buttons.size());
    auto* button = new QPushButton(title, this);
    // Found by name by tests' responders: the index is the answer's offset.
    button->setObjectName(QStringLiteral("alertButton%1").arg(index));
    button->setAutoDefault(false);
    m_buttons.append(button);
    // The first button sits at the right edge, later ones to its left.
    m_buttonRow->insertWidget(1, button);
    connect(button, &QPushButton::clicked, this, [this, index] { pressButton(index); });
    if (index == m_returnIndex)
        button->setDefault(true);
    return button;
}

void MivAlert::setReturnButton(int index)
{
    m_returnIndex = index;
    for (int n = 0; n < m_buttons.size(); ++n)
        m_buttons[n]->setDefault(n == index);
}

void MivAlert::setEscapeButton(int index)
{
    m_escapeIndex = index;
}

void MivAlert::setAccessoryView(QWidget* view)
{
    if (m_accessory == view)
        return;
    delete m_accessory;
    m_accessory = view;
    if (view) {
        view->setParent(this);
        // Above the buttons, below the texts.
        m_textColumn->insertWidget(m_textColumn->count() - 1, view);
    }
}

void MivAlert::pressButton(int index)
{
    if (index >= 0 && index < m_buttons.size())
        done(kFirstButtonReturn + index);
}

void MivAlert::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_returnIndex >= 0 && m_returnIndex < m_buttons.size())
                m_buttons[m_returnIndex]->click();
            return;
        case Qt::Key_Escape:
            reject();
            return;
        default:
            break;
        }
    }
    QDialog::keyPressEvent(event);
}

void MivAlert::reject()
{
    // Escape and the window's close button answer as the button bound to
    // Escape; an alert with one button is simply acknowledged. Otherwise the
    // user has to choose.
    if (m_escapeIndex >= 0 && m_escapeIndex < m_buttons.size())
        pressButton(m_escapeIndex);
    else if (m_buttons.size() <= 1)
        pressButton(0);
}

int MivAlert::runModal()
{
    if (m_buttons.isEmpty())
        addButtonWithTitle(tr("OK"));
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    MivAlertResponder::notifyShown(this);
    return exec();
}

void MivAlert::beginSheetModalForWindow(QWidget* window, std::function<void(int)> completion)
{
    if (m_buttons.isEmpty())
        addButtonWithTitle(tr("OK"));
    if (window) {
        setParent(window, windowFlags() | Qt::Sheet);
        setWindowModality(Qt::WindowModal);
    } else {
        setWindowModality(Qt::ApplicationModal);
    }
    QPointer<MivAlert> self(this);
    connect(this, &QDialog::finished, this, [completion = std::move(completion)](int result) {
        if (completion)
            completion(result);
    }, Qt::SingleShotConnection);
    open();
    if (self)
        MivAlertResponder::notifyShown(this);
}
