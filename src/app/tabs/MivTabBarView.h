#pragma once

#include <QTabBar>

// The tab bar of a side. Tab styles and badges come later; until then it is
// a plain tab bar whose tabs follow the side's tab items.
class MivTabBarView : public QTabBar
{
    Q_OBJECT

public:
    explicit MivTabBarView(QWidget* parent = nullptr) : QTabBar(parent)
    {
        setDocumentMode(true);
        setExpanding(false);
        setMovable(false);
        setTabsClosable(true);
        setUsesScrollButtons(true);
    }
};
