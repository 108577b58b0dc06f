#pragma once

#include <QTabBar>

// The tab bar of a side. Tab styles and badges come later; until then it is
// a plain tab bar whose tabs follow the side's tab items.
class MivTabBarView : public QTabBar
{
    Q_OBJECT

public:
    static constexpr int kMinimumTabWidth = 100;
    static constexpr int kMaximumTabWidth = 250;

    explicit MivTabBarView(QWidget* parent = nullptr);

    // Tabs as wide as their titles, or all of the optimum width; both kept
    // between the minimum and the maximum width.
    void setTabWidths(bool fitTitles, int optimumWidth);
    bool fitsTitles() const { return m_fitTitles; }
    int optimumTabWidth() const { return m_optimumWidth; }

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;

private:
    bool m_fitTitles = false;
    int m_optimumWidth = 200;
};
