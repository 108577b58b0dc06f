#include "app/tools/MivToolbarButton.h"

MivToolbarButton::MivToolbarButton(const MivToolDef& def, QObject* parent) : QAction(def.name, parent), m_def(def)
{
    setToolTip(def.name);
}
