#pragma once

// Notifications about network places; each value is its name.
//
// Posted by the connection dialog after a successful connect; object: the
// connected place (its parent is the network root), userInfo "item": the
// place as MivFileDataPtr.
inline constexpr const char* ksRemoteFileAddedNotification = "RemoteFileAddedNotification";
// Posted by the network root for every place it removes; object: the removed
// place, userInfo "item": the place as MivFileDataPtr, which keeps it alive
// (and its address unique) while observers on other threads still compare
// against it.
inline constexpr const char* ksRemoteFileRemovedNotification = "ksRemoteFileRemovedNotification";
