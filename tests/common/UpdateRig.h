// An updater beside a local server, recording every signal in the order emitted, in private
// settings and temporary folders.
#pragma once

#include "TestServer.h"
#include "update/Updater.h"

#include <QtTest>

struct UpdateRig {
    UpdateRig()
    {
        QObject::connect(
            &updater, &Updater::prompt, &updater,
            [this](const Updater::Info &info, bool forced, bool) {
                events << QStringLiteral("prompt %1 forced=%2").arg(info.version).arg(forced);
            });
        QObject::connect(&updater, &Updater::status, &updater, [this](const QString &t, int) {
            events << QStringLiteral("status ") + t;
        });
        QObject::connect(&updater, &Updater::finished, &updater, [this](bool ok, const QString &m) {
            events << QStringLiteral("finished %1 %2").arg(ok).arg(m);
            ++finishedCount;
        });
    }
    // Waits for one more finished and a little longer, so that a stray second one would show.
    bool check(const QString &url, bool manual = true, int timeoutMs = 20000)
    {
        const int before = finishedCount;
        updater.setManifestUrl(url);
        updater.check(manual);
        return QTest::qWaitFor([&] { return finishedCount > before; }, timeoutMs) &&
               !QTest::qWaitFor([&] { return finishedCount > before + 1; }, 50);
    }
    QString last() const { return events.value(events.size() - 1); }
    // A manifest offering version 2.0 from url with the digest of body.
    static QByteArray manifest(const QString &url, const QByteArray &sha256, const char *extra = "")
    {
        return QStringLiteral("{\"version\":\"2.0\",\"url\":\"%1\",\"sha256\":\"%2\"%3}")
            .arg(url, QString::fromLatin1(sha256), QLatin1String(extra))
            .toUtf8();
    }
    // Settings and temporary files of the updater go below root.
    static void usePrivateFolders(const QString &root)
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Quillmere"));
        QCoreApplication::setApplicationName(QStringLiteral("Podivex"));
        qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toLocal8Bit());
        qputenv("TMPDIR", (root + QStringLiteral("/tmp")).toLocal8Bit());
        QDir(root).mkpath(QStringLiteral("tmp"));
    }

    // Runs a program without blocking the event loop, so that the servers here keep answering.
    // Returns its output, or "crashed"/"hung" in place of the exit code.
    static QPair<QByteArray, int> run(const QString &program, const QStringList &args)
    {
        QProcess process;
        process.start(program, args);
        if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 30000))
            return {"hung", -1};
        const bool crashed = process.exitStatus() == QProcess::CrashExit;
        return {process.readAllStandardOutput(), crashed ? -2 : process.exitCode()};
    }
    static QPair<QByteArray, int> podivex(const QStringList &args)
    {
        return run(QStringLiteral(PODIVEX_BINARY_DIR "/Podivex"), args);
    }

    TestServer server;
    Updater updater;
    QStringList events;
    int finishedCount = 0;
};
