// The scope's row of time base and trigger controls: span, trigger mode, source,
// slope, level, position and re-arm. Only hands the settings on; the model decides
// what they show.
#pragma once

#include <QWidget>
#include <vector>

#include "scope/Trigger.h"

class QComboBox;
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

    // Set the controls as an operator would (tqv-snapshot's options).
    void setSpanMilliseconds(int spanMs);
    void setSettings(const TriggerSettings& settings);

signals:
    void spanChanged(int spanMs);
    void triggerChanged(const tqv::scope::TriggerSettings& settings);
    void rearmRequested();

private:
    void add(const QString& label, QWidget* control);

    QComboBox* m_span = nullptr;
    QComboBox* m_mode = nullptr;
    QComboBox* m_source = nullptr;
    QComboBox* m_slope = nullptr;
    QSpinBox* m_level = nullptr;
    QSpinBox* m_position = nullptr;
    QPushButton* m_rearm = nullptr;
    std::vector<QWidget*> m_controls;
};

}  // namespace tqv::scope::qt
