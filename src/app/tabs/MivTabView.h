#pragma once

#include <QStackedWidget>

// The pages of a side, one per tab and in tab order; the selected tab's page is shown.
class MivTabView : public QStackedWidget
{
    Q_OBJECT

public:
    explicit MivTabView(QWidget* parent = nullptr) : QStackedWidget(parent) {}
};
