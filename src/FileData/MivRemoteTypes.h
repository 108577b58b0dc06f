#pragma once

// Remote types of the back-ends, which are also the URL schemes the item
// factory knows, and the DNS-SD service types of WebDAV.
inline constexpr const char* ksSmbRemoteType = "smb";
inline constexpr const char* ksAfpRemoteType = "afp";
inline constexpr const char* ksFtpsRemoteType = "ftps";
inline constexpr const char* ksFtpRemoteType = "ftp";
inline constexpr const char* ksSshRemoteType = "ssh";
inline constexpr const char* ksHttpRemoteType = "http";
inline constexpr const char* ksHttpsRemoteType = "https";
inline constexpr const char* ksUnknownRemoteType = "unk";
inline constexpr const char* ksSambaRemoteType = "samba";

inline constexpr const char* ksWDavServiceType = "_webdav._tcp";
inline constexpr const char* ksWDavsServiceType = "_webdavs._tcp";
