#pragma once

// The control keys a panel posts under "key" in
// ksFilesTableControlKeyPressedNotification (object: the panel), with the
// optional data entries "row", "next", "left", "pattern" and "regexp". Each
// value is its name; receivers compare by string.
inline constexpr const char* ksFilesTableControlKeyPressedNotification = "FilesTableControlKeyPressedNotification";

inline constexpr const char* FilesTableControlKeyEnter = "FilesTableControlKeyEnter";
inline constexpr const char* FilesTableControlKeyOpenWith = "FilesTableControlKeyOpenWith";
inline constexpr const char* FilesTableControlKeyInside = "FilesTableControlKeyInside";
inline constexpr const char* FilesTableControlKeyOpenFolder = "FilesTableControlKeyOpenFolder";
inline constexpr const char* ksFilesTableControlKeyHotlist = "ksFilesTableControlKeyHotlist";
inline constexpr const char* ksFilesTableControlKeyHistory = "ksFilesTableControlKeyHistory";
inline constexpr const char* FilesTableControlKeySelect = "FilesTableControlKeySelect";
inline constexpr const char* FilesTableControlKeySelectAndGo = "FilesTableControlKeySelectAndGo";
inline constexpr const char* FilesTableControlKeyMouseSelect = "FilesTableControlKeyMouseSelect";
inline constexpr const char* FilesTableControlKeyAddSelectionRange = "FilesTableControlKeyAddSelectionRange";
inline constexpr const char* FilesTableControlKeySelectAll = "FilesTableControlKeySelectAll";
inline constexpr const char* FilesTableControlKeySelectNone = "FilesTableControlKeySelectNone";
inline constexpr const char* FilesTableControlKeyInvertSelection = "FilesTableControlKeyInvertSelection";
inline constexpr const char* FilesTableControlKeySelectByExtension = "FilesTableControlKeySelectByExtension";
inline constexpr const char* FilesTableControlKeySelectByPattern = "FilesTableControlKeySelectByPattern";
inline constexpr const char* FilesTableControlKeyUnselectByPattern = "FilesTableControlKeyUnselectByPattern";
inline constexpr const char* FilesTableControlKeyPgUp = "FilesTableControlKeyPgUp";
inline constexpr const char* FilesTableControlKeyPgDown = "FilesTableControlKeyPgDown";
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
