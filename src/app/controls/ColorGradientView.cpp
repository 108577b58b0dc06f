#include "app/controls/ColorGradientView.h"

#include <QEvent>
#include <QPainter>

ColorGradientView::ColorGradientView(QWidget* parent)
    : QWidget(parent), m_startingColor(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 1.0f)),
      m_inactiveColor(palette().color(QPalette::Button))
{
}

void ColorGradientView::setStartingColor(const QColor& color)
{
    m_startingColor = color;
    update();
}

void ColorGradientView::setEndingColor(const QColor& color)
{
    m_endingColor = color;
    update();
}

void ColorGradientView::setInactiveColor(const QColor& color)
{
    m_inactiveColor = color;
    update();
}

void ColorGradientView::setTopBorder(bool on)
{
    m_topBorder = on;
    update();
}

void ColorGradientView::setBottomBorder(bool on)
{
    m_bottomBorder = on;
    update();
}

void ColorGradientView::setStandard(bool on)
{
    m_standard = on;
    update();
}

void ColorGradientView::setBackgroundColor(const QColor& color)
{
    m_startingColor = color;
    m_endingColor = QColor();
    update();
}

bool ColorGradientView::windowActive() const
{
    return isActiveWindow();
}

QColor ColorGradientView::currentFillColor() const
{
    if (windowActive())
        return m_endingColor.isValid() ? m_endingColor : m_startingColor;
    return m_inactiveColor;
}

QColor ColorGradientView::currentBorderColor() const
{
    return palette().color(windowActive() ? QPalette::Shadow : QPalette::Button);
}

void ColorGradientView::changeEvent(QEvent* event)
{
    // Fill and lines follow the window's active state.
    if (event->type() == QEvent::ActivationChange || event->type() == QEvent::PaletteChange)
        update();
    QWidget::changeEvent(event);
}

void ColorGradientView::paintEvent(QPaintEvent* event)
{
    if (!m_standard) {
        QPainter painter(this);
        const QColor fill = currentFillColor();
        if (fill.isValid())
            painter.fillRect(rect(), fill);
        if (m_topBorder || m_bottomBorder) {
            QPen pen(currentBorderColor());
            pen.setWidth(0);
            painter.setPen(pen);
            if (m_topBorder)
                painter.drawLine(0, 0, width(), 0);
            if (m_bottomBorder)
                painter.drawLine(0, height() - 1, width(), height() - 1);
        }
    }
    QWidget::paintEvent(event);
}

void ColorGradientView::prepareToolbarView(ColorGradientView* view, bool bottomLine, bool topLine)
{
    if (!view)
        return;
    view->setStartingColor(QColor::fromRgbF(0.85f, 0.85f, 0.85f, 0.4f));
    view->setEndingColor(QColor::fromRgbF(0.7f, 0.7f, 0.7f, 0.9f));
    view->setAngle(270);
    view->setBottomBorder(bottomLine);
    view->setTopBorder(topLine);
}
