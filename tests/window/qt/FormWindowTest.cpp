// The Qt window as the operator meets it: what it shows when it opens, where its
// controls are, how focus moves, what reaches the handlers from mouse and keys,
// and that captions written while running stay readable.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/FindControl.h"
#include "tests/window/qt/RecordingEvents.h"
#include "window/ControlTable.h"
#include "window/qt/QtFormWindow.h"
#include "window/qt/UpDownControl.h"

using tqv::test::RecordingEvents;
using tqv::window::Control;
using tqv::window::ControlTable;
using tqv::window::Event;
using tqv::window::Kind;
using tqv::window::qt::QtFormWindow;
using tqv::window::qt::UpDownControl;

namespace {

QString nameOf(const tqv::window::ControlRow& row) {
    QString name =
        QString::fromLatin1(tqv::window::controlName(row.name).data(),
                            static_cast<qsizetype>(tqv::window::controlName(row.name).size()));
    if (row.index >= 0) name += QStringLiteral("_%1").arg(row.index);
    return name;
}

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool showsChinese(const QFont& font) {
    return QFontDatabase::writingSystems(QFontInfo(font).family())
        .contains(QFontDatabase::SimplifiedChinese);
}

QString accessibleName(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

}  // namespace

class FormWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QtFormWindow> m_window;
    RecordingEvents m_events;

    template <typename T, typename Name>
    T* control(const Name& name) const {
        return tqv::test::findControl<T>(m_window.get(), name);
    }

    bool showAndActivate() {
        m_window->show();
        return QTest::qWaitForWindowActive(m_window.get());
    }

    QStringList tabCycle(int presses) const {
        QStringList names{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < presses; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            names << QApplication::focusWidget()->objectName();
        }
        return names;
    }

    // Every other control beside the label in its container, frames excluded:
    // a frame holds the labels rather than competing with them.
    QString overlapOf(QLabel* label) const {
        for (auto* sibling :
             label->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (sibling == label || qobject_cast<QGroupBox*>(sibling) != nullptr) continue;
            if (sibling->geometry().intersects(label->geometry())) return sibling->objectName();
        }
        return {};
    }

    void verifyReadable(const char* name) {
        auto* label = control<QLabel>(name);
        const QFontMetrics metrics = label->fontMetrics();
        QVERIFY2(label->width() >= metrics.horizontalAdvance(label->text()), name);
        QVERIFY2(label->height() >= metrics.height(), name);
        QVERIFY2(overlapOf(label).isEmpty(), qPrintable(overlapOf(label)));
    }

private slots:
    void init() {
        m_window = std::make_unique<QtFormWindow>();
        m_events = RecordingEvents{};
        m_window->setEvents(&m_events);
    }

    void cleanup() {
        m_window->setEvents(nullptr);
        m_window.reset();
    }

    // ---- what the window shows when it opens

