#include "FileData/Extensions/DataDigest.h"

#include "FileData/Extensions/DigestState.h"

namespace DataDigest {

namespace {

QString digestText(int kind, const QByteArray& data)
{
    DigestState state(kind);
    state.update(data);
    return state.text();
}

} // namespace

QString CRC32(const QByteArray& data)
{
    return digestText(DigestState::CRC32, data);
}

QString MD5(const QByteArray& data)
{
    return digestText(DigestState::MD5, data);
}

QString SHA1(const QByteArray& data)
{
    return digestText(DigestState::SHA1, data);
}

QString SHA256(const QByteArray& data)
{
    return digestText(DigestState::SHA256, data);
}

QString SHA512(const QByteArray& data)
{
    return digestText(DigestState::SHA512, data);
}

} // namespace DataDigest
