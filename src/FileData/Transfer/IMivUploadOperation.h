#pragma once

#include <QString>

#include <memory>

class IMivUploaderProtocol;

namespace plat {
class InputStream;
}

// What an upload request is given before it runs.
class IMivUploadOperation
{
public:
    virtual ~IMivUploadOperation() = default;
    virtual std::weak_ptr<IMivUploaderProtocol> loader() const = 0;
    virtual void setLoader(const std::weak_ptr<IMivUploaderProtocol>& loader) = 0;
    virtual QString fileName() const = 0;
    virtual void setFileName(const QString& fileName) = 0;
    // The request's body stream.
    virtual std::shared_ptr<plat::InputStream> inputStream() const = 0;
    virtual void setInputStream(const std::shared_ptr<plat::InputStream>& inputStream) = 0;
    // Bytes to send.
    virtual quint64 length() const = 0;
    virtual void setLength(quint64 length) = 0;
};
