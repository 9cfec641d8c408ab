// A real LibreOffice Impress slide show for end-to-end tests: a flat deck of one slide per colour,
// each filled with it from edge to edge, a fresh quiet profile, one `soffice --show`. It leaves
// checking what the show does to the tests.
#pragma once

#include "ScreenProbe.h"
#include "platform/WindowLayer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>

class ImpressShow
{
public:
    explicit ImpressShow(QStringList slideColors) : colors(std::move(slideColors)) {}
    ~ImpressShow() { stop(); }

    // Starts the show and waits until its window is listed and shows the first slide.
    bool start(int timeoutMs = 90000)
    {
        QString styles, pages;
        for (int i = 1; i <= colors.size(); ++i) {
            styles += QString::fromLatin1(kPageStyle).arg(i).arg(colors.at(i - 1));
            pages += QString::fromLatin1(kPage).arg(i);
        }
        if (!dir.isValid() || colors.isEmpty() ||
            !write("deck.fodp", QString(kDeck).arg(styles, pages).toUtf8()) ||
            !QDir().mkpath(dir.filePath("profile/user")) ||
            !write("profile/user/registrymodifications.xcu", kProfile))
            return false;
        qputenv("SAL_USE_VCLPLUGIN", "gtk3"); // the plain X11 plug-in never paints the show here
        launcher.setWorkingDirectory(dir.path());
        launcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        launcher.setStandardOutputFile(QProcess::nullDevice());
        launcher.start("soffice", {"-env:UserInstallation=" +
                                       QUrl::fromLocalFile(dir.filePath("profile")).toString(),
                                   "--norestore", "--nologo", "--show", dir.filePath("deck.fodp")});
        const QDeadlineTimer deadline(timeoutMs);
        const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
        while (!deadline.hasExpired()) {
            for (const win::WindowInfo &w : win::enumTopLevelWindows()) {
                if (!show && w.title.startsWith("Presenting: ") && w.processName == "SOFFICE.BIN") {
                    show = w.handle;
                    showPid = w.pid;
                }
            }
            if (show && ScreenProbe::screenColour(centre) == QColor(colors.first()))
                return true;
            QTest::qWait(200);
        }
        return false;
    }
    // The full-screen show window ("Presenting: deck") and its process, once started.
    win::Handle showWindow() const { return show; }
    qint64 pid() const { return showPid; }
    QStringList slideColors() const { return colors; }
    // Ends LibreOffice, with SIGKILL after a while unless it ended on SIGTERM.
    void stop()
    {
        if (showPid > 0 && ::kill(pid_t(showPid), SIGTERM) == 0 &&
            !QTest::qWaitFor([this] { return ::kill(pid_t(showPid), 0) != 0; }, 10000))
            ::kill(pid_t(showPid), SIGKILL);
        if (!launcher.waitForFinished(10000))
            launcher.kill();
        show = nullptr;
        showPid = 0;
    }

private:
    bool write(const QString &name, const QByteArray &content)
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }

    static constexpr char kProfile[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Setup/Office"><prop oor:name="ooSetupInstCompleted" oor:op="fuse"><value>true</value></prop></item>
<item oor:path="/org.openoffice.Setup/Product"><prop oor:name="ooSetupLastVersion" oor:op="fuse"><value>7.4</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="UseLocking" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Recovery/AutoSave"><prop oor:name="Enabled" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Recovery/RecoveryInfo"><prop oor:name="Enabled" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
)";

    // %1: the slides' page styles, %2: the slides.
    static constexpr char kDeck[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:automatic-styles>
<style:page-layout style:name="PM1"><style:page-layout-properties fo:page-width="28cm" fo:page-height="15.75cm" style:print-orientation="landscape"/></style:page-layout>
%1</office:automatic-styles>
<office:master-styles><style:master-page style:name="Default" style:page-layout-name="PM1"/></office:master-styles>
<office:body><office:presentation>%2</office:presentation></office:body></office:document>
)";
    static constexpr char kPageStyle[] =
        R"(<style:style style:name="dp%1" style:family="drawing-page"><style:drawing-page-properties draw:fill="solid" draw:fill-color="%2" presentation:background-visible="true" presentation:background-objects-visible="true"/></style:style>)";
    static constexpr char kPage[] =
        R"(<draw:page draw:name="slide%1" draw:style-name="dp%1" draw:master-page-name="Default"/>)";

    QStringList colors;
    QTemporaryDir dir;
    QProcess launcher;
    win::Handle show = nullptr;
    qint64 showPid = 0;
};
