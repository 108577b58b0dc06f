#pragma once

#include <QColor>
#include <QWidget>

// A flat background with optional lines along its top and bottom edges; in
// a window that is not active it fills with the inactive colour. GUI thread only.
class ColorGradientView : public QWidget
{
    Q_OBJECT

public:
    explicit ColorGradientView(QWidget* parent = nullptr);

    QColor startingColor() const { return m_startingColor; }
    void setStartingColor(const QColor& color);
    // Wins over the starting colour when set (valid).
    QColor endingColor() const { return m_endingColor; }
    void setEndingColor(const QColor& color);
    QColor inactiveColor() const { return m_inactiveColor; }
    void setInactiveColor(const QColor& color);
    // Kept for callers; the fill does not use it.
    int angle() const { return m_angle; }
    void setAngle(int angle) { m_angle = angle; }
    bool topBorder() const { return m_topBorder; }
    void setTopBorder(bool on);
    bool bottomBorder() const { return m_bottomBorder; }
    void setBottomBorder(bool on);
    // Draws nothing of its own.
    bool standard() const { return m_standard; }
    void setStandard(bool on);

    // Starting colour = the colour, no ending colour.
    void setBackgroundColor(const QColor& color);
    void forceUpdate() { update(); }

    // What the view fills with now; invalid for no fill.
    QColor currentFillColor() const;
    QColor currentBorderColor() const;

    static void prepareToolbarView(ColorGradientView* view, bool bottomLine, bool topLine);
    static void prepareToolbarView(ColorGradientView* view, bool bottomLine)
    {
        prepareToolbarView(view, bottomLine, !bottomLine);
    }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool windowActive() const;

    QColor m_startingColor;
    QColor m_endingColor;
    QColor m_inactiveColor;
    int m_angle = 270;
    bool m_topBorder = false;
    bool m_bottomBorder = false;
    bool m_standard = false;
};
