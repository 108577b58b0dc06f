#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <mutex>

class QButtonGroup;
class QHBoxLayout;
class QToolButton;

// The strip of places above a side's tabs: one icon button per place (the
// home folder, every drive volume, the Bonjour browser, the network places),
// at most one selected. A segment's key is its item's path key. Changes of
// the selected segment, by a click or programmatic, are reported through
// selectedSegmentChanged. Widgets on the GUI thread; the segment model may be
// read from any thread.
class MivDriveButtonBar : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kIconSize = 16;
    static constexpr int kSegmentWidth = 32;

    explicit MivDriveButtonBar(QWidget* parent = nullptr);
    ~MivDriveButtonBar() override;

    // Refills the model in segment order: home, drive volumes (re-read), "BONJOUR", "NETWORK".
    void rebuild();
    // Makes one button per item of the model; the buttons follow the model only through this.
    void reload();

    int segmentCount() const;
    int selectedSegment() const;
    // Selects the segment (a negative index clears the selection); reported like a click.
    void setSelectedSegment(int segment);

    // The item of the segment; null outside the model.
    MivFileDataPtr fileDataContextAtIndex(int segment) const;
    // The segment whose key equals the key; -1 when none.
    int buttonForKey(const QString& key) const;
    // The segment a location key belongs to: a mounted share, "NETWORK" for a
    // remote address, else the longest segment key that holds the key, and a
    // segment key holds a key only at a path boundary. -1 when none.
    int bestButtonForKey(const QString& key) const;
    MivFileDataPtr driveContextForKey(const QString& key) const;
    // Selects the segment whose key equals the key, when there is one; from any thread (waits for the GUI thread).
    void selectSegmentWithContext(const QString& key);

    // Redraws one segment from its item (icon, tool tip).
    void configureDriveButtonSegment(int segment, const MivFileDataPtr& item);

    // While locked the side ignores changes of the selected segment.
    bool locked() const { return m_locked; }
    void setLocked(bool locked) { m_locked = locked; }

    // Closes every item and shuts the root items down.
    void close();

    QList<MivFileDataPtr> buttonsData() const;

    // Whether the segment key holds the location key at a path boundary.
    static bool keyHoldsKey(const QString& segmentKey, const QString& key);

signals:
    void selectedSegmentChanged(int segment);

private:
    void updateSorted();
    int segmentOfItemLocked(const MivFileDataPtr& item) const;
    int buttonForKeyLocked(const QString& key) const;

    mutable std::mutex m_mutex;
    QList<MivFileDataPtr> m_buttonsData;
    // The same items, longest key first.
    QList<MivFileDataPtr> m_sortedButtonsData;
    bool m_locked = false;

    QButtonGroup* m_group = nullptr;
    QHBoxLayout* m_layout = nullptr;
    QList<QToolButton*> m_buttons;
};
