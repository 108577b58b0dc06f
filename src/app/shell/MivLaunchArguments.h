#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

// The items a launch hands in: local paths (made absolute against the
// launch's working folder) and URLs of other schemes. "file:" URLs count as
// paths. Options (arguments starting with "-") are not items.
struct MivLaunchArguments
{
    QStringList paths;
    QList<QUrl> urls;

    bool isEmpty() const { return paths.isEmpty() && urls.isEmpty(); }

    static MivLaunchArguments parse(const QStringList& arguments, const QString& workingFolder);

    // One UTF-8 message for the single-instance channel, and back. A message
    // that is not one of ours decodes to nothing.
    QByteArray encode() const;
    static MivLaunchArguments decode(const QByteArray& message);
};
