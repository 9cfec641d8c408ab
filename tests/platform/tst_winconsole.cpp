// The window layer's geometry rules in a console program, where no GUI application object exists.
#include "FakeBackend.h"

#include <QtTest>

class TstWinConsole : public QObject
{
    Q_OBJECT

private slots:
    void geometryIsUnscaledWithoutGuiApplication();
};

void TstWinConsole::geometryIsUnscaledWithoutGuiApplication()
{
    FakeBackend &fake = FakeBackend::install();
    fake.monitorQuery = [](win::Handle) { return QRect(0, 0, 1280, 720); };
    QCOMPARE(win::scaledRect(10, 20, 110, 220), QRect(10, 20, 100, 200));
    QCOMPARE(win::mouseHookToLogical(301, 151), QPoint(301, 151));
    QCOMPARE(win::monitorRect(nullptr), QRect(0, 0, 1280, 720));
}

QTEST_GUILESS_MAIN(TstWinConsole)
#include "tst_winconsole.moc"
