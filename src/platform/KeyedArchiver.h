#pragma once

#include "platform/ArchivedObject.h"

namespace plat {

// Writes one object's keys: the keyed coder that encodeWithCoder-style
// methods receive. Booleans and integers keep their codings (plist booleans
// and integers); everything else goes through encodeObject. A later write of
// the same key replaces the earlier value in place, keeping the first order.
class KeyedArchiver
{
public:
    explicit KeyedArchiver(QString className);

    void encodeBool(const QString& key, bool value);
    void encodeInt32(const QString& key, qint32 value);
    void encodeInt64(const QString& key, qint64 value);
    void encodeDouble(const QString& key, double value);
    // An invalid QVariant (or a null QString) is the absent object: it is
    // written as the null tag, so the key is still present.
    void encodeObject(const QString& key, const QVariant& value);
    void encodeObject(const QString& key, const ArchivedObject& value);

    const ArchivedObject& object() const { return m_object; }

private:
    void set(const QString& key, QVariant value);

    ArchivedObject m_object;
};

} // namespace plat
