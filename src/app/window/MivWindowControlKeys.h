#pragma once

// The names the main window observes and posts beside the panel's control
// keys (which it carries out: MivFilesTableControlKeys.h), the panel's
// notifications (MivFilesTableNotifications.h) and the network
// place notifications (MivNetworkNotifications.h). Each value is its name.
#include "FileData/NetFileData/MivNetworkNotifications.h"
#include "app/panel/MivFilesTableControlKeys.h"
#include "app/panel/MivFilesTableNotifications.h"

inline constexpr const char* ksFilesComponentActivatedNotification = "FilesComponentActivatedNotification";
inline constexpr const char* ksActiveFileComponentChangedNotification = "ActiveFileComponentChangedNotification";
inline constexpr const char* ksFilesTableNeedRefresh = "FilesTableNeedRefresh";
// Object: the folder item to open in the active side; userInfo "item": the same as MivFileDataPtr.
inline constexpr const char* ksFilesTableContextNeedChange = "FilesTableContextNeedChange";
// Object: an item opened while a panel shows the network browser; userInfo "item" as above.
inline constexpr const char* ksFilesTableChangeContextForNetworkFileNotification =
    "FilesTableChangeContextForNetworkFileNotification";
// Posted by the main window whenever the keyboard focus moves into, within
// or out of its widgets; object: the window, userInfo "responder": the widget
// taking the focus (QObject*), absent when the focus leaves the window's widgets.
inline constexpr const char* ksFistResponderWillChangeNotification = "FistResponderWillChangeNotification";
