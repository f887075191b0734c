// A request to end from outside closes the panel as its operator would; the handlers
// that were there before come back when the panel goes.
#include <QWidget>
#include <QtTest>
#include <csignal>

#include "app/TerminationSignals.h"

class TerminationSignalsTest : public QObject {
    Q_OBJECT

private slots:
    // First: no earlier instance may have left its handlers behind.
    void thePreviousHandlersComeBack() {
        struct sigaction before {};
        ::sigaction(SIGTERM, nullptr, &before);
        {
            QWidget window;
            const tqv::app::TerminationSignals requests(&window);
        }
        struct sigaction after {};
        ::sigaction(SIGTERM, nullptr, &after);
        QVERIFY(after.sa_handler == before.sa_handler);
    }

    void eachTerminationRequestClosesTheWindow() {
        for (const int request : {SIGTERM, SIGINT, SIGHUP}) {
            QWidget window;
            window.show();
            const tqv::app::TerminationSignals requests(&window);
            std::raise(request);
            QTRY_VERIFY2(!window.isVisible(), qPrintable(QString::number(request)));
        }
    }
};

QTEST_MAIN(TerminationSignalsTest)
#include "TerminationSignalsTest.moc"
