#pragma once

#include <QHeaderView>
#include <QHash>
#include <QString>

class MivFilesTableHeaderViewDelegate;
class QMenu;

// The list view's header: movable sections titled from the column table
// rather than from the model, and a context menu that its delegate fills.
class MivFilesTableHeaderView : public QHeaderView
{
    Q_OBJECT

public:
    explicit MivFilesTableHeaderView(QWidget* parent = nullptr);

    void setDelegate(MivFilesTableHeaderViewDelegate* delegate) { m_delegate = delegate; }
    MivFilesTableHeaderViewDelegate* delegate() const { return m_delegate; }

    void setSectionTitle(int logicalIndex, const QString& title);
    QString sectionTitle(int logicalIndex) const;

    // A new menu with an empty title, filled by the delegate; the caller owns it.
    QMenu* menuForEvent(QContextMenuEvent* event);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;

private:
    MivFilesTableHeaderViewDelegate* m_delegate = nullptr;  // not owned
    QHash<int, QString> m_titles;
};
