// The scope's window beside the panel: the lanes, Pause/Resume, a fit toggle per
// lane, Save CSV and Save PNG, the time base and trigger row, and a status line. It
// reads the program's ring after each tick of the panel and never calls the card.
#pragma once

#include <QWidget>
#include <vector>

#include "scope/ScopeModel.h"
#include "session/AcquiredBlocks.h"

class QLabel;
class QPushButton;

namespace tqv::scope::qt {

class ScopeView;
class TriggerBar;

class ScopeWindow : public QWidget {
    Q_OBJECT

public:
    ScopeWindow(const session::AcquiredBlocks& blocks, int laneCount, QWidget* parent = nullptr);
    ~ScopeWindow() override;
    ScopeWindow(const ScopeWindow&) = delete;
    ScopeWindow& operator=(const ScopeWindow&) = delete;

    // After every tick: takes the ring and repaints when it changed. A hidden or
    // paused scope does nothing.
    void ringMayHaveChanged();

    void setPaused(bool paused);
    bool paused() const { return m_model.paused(); }

    // Write what the scope shows; a failure is reported in the status line. True
    // when the file was written.
    bool saveCsv(const QString& path);
    bool savePng(const QString& path);

    QString statusText() const;

    // The Record button: "Record…" or "Stop recording"; the recording's own line.
    void setRecording(bool recording);
    void setRecordingText(const QString& text);
    QString recordingText() const;

signals:
    // Record… or Stop recording was pressed (or Ctrl+R).
    void recordPressed();

public:
    const ScopeModel& model() const { return m_model; }
    ScopeView* view() const { return m_view; }
    TriggerBar* triggerBar() const { return m_triggerBar; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void viewSettingsChanged();
    QByteArray csvBytes() const;
    QByteArray pngBytes() const;
    QString scansText() const;
    void chooseCsvFile();
    void choosePngFile();
    bool writeFile(const QString& path, const QByteArray& contents, const QString& what);
    QString suggestedPath(const QString& suffix) const;

    const session::AcquiredBlocks& m_blocks;
    ScopeModel m_model;
    ScopeView* m_view = nullptr;
    TriggerBar* m_triggerBar = nullptr;
    QPushButton* m_pause = nullptr;
    std::vector<QPushButton*> m_fit;
    QLabel* m_status = nullptr;
    QPushButton* m_record = nullptr;
    QLabel* m_recordStatus = nullptr;
    QString m_lastFolder;
};

}  // namespace tqv::scope::qt
