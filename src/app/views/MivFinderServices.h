#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QDBusConnection>
#include <QList>
#include <QUrl>

// Showing an item's information window and revealing it in a file-manager
// window, through the freedesktop org.freedesktop.FileManager1 interface of
// the desktop's file manager on the session bus. Without a session bus (or
// without such a file manager) the calls do nothing; they never wait for
// the answer and never show an alert.
class MivFinderServices
{
public:
    MivFinderServices() = delete;

    static constexpr const char* kService = "org.freedesktop.FileManager1";
    static constexpr const char* kPath = "/org/freedesktop/FileManager1";
    static constexpr const char* kInterface = "org.freedesktop.FileManager1";

    // Items that have a file URL: ShowItemProperties of that URL.
    static void showFinderInfoFor(const MivFileDataPtr& item);
    // Local items whose real URL is a file URL: ShowItems of that URL.
    // Remote, virtual and URL-less items are ignored.
    static void revealDataFileInFinder(const MivFileDataPtr& item);

    // The bus the calls go to: the session bus unless set. Main thread.
    static void setConnection(const QDBusConnection& connection);
    static void resetConnection();

private:
    static bool call(const char* method, const QList<QUrl>& urls);
};
