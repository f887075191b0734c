#include "scope/qt/ScopeWindow.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "files/AtomicSave.h"
#include "files/qt/QtFileNames.h"
#include "scope/ScopeCsv.h"
#include "scope/qt/ScopeView.h"
#include "scope/qt/TriggerBar.h"

namespace tqv::scope::qt {

ScopeWindow::ScopeWindow(const session::AcquiredBlocks& blocks, int laneCount, QWidget* parent)
    : QWidget(parent), m_blocks(blocks) {
    setObjectName(QStringLiteral("scopeWindow"));
    setWindowTitle(tr("TQV5200-1 scope"));

    m_pause = new QPushButton(tr("Pause"), this);
    m_pause->setObjectName(QStringLiteral("scopePause"));
    m_pause->setAccessibleName(tr("Pause the scope"));
    m_pause->setToolTip(tr("Freeze the view; acquisition goes on (Space)"));
    connect(m_pause, &QPushButton::clicked, this, [this] { setPaused(!paused()); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pause);
    for (int lane = 0; lane < laneCount; ++lane) {
        auto* fit = new QPushButton(tr("Fit Ch %1").arg(lane), this);
        fit->setObjectName(QStringLiteral("scopeFit%1").arg(lane));
        fit->setAccessibleName(tr("Fit channel %1 to its samples").arg(lane));
        fit->setCheckable(true);
        connect(fit, &QPushButton::toggled, this,
                [this, lane](bool on) { m_view->setFit(lane, on); });
        buttons->addWidget(fit);
        m_fit.push_back(fit);
    }
    buttons->addStretch(1);
    auto* saveCsvButton = new QPushButton(tr("Save CSV…"), this);
    saveCsvButton->setObjectName(QStringLiteral("scopeSaveCsv"));
    saveCsvButton->setAccessibleName(tr("Save the shown samples as CSV"));
    connect(saveCsvButton, &QPushButton::clicked, this, &ScopeWindow::chooseCsvFile);
    auto* savePngButton = new QPushButton(tr("Save PNG…"), this);
    savePngButton->setObjectName(QStringLiteral("scopeSavePng"));
    savePngButton->setAccessibleName(tr("Save the view as a PNG picture"));
    connect(savePngButton, &QPushButton::clicked, this, &ScopeWindow::choosePngFile);
    m_record = new QPushButton(this);
    m_record->setObjectName(QStringLiteral("scopeRecord"));
    connect(m_record, &QPushButton::clicked, this, &ScopeWindow::recordPressed);
    // A key of the window, not of the button: a button's setText() replaces its shortcut
    // with the text's mnemonic, and the text changes with the recording.
    auto* recordKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
    connect(recordKey, &QShortcut::activated, m_record, &QPushButton::click);
    setRecording(false);
    buttons->addWidget(saveCsvButton);
    buttons->addWidget(savePngButton);
    buttons->addWidget(m_record);

    m_triggerBar = new TriggerBar(laneCount, this);
    connect(m_triggerBar, &TriggerBar::spanChanged, this, [this](int spanMs) {
        m_model.setSpanMilliseconds(spanMs);
        viewSettingsChanged();
    });
    connect(m_triggerBar, &TriggerBar::triggerChanged, this,
            [this](const TriggerSettings& trigger) {
                m_model.setTrigger(trigger);
                viewSettingsChanged();
            });
    connect(m_triggerBar, &TriggerBar::rearmRequested, this, [this] {
        m_model.rearm();
        viewSettingsChanged();
    });

    m_view = new ScopeView(m_model, laneCount, this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("scopeStatus"));
    m_status->setAccessibleName(tr("Scope status"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_recordStatus = new QLabel(this);
    m_recordStatus->setObjectName(QStringLiteral("scopeRecordStatus"));
    m_recordStatus->setAccessibleName(tr("Recording status"));
    m_recordStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_triggerBar);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_status);
    layout->addWidget(m_recordStatus);

    // The buttons in the order they stand, then the lanes (where Space pauses).
    QWidget* previous = m_pause;
    for (QPushButton* fit : m_fit) {
        setTabOrder(previous, fit);
        previous = fit;
    }
    setTabOrder(previous, saveCsvButton);
    setTabOrder(saveCsvButton, savePngButton);
    setTabOrder(savePngButton, m_record);
    previous = m_record;
    for (QWidget* control : m_triggerBar->controls()) {
        setTabOrder(previous, control);
        previous = control;
    }
    setTabOrder(previous, m_view);
    m_view->setFocus(Qt::OtherFocusReason);
}

ScopeWindow::~ScopeWindow() = default;

void ScopeWindow::ringMayHaveChanged() {
    if (!isVisible()) return;
    if (m_model.take(m_blocks)) m_view->modelChanged();
}

void ScopeWindow::setPaused(bool paused) {
    if (paused == m_model.paused()) return;
    m_model.setPaused(paused);
    m_pause->setText(paused ? tr("Resume") : tr("Pause"));
    m_pause->setAccessibleName(paused ? tr("Resume the scope") : tr("Pause the scope"));
    // Resuming shows the ring as it is now, not at the next tick.
    if (!paused) ringMayHaveChanged();
}

void ScopeWindow::viewSettingsChanged() {
    // The ring held is shown with the new settings at once, paused or not; a running
    // scope then takes the ring as it is now.
    m_view->modelChanged();
    ringMayHaveChanged();
}

QString ScopeWindow::statusText() const { return m_status->text(); }

void ScopeWindow::setRecording(bool recording) {
    m_record->setText(recording ? tr("Stop recording") : tr("Record…"));
    m_record->setAccessibleName(recording ? tr("Stop recording") : tr("Record to a file"));
    m_record->setToolTip(recording ? tr("Close the recording (Ctrl+R)")
                                   : tr("Record every block to a WAV or CSV file (Ctrl+R)"));
}

void ScopeWindow::setRecordingText(const QString& text) { m_recordStatus->setText(text); }

QString ScopeWindow::recordingText() const { return m_recordStatus->text(); }

void ScopeWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ringMayHaveChanged();
}

void ScopeWindow::keyPressEvent(QKeyEvent* event) {
    // Reaches here unless a button took it for itself.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        setPaused(!paused());
        return;
    }
    QWidget::keyPressEvent(event);
}

