// The scope's row of time base and trigger controls: span, trigger mode, source,
// slope, level (in the source's unit, taken when its editing finishes), position and
// re-arm, and the trigger's state. Only hands the settings on; the model decides what
// they show.
#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "channels/ChannelSetup.h"
#include "scope/Trigger.h"
#include "scope/TriggerState.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tqv::scope::qt {

class TriggerBar : public QWidget {
    Q_OBJECT

public:
    TriggerBar(int laneCount, QWidget* parent = nullptr);

    int spanMilliseconds() const;
    TriggerSettings settings() const;
    // The controls in the order Tab reaches them.
    const std::vector<QWidget*>& controls() const { return m_controls; }

    // Set the controls as an operator would (tqv-snapshot's options, the remembered
    // settings).
    void setSpanMilliseconds(int spanMs);
    void setSettings(const TriggerSettings& settings);

    // The sources' names and the level's unit.
    void setChannelSetup(const channels::ChannelSetup& setup);

    void setState(TriggerState state);
    QString stateText() const;
    // Beside the level: why the level finds no edge, or nothing.
    void setLevelNote(const QString& note);
    QString levelNote() const;

signals:
    void spanChanged(int spanMs);
    void triggerChanged(const tqv::scope::TriggerSettings& settings);
    void rearmRequested();

private:
    void add(const QString& label, QWidget* control);
    // The level typed is taken: Enter or leaving the box.
    void levelEdited();
    void showLevel();
    void showNote();
    const channels::Channel& source() const;

    QComboBox* m_span = nullptr;
    QComboBox* m_mode = nullptr;
    QComboBox* m_source = nullptr;
    QComboBox* m_slope = nullptr;
    QLineEdit* m_level = nullptr;
    QSpinBox* m_position = nullptr;
    QPushButton* m_rearm = nullptr;
    QLabel* m_state = nullptr;
    QLabel* m_note = nullptr;
    std::vector<QWidget*> m_controls;
    channels::ChannelSetup m_setup;
    // In codes; none: the middle of the source's samples.
    std::optional<int> m_levelCode;
    QString m_levelNote;
    QString m_entryProblem;
};

}  // namespace tqv::scope::qt
