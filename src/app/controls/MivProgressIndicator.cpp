#include "app/controls/MivProgressIndicator.h"

#include "FileData/MivColors.h"
#include "app/controls/MivLevelIndicator.h"
#include "app/settings/MivContext.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QPointer>
#include <QThread>

MivProgressIndicator::MivProgressIndicator(QWidget* parent) : QWidget(parent)
{
    m_level = new MivLevelIndicator(this);
    m_text = new QLabel(QCoreApplication::translate("MivProgressIndicator", "----"), this);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setTextInteractionFlags(Qt::NoTextInteraction);
    m_text->setAttribute(Qt::WA_TranslucentBackground);
    m_text->setAutoFillBackground(false);
    QFont font = m_text->font();
    font.setBold(true);
    font.setPointSizeF(std::max(7.0, font.pointSizeF() - 1.0));
    m_text->setFont(font);
    m_text->setGraphicsEffect(new QGraphicsDropShadowEffect(m_text));
    themeChange();

    // The notification may come from any thread; the views change on this one.
    QPointer<MivProgressIndicator> guard(this);
    m_themeObserver = plat::NotificationCenter::defaultCenter().observe(
        QStringLiteral("EffectiveAppearanceChangedNotification"), nullptr, [guard](const plat::Notification&) {
            QMetaObject::invokeMethod(
                qApp, [guard] {
                    if (guard) {
                        MIV_LOG_INFO(QStringLiteral("Current theme changed"));
                        guard->themeChange();
                    }
                },
                QThread::currentThread() == qApp->thread() ? Qt::DirectConnection : Qt::QueuedConnection);
        });
}

MivProgressIndicator::~MivProgressIndicator() = default;

void MivProgressIndicator::setValue(double value)
{
    m_level->setValue(value);
}

double MivProgressIndicator::value() const
{
    return m_level->value();
}

void MivProgressIndicator::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_level->setGeometry(rect());
    m_text->setGeometry(rect().adjusted(1, 0, -1, 0));
}

void MivProgressIndicator::themeChange()
{
    const bool dark = MivContext::isDarkMode();
    if (auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(m_text->graphicsEffect())) {
        shadow->setColor(dark ? Qt::black : Qt::white);
        shadow->setOffset(-0.1, -0.1);
        shadow->setBlurRadius(1.0);
    }
    if (dark) {
        m_level->setColors(MivColors::colorWithName(QStringLiteral("Dark Green")),
                           MivColors::colorWithName(QStringLiteral("Dark GoldenRod")),
                           MivColors::colorWithName(QStringLiteral("Fire Brick")));
    } else {
        // The system's yellow.
        m_level->setColors(MivColors::colorWithName(QStringLiteral("Lawn Green")), QColor(255, 204, 0),
                           MivColors::colorWithName(QStringLiteral("Salmon")));
    }
}
