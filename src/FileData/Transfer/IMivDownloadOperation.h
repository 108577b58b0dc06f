#pragma once

#include <memory>

class IMivDownloaderProtocol;

// What a download request is given before it runs.
class IMivDownloadOperation
{
public:
    virtual ~IMivDownloadOperation() = default;
    virtual std::weak_ptr<IMivDownloaderProtocol> loader() const = 0;
    virtual void setLoader(const std::weak_ptr<IMivDownloaderProtocol>& loader) = 0;
};
