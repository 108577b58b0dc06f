#pragma once

#include <QColor>
#include <QWidget>

// A continuous-capacity level bar from 0 to 100: the filled part takes the
// fill colour below the warning value, the warning colour from it and the
// critical colour from the critical value on. GUI thread only.
class MivLevelIndicator : public QWidget
{
    Q_OBJECT

public:
    static constexpr double kWarningValue = 50.0;
    static constexpr double kCriticalValue = 80.0;

    explicit MivLevelIndicator(QWidget* parent = nullptr);

    double value() const { return m_value; }
    void setValue(double value);

    void setColors(const QColor& fill, const QColor& warning, const QColor& critical);
    // The colour the filled part has at the current value.
    QColor levelColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_value = 50.0;
    QColor m_fill;
    QColor m_warning;
    QColor m_critical;
};
