#include "app/controls/MivLevelIndicator.h"

#include <QPainter>

#include <algorithm>

MivLevelIndicator::MivLevelIndicator(QWidget* parent) : QWidget(parent)
{
}

void MivLevelIndicator::setValue(double value)
{
    value = std::clamp(value, 0.0, 100.0);
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void MivLevelIndicator::setColors(const QColor& fill, const QColor& warning, const QColor& critical)
{
    m_fill = fill;
    m_warning = warning;
    m_critical = critical;
    update();
}

QColor MivLevelIndicator::levelColor() const
{
    if (m_value >= kCriticalValue)
        return m_critical;
    if (m_value >= kWarningValue)
        return m_warning;
    return m_fill;
}

void MivLevelIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(frame);
    QRectF filled = frame.adjusted(1, 1, -1, -1);
    filled.setWidth(filled.width() * m_value / 100.0);
    painter.fillRect(filled, levelColor());
}
