// The scope's window beside the panel: the lanes, Pause/Resume, a fit toggle per lane
// (fitted by default), Cursors with their readout, Zoom to fit, Channels…, Save CSV and
// Save PNG, Record, the time base and trigger row with the trigger's state, and a
// status line that also says when the card is off pace or lost blocks. It reads the
// program's ring after each fetch and never calls the card.
#pragma once

#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <optional>
#include <vector>

#include "channels/ChannelSetup.h"
#include "scope/ScopeModel.h"
#include "session/AcquiredBlocks.h"
#include "text/ScanCsv.h"

class QLabel;
class QPushButton;

namespace tqv::scope::qt {

class ChannelsDialog;
class ScopeView;
class TriggerBar;

class ScopeWindow : public QWidget {
    Q_OBJECT

public:
    ScopeWindow(const session::AcquiredBlocks& blocks, int laneCount, QWidget* parent = nullptr);
    ~ScopeWindow() override;
    ScopeWindow(const ScopeWindow&) = delete;
    ScopeWindow& operator=(const ScopeWindow&) = delete;

    // After every fetch: takes the ring and repaints when it changed. A hidden or
    // paused scope does nothing.
    void ringMayHaveChanged();

    void setPaused(bool paused);
    bool paused() const { return m_model.paused(); }
    // Whether the card is acquiring: the trigger state says "Stopped" while it is not.
    void setAcquiring(bool acquiring);
    // The card's pace and losses, shown after the status line's own note; empty: none.
    void setCardPace(const QString& text);

    // The names, units and calibrations shown, and the file Channels… saves them to.
    void setChannelSetup(const channels::ChannelSetup& setup, const std::filesystem::path& file);
    const channels::ChannelSetup& channelSetup() const;
    const std::filesystem::path& channelSetupFile() const { return m_setupFile; }
    // Opens Channels… (or brings it to the front); the dialog while it is open.
    void openChannelsDialog();
    ChannelsDialog* channelsDialog() const;
    // The mean code of a lane's newest 600 ms in the ring, none when nothing is stored.
    std::optional<double> newestMeanCode(int lane) const;

    void setFit(int lane, bool fit);
    bool fit(int lane) const;
    void setCursorsShown(bool shown);
    bool cursorsShown() const;
    QString cursorReadoutText() const;
    QString triggerStateText() const;

    // Write what the scope shows (the CSV in the channels' units or in codes); a failure
    // is reported in the status line. True when the file was written.
    bool saveCsv(const QString& path, text::CsvValues values = text::CsvValues::Units);
    bool savePng(const QString& path);
    std::string csvText(text::CsvValues values = text::CsvValues::Units) const;
    // Where Save CSV and Save PNG last wrote, and start their dialogs.
    QString lastFolder() const { return m_lastFolder; }
    void setLastFolder(const QString& folder) { m_lastFolder = folder; }

    QString statusText() const;

    // The Record button: "Record…" or "Stop recording"; the recording's own line.
    void setRecording(bool recording);
    void setRecordingText(const QString& text);
    QString recordingText() const;

signals:
    // Record… or Stop recording was pressed (or Ctrl+R).
    void recordPressed();
    // Channels… saved a new setup, now shown.
    void channelSetupChanged(const tqv::channels::ChannelSetup& setup);

public:
    const ScopeModel& model() const { return m_model; }
    ScopeView* view() const { return m_view; }
    TriggerBar* triggerBar() const { return m_triggerBar; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void viewSettingsChanged();
    void showTriggerState();
    void showStatus();
    void showChannelNames();
    QByteArray pngBytes() const;
    QString scansText() const;
    void chooseCsvFile();
    void choosePngFile();
    bool writeFile(const QString& path, const QByteArray& contents, const QString& what);
    QString suggestedPath(const QString& suffix) const;

    const session::AcquiredBlocks& m_blocks;
    ScopeModel m_model;
    std::filesystem::path m_setupFile;
    bool m_acquiring = false;
    ScopeView* m_view = nullptr;
    TriggerBar* m_triggerBar = nullptr;
    QPushButton* m_pause = nullptr;
    std::vector<QPushButton*> m_fit;
    QPushButton* m_cursors = nullptr;
    QLabel* m_cursorReadout = nullptr;
    QLabel* m_status = nullptr;
    QString m_note;
    QString m_pace;
    QPushButton* m_record = nullptr;
    QLabel* m_recordStatus = nullptr;
    QString m_lastFolder;
    QPointer<ChannelsDialog> m_channelsDialog;
};

}  // namespace tqv::scope::qt
