// A request to end from outside closes the panel as its operator would; the handlers
// that were there before come back when the panel goes.
#include <QWidget>
#include <QtTest>
#include <csignal>

#include "app/TerminationSignals.h"
#include "tests/window/qt/RecordingEvents.h"
#include "window/qt/QtFormWindow.h"

using tqv::window::Control;
using tqv::window::Event;

class TerminationSignalsTest : public QObject {
    Q_OBJECT

private slots:
    // First: no earlier instance may have left its handlers behind.
    void thePreviousHandlersComeBack() {
        struct sigaction before {};
        ::sigaction(SIGTERM, nullptr, &before);
        {
            const tqv::app::TerminationSignals requests([] {});
        }
        struct sigaction after {};
        ::sigaction(SIGTERM, nullptr, &after);
        QVERIFY(after.sa_handler == before.sa_handler);
    }

    void eachTerminationRequestClosesTheWindow() {
        for (const int request : {SIGTERM, SIGINT, SIGHUP}) {
            tqv::window::qt::QtFormWindow window;
            tqv::test::RecordingEvents events;
            window.setEvents(&events);
            const tqv::app::TerminationSignals requests([&window] { window.close(); });
            std::raise(request);
            // Closed, not merely hidden: only a close runs the Unload that stops the card.
            QTRY_COMPARE(events.count(Control::FrmMultiBuf, Event::Unload), 1);
            window.setEvents(nullptr);
        }
    }
};

QTEST_MAIN(TerminationSignalsTest)
#include "TerminationSignalsTest.moc"
