#pragma once

// Marker: the item lives on a remote or plug-in file system.
class IMivRemoteFile
{
public:
    virtual ~IMivRemoteFile() = default;
};
