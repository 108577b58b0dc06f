#pragma once

#include "platform/SortDescriptor.h"

#include <QList>
#include <QString>

// One column of a panel's list view: its id (the key of the column
// configuration), the title the header shows, how its cells draw, and the
// sort descriptor a click on its header starts with. The defaults are the
// table a new panel starts from; the saved configuration moves, sizes and
// hides them afterwards.
struct MivFilesTableColumn
{
    enum class CellKind { Name, Text, Size, Date, Perms };

    QString identifier;
    QString title;
    CellKind cellKind = CellKind::Text;
    double width = 100;
    bool hidden = false;
    plat::SortDescriptor sortDescriptorPrototype;

    // In the model's column order (MivFilesTableDataController::columnIds),
    // which is also the initial order on screen.
    static const QList<MivFilesTableColumn>& defaultColumns();
};
