#pragma once

#include "platform/NotificationToken.h"

#include <QWidget>

class MivLevelIndicator;
class QLabel;

// A level bar with a centred caption over it (the free space of the status
// bar). Its colours follow the appearance: they are set again whenever
// "EffectiveAppearanceChangedNotification" is posted. GUI thread only.
class MivProgressIndicator : public QWidget
{
    Q_OBJECT

public:
    explicit MivProgressIndicator(QWidget* parent = nullptr);
    ~MivProgressIndicator() override;

    // 0 to 100.
    void setValue(double value);
    double value() const;

    MivLevelIndicator* level() const { return m_level; }
    // The caller writes the caption here.
    QLabel* text() const { return m_text; }

    // Sets the level colours and the caption shadow for the current appearance.
    void themeChange();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    MivLevelIndicator* m_level = nullptr;
    QLabel* m_text = nullptr;
    plat::NotificationToken m_themeObserver;
};
