#pragma once

#include <QAction>

// An item of the panel's short menus (the column menu among them): its title
// in the small size of menu text, and a check mark for its on state.
class MivSmallMenuItem : public QAction
{
    Q_OBJECT

public:
    MivSmallMenuItem(const QString& title, QObject* parent);
};
