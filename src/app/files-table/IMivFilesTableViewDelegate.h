#pragma once

#include <QColor>
#include <QString>

#include "FileData/MivFileDataTypes.h"

class MivEditTextField;
class MivFilesTableView;

// What the list view asks of its panel beyond keys and commands: the focus
// and highlight reactions and in-place renaming. The panel implements it.
class IMivFilesTableViewDelegate
{
public:
    virtual ~IMivFilesTableViewDelegate() = default;

    // The panel redraws its path bar in the inactive look.
    virtual void redisplayPathFinder() = 0;
    // The highlighted row changed, or the panel must refresh what depends on it.
    virtual void tableViewSelectionDidChange(MivFilesTableView* view) = 0;
    virtual bool shouldEditTableColumn(MivFilesTableView* view, const QString& columnId, int row) = 0;
    // Fills the editor (the edit value, the name selected without its extension).
    virtual void prepareEditor(MivEditTextField* editor, int row) = 0;
    // The edited text of a row, when the edit ended with a commit.
    virtual void setObjectValue(const QString& value, int row) = 0;
    // The text colour of an item's text cells; an invalid colour leaves the
    // view's own (the palette's text, or its highlighted text).
    virtual QColor textColorForItem(const MivFilesTableView* view, const MivFileDataPtr& item, bool highlighted) const
    {
        Q_UNUSED(view);
        Q_UNUSED(item);
        Q_UNUSED(highlighted);
        return {};
    }

    // Type-to-select: whether typing moves the highlight at all, and the row
    // the typed text leads to when the typing began at fromRow (-1: none).
    virtual bool shouldTypeSelect(MivFilesTableView* view)
    {
        Q_UNUSED(view);
        return false;
    }
    virtual int nextTypeSelectMatch(MivFilesTableView* view, int fromRow, const QString& typed)
    {
        Q_UNUSED(view);
        Q_UNUSED(fromRow);
        Q_UNUSED(typed);
        return -1;
    }
};
