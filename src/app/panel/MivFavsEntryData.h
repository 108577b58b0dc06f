#pragma once

#include "platform/ArchivedObject.h"

#include <QMetaType>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <optional>

// One saved favourite of a side: the folder's URL (without password), the
// menu title, the saved location of a remote folder and the path key.
class MivFavsEntryData
{
public:
    static constexpr const char* kClassName = "MivFavsEntryData";

    QUrl url() const { return m_url; }
    void setUrl(const QUrl& url) { m_url = url; }
    QString label() const { return m_label; }
    void setLabel(const QString& label) { m_label = label; }
    QVariantMap fileContext() const { return m_fileContext; }
    void setFileContext(const QVariantMap& context) { m_fileContext = context; }
    QString pathKey() const { return m_pathKey; }
    void setPathKey(const QString& key) { m_pathKey = key; }

    // Same favourite: by the context's "path" when this one has a context
    // and no URL, else by URL.
    bool operator==(const MivFavsEntryData& other) const;

    plat::ArchivedObject encodeWithCoder() const;
    static std::optional<MivFavsEntryData> initWithCoder(const plat::ArchivedObject& object);

private:
    QUrl m_url;
    QString m_label;
    QVariantMap m_fileContext;
    QString m_pathKey;
};

Q_DECLARE_METATYPE(MivFavsEntryData)
