#include "app/tabs/MivTabBarView.h"

#include <QEvent>

#include <algorithm>

MivTabBarView::MivTabBarView(QWidget* parent) : QTabBar(parent)
{
    setDocumentMode(true);
    setExpanding(false);
    setMovable(false);
    setTabsClosable(true);
    setUsesScrollButtons(true);
}

void MivTabBarView::setTabWidths(bool fitTitles, int optimumWidth)
{
    if (m_fitTitles == fitTitles && m_optimumWidth == optimumWidth)
        return;
    m_fitTitles = fitTitles;
    m_optimumWidth = optimumWidth;
    // A font change is what makes the bar measure its tabs again.
    QEvent change(QEvent::FontChange);
    changeEvent(&change);
}

QSize MivTabBarView::tabSizeHint(int index) const
{
    QSize size = QTabBar::tabSizeHint(index);
    const int wanted = m_fitTitles ? size.width() : m_optimumWidth;
    size.setWidth(std::clamp(wanted, kMinimumTabWidth, kMaximumTabWidth));
    return size;
}

QSize MivTabBarView::minimumTabSizeHint(int index) const
{
    // Tabs that do not fit scroll instead of shrinking below the minimum.
    return tabSizeHint(index);
}
