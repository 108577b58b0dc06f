#pragma once

// The control keys a file panel posts that the main window carries out,
// under the user-info key "key" of "FilesTableControlKeyPressedNotification"
// (object the panel). Each value is its name.
inline constexpr const char* ksFilesTableControlKeyPressedNotification = "FilesTableControlKeyPressedNotification";
inline constexpr const char* ksFilesComponentActivatedNotification = "FilesComponentActivatedNotification";
inline constexpr const char* ksActiveFileComponentChangedNotification = "ActiveFileComponentChangedNotification";
inline constexpr const char* ksFilesTableSelectionChanged = "FilesTableSelectionChanged";
inline constexpr const char* ksFilesTableNeedRefresh = "FilesTableNeedRefresh";
inline constexpr const char* ksRemoteFileAddedNotification = "RemoteFileAddedNotification";
inline constexpr const char* ksRemoteFileRemovedNotification = "ksRemoteFileRemovedNotification";

inline constexpr const char* FilesTableControlKeyChangeFocus = "FilesTableControlKeyChangeFocus";
inline constexpr const char* FilesTableControlKeyOpenInTarget = "FilesTableControlKeyOpenInTarget";
inline constexpr const char* FilesTableControlKeyInsertTab = "FilesTableControlKeyInsertTab";
inline constexpr const char* FilesTableControlKeyShiftDown = "FilesTableControlKeyShiftDown";
inline constexpr const char* FilesTableControlKeyShiftUp = "FilesTableControlKeyShiftUp";
inline constexpr const char* FilesTableControlKeyUpFolder = "FilesTableControlKeyUpFolder";
inline constexpr const char* FilesTableControlKeyHiddenFiles = "FilesTableControlKeyHiddenFiles";
inline constexpr const char* LeftFilesTableControlKey = "LeftFilesTableControlKey";
inline constexpr const char* RightFilesTableControlKey = "RightFilesTableControlKey";
inline constexpr const char* DeleteFilesTableControlKey = "DeleteFilesTableControlKey";
inline constexpr const char* FilterFilesTableControlKey = "FilterFilesTableControlKey";
inline constexpr const char* CommandlineControlKeyShowHistory = "CommandlineControlKeyShowHistory";
