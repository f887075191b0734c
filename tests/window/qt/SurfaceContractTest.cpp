// What every control surface promises the handlers, checked on the Qt window and on
// the tests' in-memory window alike: each case runs once per surface.
#include <QLabel>
#include <QtTest>
#include <memory>
#include <stdexcept>
#include <string>

#include "tests/support/InMemorySurface.h"
#include "tests/window/qt/RecordingEvents.h"
#include "window/qt/QtFormWindow.h"

using tqv::test::InMemorySurface;
using tqv::test::RecordingEvents;
using tqv::window::Control;
using tqv::window::ControlSurface;
using tqv::window::Event;
using tqv::window::FormEvents;
using tqv::window::qt::QtFormWindow;

namespace {

// A surface and the few things a test observes that the interface does not offer.
class Harness {
public:
    virtual ~Harness() = default;
    virtual ControlSurface& surface() = 0;
    virtual void setEvents(FormEvents* events) = 0;
    virtual std::string caption(Control label, int index) const = 0;
    virtual bool isEnabled(Control control) const = 0;
};

class QtHarness : public Harness {
public:
    ControlSurface& surface() override { return m_window; }
    void setEvents(FormEvents* events) override { m_window.setEvents(events); }
    std::string caption(Control label, int index) const override {
        QWidget* widget = m_window.widget(label, index);
        if (widget == nullptr) widget = m_window.widget(label, -1);
        return qobject_cast<QLabel*>(widget)->text().toStdString();
    }
    bool isEnabled(Control control) const override {
        if (control == Control::TimerAD) return m_window.timer()->isActive();
        return m_window.widget(control)->isEnabled();
    }

private:
    QtFormWindow m_window;
};

class MemoryHarness : public Harness {
public:
    ControlSurface& surface() override { return m_surface; }
    void setEvents(FormEvents* events) override { m_surface.setEvents(events); }
    std::string caption(Control label, int index) const override {
        return m_surface.caption(label, index);
    }
    bool isEnabled(Control control) const override { return m_surface.isEnabled(control); }

private:
    InMemorySurface m_surface;
};

}  // namespace

class SurfaceContractTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Harness> m_harness;
    RecordingEvents m_events;

    ControlSurface& ui() { return m_harness->surface(); }

