// The update manifest: the offered version, its download address and digest, and the limits that
// keep a hostile server from feeding the updater without end. Fetching it is the engine's job.
#pragma once

#include <QMetaType>
#include <QString>
#include <QUrl>

struct UpdateInfo {
    QString version;
    QString url; // absolute: a relative address in the manifest is resolved against the manifest's
    QString sha256;
    qint64 size = 0;
    QString min;
    QString notes;
};
Q_DECLARE_METATYPE(UpdateInfo)

namespace Manifest
{

// A manifest is a few hundred bytes; a larger body is refused before it is parsed.
constexpr qint64 kMaxBytes = 64 * 1024;
// The download cap when the manifest declares no size.
constexpr qint64 kMaxInstallerBytes = 1024LL * 1024 * 1024;

// Reads a manifest body fetched from base; on rejection *error holds the message of the failed
// check.
bool parse(const QByteArray &body, const QUrl &base, UpdateInfo *info, QString *error);
// The most bytes a download of this update may bring.
qint64 downloadCap(const UpdateInfo &info);
// Only web addresses with a host are fetched: no local files, no other schemes.
bool isWebUrl(const QUrl &url);

} // namespace Manifest