QByteArray ScopeWindow::csvBytes() const {
    const std::string text = csvText(m_model);
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

QByteArray ScopeWindow::pngBytes() const {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    m_view->grab().save(&buffer, "PNG");
    return png;
}

QString ScopeWindow::scansText() const {
    const auto scans = m_model.scanCount();
    return scans == 1 ? tr("1 scan") : tr("%1 scans").arg(scans);
}

bool ScopeWindow::saveCsv(const QString& path) { return writeFile(path, csvBytes(), scansText()); }

bool ScopeWindow::savePng(const QString& path) {
    return writeFile(path, pngBytes(), tr("the picture"));
}

bool ScopeWindow::writeFile(const QString& path, const QByteArray& contents, const QString& what) {
    const QString shown = QDir::toNativeSeparators(path);
    const std::string_view bytes(contents.constData(), static_cast<size_t>(contents.size()));
    if (const auto failure = files::saveAtomically(files::qt::toPath(path), bytes)) {
        m_status->setText(tr("Not saved: %1").arg(files::qt::decodeName(*failure)));
        return false;
    }
    m_lastFolder = QFileInfo(path).absolutePath();
    m_status->setText(tr("Saved %1 to %2").arg(what, shown));
    return true;
}

QString ScopeWindow::suggestedPath(const QString& suffix) const {
    const QString folder = m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    return QDir(folder).filePath(QStringLiteral("tqv-ring-%1.%2").arg(stamp, suffix));
}

void ScopeWindow::chooseCsvFile() {
    // What is shown at the click is what gets saved, however long the dialog stays open.
    const QByteArray contents = csvBytes();
    const QString what = scansText();
    const QString path = QFileDialog::getSaveFileName(this, tr("Save CSV"), suggestedPath("csv"),
                                                      tr("CSV files (*.csv)"));
    if (!path.isEmpty()) writeFile(path, contents, what);
}

void ScopeWindow::choosePngFile() {
    const QByteArray contents = pngBytes();
    const QString path = QFileDialog::getSaveFileName(this, tr("Save PNG"), suggestedPath("png"),
                                                      tr("PNG pictures (*.png)"));
    if (!path.isEmpty()) writeFile(path, contents, tr("the picture"));
}

}  // namespace tqv::scope::qt
