// An updater beside a local server, its signals recorded in order, and the program run as a
// process; settings and temporary files go to private folders.
#pragma once

#include "TestServer.h"
#include "update/Updater.h"

#include <QtTest>

struct UpdateRig {
    UpdateRig()
    {
        QObject::connect(&updater, &Updater::prompt, [this](const Updater::Info &i, bool forced) {
            events << QStringLiteral("prompt %1 forced=%2").arg(i.version).arg(forced);
        });
        QObject::connect(&updater, &Updater::status,
                         [this](const QString &text) { events << "status " + text; });
        QObject::connect(&updater, &Updater::finished, [this](bool ok, const QString &message) {
            events << QStringLiteral("finished %1 %2").arg(ok).arg(message);
        });
    }
    // One check to its finished, and a little longer, so that a stray second one would show.
    bool check(const QString &path, bool manual = true)
    {
        const auto finishedCount = [this] { return events.filter("finished ").size(); };
        const int before = finishedCount();
        updater.setManifestUrl(server.url(path).toString());
        updater.check(manual);
        return QTest::qWaitFor([&] { return finishedCount() > before; }, 20000) &&
               !QTest::qWaitFor([&] { return finishedCount() > before + 1; }, 50);
    }
    QString last() const { return events.value(events.size() - 1); }

    // A manifest offering version 2.0; later keys in extra override earlier ones.
    static QByteArray manifest(const QString &url, const QByteArray &sha256, const char *extra = "")
    {
        return QStringLiteral("{\"version\":\"2.0\",\"url\":\"%1\",\"sha256\":\"%2\"%3}")
            .arg(url, QString::fromLatin1(sha256), QString::fromUtf8(extra))
            .toUtf8();
    }
    static void usePrivateFolders(const QString &root)
    {
        QCoreApplication::setOrganizationName("Quillmere");
        QCoreApplication::setApplicationName("Podivex");
        for (const char *name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "TMPDIR"})
            qputenv(name, QString(root + '/' + name).toLocal8Bit());
        QDir(root).mkpath("TMPDIR");
    }
    // Output and exit code, -2 for a crash; the event loop runs meanwhile for the servers here.
    static QPair<QByteArray, int> run(const QStringList &args,
                                      const QString &program = PODIVEX_BINARY_DIR "/Podivex")
    {
        QProcess process;
        process.start(program, args);
        if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 30000))
            process.kill();
        process.waitForFinished();
        const bool crashed = process.exitStatus() == QProcess::CrashExit;
        return {process.readAllStandardOutput(), crashed ? -2 : process.exitCode()};
    }

    TestServer server;
    Updater updater;
    QStringList events;
};
