#pragma once

class QAbstractButton;
class QObject;

// The settings' adapter to an update framework. There is none on this
// platform: checking does nothing and automatic checks are always off.
class MivUpdateCheckAdapter
{
public:
    void checkForUpdates(QObject* sender);
    // Both turn the given check box off; nothing is ever scheduled.
    void automaticallyChecksForUpdates(QAbstractButton* checkBox);
    void automaticallyDownloadsUpdates(QAbstractButton* checkBox);
};
