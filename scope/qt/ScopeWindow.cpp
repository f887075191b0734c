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
#include <algorithm>

#include "analysis/ChannelStatistics.h"
#include "files/AtomicSave.h"
#include "files/qt/QtFileNames.h"
#include "scope/ChannelText.h"
#include "scope/ScopeCsv.h"
#include "scope/qt/ChannelsDialog.h"
#include "scope/qt/LabelText.h"
#include "scope/qt/ScopeView.h"
#include "scope/qt/TriggerBar.h"

namespace tqv::scope::qt {

namespace {

// "Take" averages this much of a lane's newest samples.
constexpr double kTakeSeconds = 0.6;

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

ScopeWindow::ScopeWindow(const session::AcquiredBlocks& blocks, int laneCount, QWidget* parent)
    : QWidget(parent), m_blocks(blocks) {
    setObjectName(QStringLiteral("scopeWindow"));
    setWindowTitle(tr("TQV5200-1 scope"));

    m_pause = new QPushButton(tr("Pause"), this);
    m_pause->setObjectName(QStringLiteral("scopePause"));
    m_pause->setAccessibleName(tr("Pause the scope"));
    m_pause->setToolTip(tr("Freeze the view; acquisition goes on (Space)"));
    connect(m_pause, &QPushButton::clicked, this, [this] { setPaused(!paused()); });

    m_view = new ScopeView(m_model, laneCount, this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pause);
    for (int lane = 0; lane < laneCount; ++lane) {
        auto* fit = new QPushButton(this);
        fit->setObjectName(QStringLiteral("scopeFit%1").arg(lane));
        fit->setAccessibleName(tr("Fit channel %1 to its samples").arg(lane));
        fit->setToolTip(tr("Fitted: the lane spans its samples; otherwise the full 16-bit scale"));
        fit->setCheckable(true);
        fit->setChecked(m_view->fit(lane));
        connect(fit, &QPushButton::toggled, this,
                [this, lane](bool on) { m_view->setFit(lane, on); });
        buttons->addWidget(fit);
        m_fit.push_back(fit);
    }
    m_cursors = new QPushButton(tr("Cursors"), this);
    m_cursors->setObjectName(QStringLiteral("scopeCursors"));
    m_cursors->setAccessibleName(tr("Cursors"));
    m_cursors->setToolTip(
        tr("Two time and two level cursors: drag them, or C to choose one "
           "and the arrow keys to move it (Shift: faster)"));
    m_cursors->setCheckable(true);
    connect(m_cursors, &QPushButton::toggled, m_view, &ScopeView::setCursorsShown);
    auto* zoomToFit = new QPushButton(tr("Zoom to fit"), this);
    zoomToFit->setObjectName(QStringLiteral("scopeZoomToFit"));
    zoomToFit->setAccessibleName(tr("Zoom to fit"));
    zoomToFit->setToolTip(tr("The whole span and every lane's range again (0)"));
    connect(zoomToFit, &QPushButton::clicked, m_view, &ScopeView::zoomToFit);
    auto* channelsButton = new QPushButton(tr("Channels…"), this);
    channelsButton->setObjectName(QStringLiteral("scopeChannels"));
    channelsButton->setAccessibleName(tr("Channels…"));
    channelsButton->setToolTip(tr("Each channel's name, unit and calibration"));
    connect(channelsButton, &QPushButton::clicked, this, &ScopeWindow::openChannelsDialog);
    buttons->addWidget(m_cursors);
    buttons->addWidget(zoomToFit);
    buttons->addWidget(channelsButton);
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

    m_cursorReadout = new QLabel(this);
    m_cursorReadout->setObjectName(QStringLiteral("scopeCursorReadout"));
    m_cursorReadout->setAccessibleName(tr("Cursor readout"));
    m_cursorReadout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_cursorReadout->setVisible(false);
    connect(m_view, &ScopeView::cursorsChanged, this, [this] {
        m_cursorReadout->setVisible(m_view->cursorsShown());
        setLabelText(*m_cursorReadout, m_view->cursorReadout());
    });

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
    layout->addWidget(m_cursorReadout);
    layout->addWidget(m_status);
    layout->addWidget(m_recordStatus);

    // The buttons in the order they stand, then the lanes (where Space pauses).
    QWidget* previous = m_pause;
    std::vector<QWidget*> order(m_fit.begin(), m_fit.end());
    order.insert(order.end(),
                 {m_cursors, zoomToFit, channelsButton, saveCsvButton, savePngButton, m_record});
    order.insert(order.end(), m_triggerBar->controls().begin(), m_triggerBar->controls().end());
    order.push_back(m_view);
    for (QWidget* next : order) {
        setTabOrder(previous, next);
        previous = next;
    }
    showChannelNames();
    showTriggerState();
    m_view->setFocus(Qt::OtherFocusReason);
}

ScopeWindow::~ScopeWindow() = default;

void ScopeWindow::ringMayHaveChanged() {
    if (!isVisible()) return;
    if (m_model.take(m_blocks)) m_view->modelChanged();
    showTriggerState();
}

void ScopeWindow::setPaused(bool paused) {
    if (paused == m_model.paused()) return;
    m_model.setPaused(paused);
    m_pause->setText(paused ? tr("Resume") : tr("Pause"));
    m_pause->setAccessibleName(paused ? tr("Resume the scope") : tr("Pause the scope"));
    // Resuming shows the ring as it is now, not at the next tick, at its live span.
    if (!paused) {
        m_view->modelChanged();
        ringMayHaveChanged();
    }
    showTriggerState();
}

void ScopeWindow::setAcquiring(bool acquiring) {
    m_acquiring = acquiring;
    showTriggerState();
}

void ScopeWindow::setCardPace(const QString& text) {
    m_pace = text;
    showStatus();
}

void ScopeWindow::viewSettingsChanged() {
    // The ring held is shown with the new settings at once, paused or not; a running
    // scope then takes the ring as it is now.
    m_view->modelChanged();
    ringMayHaveChanged();
    showTriggerState();
}

void ScopeWindow::showTriggerState() {
    m_triggerBar->setState(m_model.triggerState(m_acquiring));
    QString note;
    if (m_model.levelOutsideSamples()) {
        const int source = m_model.trigger().source;
        const auto& channel = channelSetup().channel(source);
        const double a = channel.calibration.value(m_model.sourceRange().minimum);
        const double b = channel.calibration.value(m_model.sourceRange().maximum);
        note = tr("Level outside %1's samples (%2 to %3)")
                   .arg(fromUtf8(laneTitle(source, channel)),
                        fromUtf8(unitText(channel, std::min(a, b))),
                        fromUtf8(unitText(channel, std::max(a, b))));
    }
    m_triggerBar->setLevelNote(note);
}

void ScopeWindow::showStatus() {
    QString text = m_note;
    if (!m_pace.isEmpty()) text += (text.isEmpty() ? QString() : QStringLiteral("   ")) + m_pace;
    setLabelText(*m_status, text);
}

QString ScopeWindow::statusText() const { return m_status->text(); }

void ScopeWindow::setChannelSetup(const channels::ChannelSetup& setup,
                                  const std::filesystem::path& file) {
    m_setupFile = file;
    m_view->setChannelSetup(setup);
    m_triggerBar->setChannelSetup(setup);
    showChannelNames();
    showTriggerState();
}

const channels::ChannelSetup& ScopeWindow::channelSetup() const { return m_view->channelSetup(); }

void ScopeWindow::showChannelNames() {
    for (int lane = 0; lane < static_cast<int>(m_fit.size()); ++lane) {
        m_fit[static_cast<size_t>(lane)]->setText(
            tr("Fit %1").arg(fromUtf8(laneTitle(lane, channelSetup().channel(lane)))));
    }
}

void ScopeWindow::openChannelsDialog() {
    if (m_channelsDialog) {
        m_channelsDialog->raise();
        m_channelsDialog->activateWindow();
        return;
    }
    m_channelsDialog = new ChannelsDialog(
        channelSetup(), m_setupFile, [this](int lane) { return newestMeanCode(lane); }, this);
    m_channelsDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_channelsDialog, &QDialog::accepted, this, [this] {
        const channels::ChannelSetup saved = m_channelsDialog->savedSetup();
        setChannelSetup(saved, m_setupFile);
        m_note = tr("Channel setup saved to %1").arg(fromUtf8(files::displayName(m_setupFile)));
        showStatus();
        emit channelSetupChanged(saved);
    });
    m_channelsDialog->open();
}

ChannelsDialog* ScopeWindow::channelsDialog() const { return m_channelsDialog; }

std::optional<double> ScopeWindow::newestMeanCode(int lane) const {
    std::vector<int16_t> ring;
    m_blocks.copyInTimeOrder(ring);
    const int channels = m_blocks.ready() ? m_blocks.parameters().ChannelCount : 0;
    if (channels <= 0 || lane < 0 || lane >= channels || ring.empty()) return std::nullopt;
    const auto stored = static_cast<int64_t>(ring.size()) / channels;
    const auto wanted = static_cast<int64_t>(kTakeSeconds * m_blocks.parameters().ScanRate);
    const int64_t newest = std::clamp<int64_t>(wanted, 1, stored);
    analysis::StatisticsAccumulator mean;
    mean.addInterleaved(
        std::span<const int16_t>(ring).subspan(static_cast<size_t>((stored - newest) * channels)),
        channels, lane);
    return mean.result().mean;
}

void ScopeWindow::setFit(int lane, bool fit) {
    if (lane >= 0 && lane < static_cast<int>(m_fit.size())) {
        m_fit[static_cast<size_t>(lane)]->setChecked(fit);
    }
}

bool ScopeWindow::fit(int lane) const { return m_view->fit(lane); }

void ScopeWindow::setCursorsShown(bool shown) { m_cursors->setChecked(shown); }

bool ScopeWindow::cursorsShown() const { return m_view->cursorsShown(); }

QString ScopeWindow::cursorReadoutText() const { return m_cursorReadout->text(); }

QString ScopeWindow::triggerStateText() const { return m_triggerBar->stateText(); }

void ScopeWindow::setRecording(bool recording) {
    m_record->setText(recording ? tr("Stop recording") : tr("Record…"));
    m_record->setAccessibleName(recording ? tr("Stop recording") : tr("Record to a file"));
    m_record->setToolTip(recording ? tr("Close the recording (Ctrl+R)")
                                   : tr("Record every block to a WAV or CSV file (Ctrl+R)"));
}

void ScopeWindow::setRecordingText(const QString& text) { setLabelText(*m_recordStatus, text); }

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

std::string ScopeWindow::csvText(text::CsvValues values) const {
    return scope::csvText(m_model, channelSetup(), values);
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

bool ScopeWindow::saveCsv(const QString& path, text::CsvValues values) {
    const std::string text = csvText(values);
    return writeFile(path, QByteArray(text.data(), static_cast<qsizetype>(text.size())),
                     scansText());
}

bool ScopeWindow::savePng(const QString& path) {
    return writeFile(path, pngBytes(), tr("the picture"));
}

bool ScopeWindow::writeFile(const QString& path, const QByteArray& contents, const QString& what) {
    const QString shown = QDir::toNativeSeparators(path);
    const std::string_view bytes(contents.constData(), static_cast<size_t>(contents.size()));
    if (const auto failure = files::saveAtomically(files::qt::toPath(path), bytes)) {
        m_note = tr("Not saved: %1").arg(files::qt::decodeName(*failure));
        showStatus();
        return false;
    }
    m_lastFolder = QFileInfo(path).absolutePath();
    m_note = tr("Saved %1 to %2").arg(what, shown);
    showStatus();
    return true;
}

QString ScopeWindow::suggestedPath(const QString& suffix) const {
    const QString folder = m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    return QDir(folder).filePath(QStringLiteral("tqv-ring-%1.%2").arg(stamp, suffix));
}

void ScopeWindow::chooseCsvFile() {
    // What is shown at the click is what gets saved, however long the dialog stays open.
    const std::string units = csvText(text::CsvValues::Units);
    const std::string codes = csvText(text::CsvValues::Codes);
    const QString what = scansText();
    const QString inUnits = tr("CSV in the channels' units (*.csv)");
    const QString inCodes = tr("CSV in raw codes (*.csv)");
    QString chosen = inUnits;
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save CSV"), suggestedPath("csv"),
                                     inUnits + QStringLiteral(";;") + inCodes, &chosen);
    if (path.isEmpty()) return;
    const std::string& contents = chosen == inCodes ? codes : units;
    writeFile(path, QByteArray(contents.data(), static_cast<qsizetype>(contents.size())), what);
}

void ScopeWindow::choosePngFile() {
    const QByteArray contents = pngBytes();
    const QString path = QFileDialog::getSaveFileName(this, tr("Save PNG"), suggestedPath("png"),
                                                      tr("PNG pictures (*.png)"));
    if (!path.isEmpty()) writeFile(path, contents, tr("the picture"));
}

}  // namespace tqv::scope::qt