    void theWindowHasItsCaptionAndClientSize() {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("TQV5200-1测试及编程源程序"));
    }

    void everyRowOpensWithItsStoredCaptionTextAndState() {
        QSet<QObject*> found;
        for (const auto& row : ControlTable) {
            found.insert(control<QObject>(nameOf(row)));
            if (row.kind == Kind::Label) {
                QCOMPARE(control<QLabel>(nameOf(row))->text(), fromUtf8(row.caption));
            } else if (row.kind == Kind::Button) {
                QCOMPARE(control<QPushButton>(nameOf(row))->text(), fromUtf8(row.caption));
            }
        }
        QCOMPARE(found.size(), 44);
        // The names are the program's own, whatever the table derives them from.
        for (const char* name : {"lblDI_1", "Label1_13", "lblAD_3", "UpDownBitNum", "TimerAD"}) {
            control<QObject>(name);
        }
        QCOMPARE(control<QLineEdit>("txtSWO_0")->text(), QStringLiteral("00"));
        QCOMPARE(control<QPlainTextEdit>("txtInfo")->toPlainText(), QStringLiteral("Info"));
        QCOMPARE(control<QGroupBox>("Frame3")->title(), QStringLiteral("开关量输出--按位输出模式"));
        QVERIFY(control<QCheckBox>("chkDisp")->isChecked());
        QCOMPARE(m_window->timer()->interval(), 200);
        QVERIFY(m_window->timer()->isActive());
        QVERIFY(m_events.raised.empty());  // nothing of this was an event
    }

    void controlsSitWhereTheTablePutsThemInTheirFrames() {
        auto* txtDOChn = control<QLineEdit>("txtDOChn");
        QCOMPARE(txtDOChn->parentWidget(), control<QGroupBox>("Frame3"));
        QCOMPARE(txtDOChn->geometry(), QRect(138, 45, 34, 19));
        QCOMPARE(control<QGroupBox>("Frame3")->geometry(), QRect(279, 291, 258, 89));
        QCOMPARE(control<QPushButton>("cmdStop")->geometry(), QRect(375, 378, 62, 30));
        // Later rows lie above earlier ones: cmdStop covers Frame3's bottom border.
        QCOMPARE(m_window->childAt(400, 379), control<QPushButton>("cmdStop"));
    }

    void textIsChineseCapableAndLblDIHasItsOwnFont() {
        QVERIFY(showsChinese(m_window->font()));
        QVERIFY(showsChinese(control<QLabel>("Label4")->font()));
        const QFont own = control<QLabel>("lblDI")->font();
        QCOMPARE(own.families().value(0), QStringLiteral("宋体"));
        QCOMPARE(own.weight(), QFont::Normal);
        QVERIFY(showsChinese(own));
        QCOMPARE(QFontInfo(own).pixelSize(), 19);  // 14.25 pt at 96 dpi
        QVERIFY(QFontInfo(own).pixelSize() > QFontInfo(m_window->font()).pixelSize());
    }

    void onlyTheChannelValuesAreOrange() {
        auto* value = control<QLabel>("lblAD_3");
        QVERIFY(value->autoFillBackground());
        QCOMPARE(value->palette().color(QPalette::Window), QColor(255, 192, 128));
        QVERIFY(!control<QLabel>("lblBlock")->autoFillBackground());
    }

    void labelsShowPlainUnwrappedText() {
        for (auto* label : m_window->findChildren<QLabel*>()) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QVERIFY(!label->wordWrap());
        }
        m_window->setCaption(Control::lblBlock, "<b>1</b>");
        QCOMPARE(control<QLabel>("lblBlock")->text(), QStringLiteral("<b>1</b>"));
    }

    void noStoredCaptionIsCutOffOrCovered() {
        for (const auto& row : ControlTable) {
            if (row.kind == Kind::Label) verifyReadable(qPrintable(nameOf(row)));
        }
    }

    // ---- captions written while running

    void aCaptionTooWideForItsRoomIsShownSmallerWithTheWholeTextAsTip() {
        // Far more than the 260 px between lblDI and txtInfo at 19 px in any face.
        const QString words = QStringLiteral("FFFF FFFF FFFF FFFF FFFF FFFF FFFF FFFF FFFF");
        m_window->setCaption(Control::lblDI, words.toStdString());
        auto* lblDI = control<QLabel>("lblDI");
        verifyReadable("lblDI");
        QVERIFY(lblDI->geometry().right() < control<QPlainTextEdit>("txtInfo")->x());
        QVERIFY(QFontInfo(lblDI->font()).pixelSize() < 19);
        QCOMPARE(lblDI->toolTip(), words);

        // A short caption again gets the label's own font back and loses the tip.
        m_window->setCaption(Control::lblDI, "00");
        QCOMPARE(QFontInfo(lblDI->font()).pixelSize(), 19);
        QVERIFY(lblDI->toolTip().isEmpty());
        QCOMPARE(lblDI->pos(), QPoint(81, 132));
    }

    // ---- focus and keys

    void focusStartsOnExitAndTabFollowsTheTabIndicesPastTheDisabledStop() {
        QVERIFY(showAndActivate());
        m_window->setEnabled(Control::cmdStop, false);
        QCOMPARE(QApplication::focusWidget(), control<QPushButton>("cmdExit"));
        const QStringList expected{"cmdExit",  "cmdStart",    "cmdSWO",       "txtSWO_0",
                                   "txtswChn", "txtInfo",     "chkDisp",      "txtDOValue",
                                   "txtDOChn", "cmdDOOutput", "UpDownBitNum", "cmdExit"};
        QCOMPARE(tabCycle(11), expected);
        QCOMPARE(control<QPlainTextEdit>("txtInfo")->toPlainText(), QStringLiteral("Info"));
    }

    void enterAndEscapePressNothing() {
        QVERIFY(showAndActivate());
        for (const char* name : {"cmdExit", "cmdStart", "cmdSWO", "txtSWO_0", "txtswChn", "chkDisp",
                                 "txtDOValue", "txtDOChn", "cmdDOOutput", "UpDownBitNum"}) {
            auto* widget = control<QWidget>(name);
            widget->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), widget);
            for (const auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
                QTest::keyClick(widget, key);
            }
        }
        QTest::keyClick(m_window.get(), Qt::Key_Return);
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        QCOMPARE(m_events.count(Event::Click), 0);
        QVERIFY(m_window->isVisible());
        QVERIFY(control<QCheckBox>("chkDisp")->isChecked());
    }

    // ---- mouse and typing

    void clickingAButtonRaisesItsClick() {
        QTest::mouseClick(control<QPushButton>("cmdStop"), Qt::LeftButton);
        QCOMPARE(m_events.count(Control::cmdStop, Event::Click), 1);
        m_window->setEnabled(Control::cmdStop, false);
        QTest::mouseClick(control<QPushButton>("cmdStop"), Qt::LeftButton);
        QCOMPARE(m_events.count(Control::cmdStop, Event::Click), 1);
    }

    void aClearedCheckBoxReadsZeroAndAPartlyCheckedOneOne() {
        QTest::mouseClick(control<QCheckBox>("chkDisp"), Qt::LeftButton);
        QCOMPARE(m_window->checkValue(Control::chkDisp), 0);
        control<QCheckBox>("chkDisp")->setCheckState(Qt::PartiallyChecked);
        QCOMPARE(m_window->checkValue(Control::chkDisp), 1);
    }

    void doubleClickingATextBoxRaisesItsDblClick() {
        QTest::mouseDClick(control<QLineEdit>("txtDOValue"), Qt::LeftButton);
        QCOMPARE(m_events.count(Control::txtDOValue, Event::DblClick), 1);
        QTest::mouseDClick(control<QPlainTextEdit>("txtInfo")->viewport(), Qt::LeftButton);
        QCOMPARE(m_events.count(Control::txtInfo, Event::DblClick), 1);
        QCOMPARE(m_events.count(Event::DblClick), 2);
    }

    void theInfoBoxShowsLineBreaksAndGivesBackOperatorEditsWithCrLf() {
        auto* info = control<QPlainTextEdit>("txtInfo");
        m_window->setText(Control::txtInfo, "Sample Information:\r\nCh 0=07CE");
        QCOMPARE(info->document()->blockCount(), 2);
        QCOMPARE(info->toPlainText(), QStringLiteral("Sample Information:\nCh 0=07CE"));
        QCOMPARE(info->lineWrapMode(), QPlainTextEdit::NoWrap);

        info->moveCursor(QTextCursor::End);
        QTest::keyClicks(info, "X");
        QCOMPARE(m_window->text(Control::txtInfo),
                 std::string("Sample Information:\r\nCh 0=07CEX"));
        QCOMPARE(m_events.count(Control::txtInfo, Event::Change), 2);
    }

    // ---- accessibility

    void textBoxesAndTheSpinnerAreNamedByTheLabelsBesideThem() {
        QCOMPARE(accessibleName(control<QLineEdit>("txtDOChn")), QStringLiteral("通道组数(1-16)"));
        QCOMPARE(accessibleName(control<UpDownControl>("UpDownBitNum")),
                 QStringLiteral("通道组数(1-16)"));
        QCOMPARE(accessibleName(control<QPlainTextEdit>("txtInfo")),
                 QStringLiteral("信息显示(平均值)"));
        QCOMPARE(accessibleName(control<QPushButton>("cmdStart")), QStringLiteral("开始采集"));
    }

    // ---- timer and closing

    void closingTheWindowUnloadsOnceAndStopsTheTimer() {
        QVERIFY(showAndActivate());
        static_cast<QWidget*>(m_window.get())->close();
        QVERIFY(!m_window->isVisible());
        QCOMPARE(m_events.count(Control::FrmMultiBuf, Event::Unload), 1);
        QVERIFY(!m_window->timer()->isActive());
        m_window->close();
        QCOMPARE(m_events.count(Control::FrmMultiBuf, Event::Unload), 1);
    }
};

QTEST_MAIN(FormWindowTest)
#include "FormWindowTest.moc"
