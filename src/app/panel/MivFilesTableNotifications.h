#pragma once

// Names of the notifications a file panel posts and observes; each value is
// its name. The panel is the object of each.
inline constexpr const char* ksFilesTableStartOperationNotification = "FilesTableStartOperationNotification";
inline constexpr const char* ksFilesTableStopOperationNotification = "FilesTableStopOperationNotification";
inline constexpr const char* ksFilesTableRefresh = "FilesTableRefresh";
inline constexpr const char* ksFilesTableContextChanged = "FilesTableContextChanged";
inline constexpr const char* ksFilesTableFilterChangedNotification = "FilesTableFilterChangedNotification";
inline constexpr const char* ksFilesTableMarkedSelectionChanging = "FilesTableMarkedSelectionChanging";
inline constexpr const char* ksFilesTableMarkedSelectionChanged = "FilesTableMarkedSelectionChanged";
// Object: the panel; userInfo "context": its newly focused item (MivFileDataPtr).
inline constexpr const char* ksFilesTableSelectionChanged = "FilesTableSelectionChanged";
