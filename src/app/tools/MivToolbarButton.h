#pragma once

#include "app/tools/MivToolDef.h"

#include <QAction>

// A user tool's button on the main window's toolbar. It keeps its own copy
// of the tool, so a button still in the toolbar's hands after the tool list
// was rebuilt never reads a freed definition. GUI thread.
class MivToolbarButton : public QAction
{
    Q_OBJECT

public:
    explicit MivToolbarButton(const MivToolDef& def, QObject* parent = nullptr);

    const MivToolDef& def() const { return m_def; }
    void setDef(const MivToolDef& def) { m_def = def; }

private:
    MivToolDef m_def;
};