private slots:
    void initTestCase_data() {
        QTest::addColumn<QString>("surface");
        QTest::newRow("qt window") << QStringLiteral("qt");
        QTest::newRow("in-memory window") << QStringLiteral("memory");
    }

    void init() {
        QFETCH_GLOBAL(QString, surface);
        if (surface == QLatin1String("qt")) {
            m_harness = std::make_unique<QtHarness>();
        } else {
            m_harness = std::make_unique<MemoryHarness>();
        }
        m_events = RecordingEvents{};
        m_harness->setEvents(&m_events);
    }

    void cleanup() {
        m_harness->setEvents(nullptr);
        m_harness.reset();
    }

    void writingANewTextRaisesChangeOnceAndTheSameTextNothing() {
        for (const Control box : {Control::txtDOChn, Control::txtDOValue, Control::txtswChn,
                                  Control::txtSWO_0, Control::txtInfo}) {
            m_events.clear();
            ui().setText(box, "3A");
            QCOMPARE(m_events.count(box, Event::Change), 1);
            QCOMPARE(ui().text(box), std::string("3A"));
            ui().setText(box, "3A");
            QCOMPARE(m_events.count(box, Event::Change), 1);
            QCOMPARE(static_cast<int>(m_events.raised.size()), 1);
        }
    }

    void theStoredTextsAreThereAndRewritingThemRaisesNothing() {
        QCOMPARE(ui().text(Control::txtDOChn), std::string("1"));
        QCOMPARE(ui().text(Control::txtSWO_0), std::string("00"));
        QCOMPARE(ui().text(Control::txtInfo), std::string("Info"));
        ui().setText(Control::txtDOChn, "1");
        ui().setText(Control::txtInfo, "Info");
        QVERIFY(m_events.raised.empty());

        // The multi-line box gives back its CR LF line breaks as written.
        const std::string lines = "Sample Information:\r\nCh 0=07CE\r\nCh 1=0BB3\r\n";
        ui().setText(Control::txtInfo, lines);
        QCOMPARE(ui().text(Control::txtInfo), lines);
    }

    void changeRunsInsideTheWriteWithTheNewTextInPlace() {
        std::string seenInside;
        m_events.onEvent = [&](Control control, Event event) {
            if (control != Control::txtDOChn || event != Event::Change) return;
            if (seenInside.empty()) {
                seenInside = ui().text(Control::txtDOChn);
                ui().setText(Control::txtDOChn, "7");
            }
        };
        ui().setText(Control::txtDOChn, "5");

        QCOMPARE(seenInside, std::string("5"));
        QCOMPARE(static_cast<int>(m_events.raised.size()), 2);
        QCOMPARE(m_events.raised[0].depth, 1);
        QCOMPARE(m_events.raised[1].depth, 2);  // the handler's own write, nested
        QCOMPARE(ui().text(Control::txtDOChn), std::string("7"));
    }

    void theSpinnerRaisesChangeOnlyWhenItsValueMovesAndStaysInItsRange() {
        QCOMPARE(ui().spinnerValue(Control::UpDownBitNum), 1);
        ui().setSpinnerValue(Control::UpDownBitNum, 1);
        QCOMPARE(m_events.count(Control::UpDownBitNum, Event::Change), 0);

        ui().setSpinnerValue(Control::UpDownBitNum, 5);
        QCOMPARE(ui().spinnerValue(Control::UpDownBitNum), 5);
        QCOMPARE(m_events.count(Control::UpDownBitNum, Event::Change), 1);
        ui().setSpinnerValue(Control::UpDownBitNum, 5);
        QCOMPARE(m_events.count(Control::UpDownBitNum, Event::Change), 1);

        // It stays within 1..16, and a value held at its end raises nothing.
        ui().setSpinnerValue(Control::UpDownBitNum, 100);
        QCOMPARE(ui().spinnerValue(Control::UpDownBitNum), 16);
        ui().setSpinnerValue(Control::UpDownBitNum, 0);
        QCOMPARE(ui().spinnerValue(Control::UpDownBitNum), 1);
        QCOMPARE(m_events.count(Control::UpDownBitNum, Event::Change), 3);
    }

    void theSpinnersChangeRunsInsideTheWrite() {
        int seenInside = 0;
        m_events.onEvent = [&](Control control, Event event) {
            if (control != Control::UpDownBitNum || event != Event::Change) return;
            if (seenInside == 0) {
                seenInside = ui().spinnerValue(Control::UpDownBitNum);
                ui().setSpinnerValue(Control::UpDownBitNum, 9);
            }
        };
        ui().setSpinnerValue(Control::UpDownBitNum, 3);
        QCOMPARE(seenInside, 3);
        QCOMPARE(static_cast<int>(m_events.raised.size()), 2);
        QCOMPARE(m_events.raised[1].depth, 2);
        QCOMPARE(ui().spinnerValue(Control::UpDownBitNum), 9);
    }

    void captionsReadBackAsWrittenAndRaiseNothing() {
        ui().setCaption(Control::lblAD, 2, "7CE");
        ui().setCaption(Control::lblCardInfo, 0, "卡名: 5200 类型: 1");
        QCOMPARE(m_harness->caption(Control::lblAD, 2), std::string("7CE"));
        QCOMPARE(m_harness->caption(Control::lblAD, 1), std::string("0.000"));
        QCOMPARE(m_harness->caption(Control::lblCardInfo, 0), std::string("卡名: 5200 类型: 1"));
        QVERIFY(m_events.raised.empty());
    }

    void buttonsAndTheTimerAreSwitchedOnAndOff() {
        for (const Control control : {Control::cmdStop, Control::cmdStart, Control::TimerAD}) {
            QVERIFY(m_harness->isEnabled(control));
            ui().setEnabled(control, false);
            QVERIFY(!m_harness->isEnabled(control));
            ui().setEnabled(control, true);
            QVERIFY(m_harness->isEnabled(control));
        }
    }

    void closingRaisesUnloadExactlyOnce() {
        ui().close();
        QCOMPARE(m_events.count(Control::FrmMultiBuf, Event::Unload), 1);
        ui().close();
        QCOMPARE(m_events.count(Control::FrmMultiBuf, Event::Unload), 1);
        QCOMPARE(static_cast<int>(m_events.raised.size()), 1);
    }

    void anUnloadThatClosesAgainDoesNotUnloadTwice() {
        m_events.onEvent = [&](Control, Event event) {
            if (event == Event::Unload) ui().close();
        };
        ui().close();
        QCOMPARE(m_events.count(Control::FrmMultiBuf, Event::Unload), 1);
    }

    void aControlOfAnotherKindIsRefused() {
        QVERIFY_THROWS_EXCEPTION(std::logic_error, ui().setText(Control::lblBlock, "x"));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, ui().setCaption(Control::txtInfo, "x"));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, (void)ui().spinnerValue(Control::txtDOChn));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, (void)ui().checkValue(Control::cmdExit));
    }
};

QTEST_MAIN(SurfaceContractTest)
#include "SurfaceContractTest.moc"
