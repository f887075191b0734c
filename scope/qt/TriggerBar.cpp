#include "scope/qt/TriggerBar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <cmath>

#include "scope/ChannelText.h"
#include "scope/TimeBase.h"
#include "scope/ViewOptions.h"
#include "scope/qt/LabelText.h"

namespace tqv::scope::qt {

TriggerBar::TriggerBar(int laneCount, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("scopeTriggerBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    m_span = new QComboBox(this);
    m_span->setObjectName(QStringLiteral("scopeSpan"));
    m_span->setAccessibleName(tr("Time span shown"));
    for (const int ms : SpanChoicesMs) {
        m_span->addItem(ms == 0 ? tr("Whole ring") : tr("%1 ms").arg(ms), ms);
    }
    add(tr("&Span"), m_span);

    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("scopeTriggerMode"));
    m_mode->setAccessibleName(tr("Trigger mode"));
    m_mode->addItem(tr("Off"), static_cast<int>(TriggerMode::Off));
    m_mode->addItem(tr("Auto"), static_cast<int>(TriggerMode::Auto));
    m_mode->addItem(tr("Normal"), static_cast<int>(TriggerMode::Normal));
    m_mode->addItem(tr("Single"), static_cast<int>(TriggerMode::Single));
    add(tr("&Trigger"), m_mode);

    m_source = new QComboBox(this);
    m_source->setObjectName(QStringLiteral("scopeTriggerSource"));
    m_source->setAccessibleName(tr("Trigger source channel"));
    for (int lane = 0; lane < laneCount; ++lane) m_source->addItem(tr("Ch %1").arg(lane), lane);
    add(tr("S&ource"), m_source);

    m_slope = new QComboBox(this);
    m_slope->setObjectName(QStringLiteral("scopeTriggerSlope"));
    m_slope->setAccessibleName(tr("Trigger slope"));
    m_slope->addItem(tr("Rising"), static_cast<int>(Slope::Rising));
    m_slope->addItem(tr("Falling"), static_cast<int>(Slope::Falling));
    add(tr("Sl&ope"), m_slope);

    m_level = new QLineEdit(this);
    m_level->setObjectName(QStringLiteral("scopeTriggerLevel"));
    m_level->setAccessibleName(tr("Trigger level in the source's unit"));
    m_level->setPlaceholderText(tr("Middle"));
    m_level->setToolTip(
        tr("In the source's unit, taken at Enter or on leaving the box; empty "
           "follows the middle of the source's samples"));
    m_level->setMaximumWidth(110);
    add(tr("&Level"), m_level);

    m_position = new QSpinBox(this);
    m_position->setObjectName(QStringLiteral("scopeTriggerPosition"));
    m_position->setAccessibleName(tr("Share of the span before the trigger point"));
    m_position->setRange(0, 100);
    m_position->setSuffix(QStringLiteral(" %"));
    m_position->setValue(50);
    add(tr("&Position"), m_position);

    m_rearm = new QPushButton(tr("Re-arm"), this);
    m_rearm->setObjectName(QStringLiteral("scopeTriggerRearm"));
    m_rearm->setAccessibleName(tr("Re-arm the single trigger"));
    m_rearm->setToolTip(tr("A Single trigger holds its view until re-armed"));
    layout->addWidget(m_rearm);
    m_controls.push_back(m_rearm);

    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("scopeTriggerState"));
    m_state->setAccessibleName(tr("Trigger state"));
    m_state->setMinimumWidth(m_state->fontMetrics().horizontalAdvance(QStringLiteral("Stopped")) +
                             12);
    m_state->setAlignment(Qt::AlignCenter);
    m_state->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(m_state);
    setState(TriggerState::Stopped);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("scopeTriggerLevelNote"));
    m_note->setAccessibleName(tr("Trigger level note"));
    layout->addWidget(m_note);
    layout->addStretch(1);

    const auto changed = [this] { emit triggerChanged(settings()); };
    connect(m_span, &QComboBox::currentIndexChanged, this,
            [this] { emit spanChanged(spanMilliseconds()); });
    for (QComboBox* box : {m_mode, m_slope}) {
        connect(box, &QComboBox::currentIndexChanged, this, changed);
    }
    connect(m_source, &QComboBox::currentIndexChanged, this, [this, changed] {
        // The level keeps its code; it is shown in the new source's unit.
        showLevel();
        changed();
    });
    connect(m_position, &QSpinBox::valueChanged, this, changed);
    connect(m_level, &QLineEdit::editingFinished, this, &TriggerBar::levelEdited);
    connect(m_rearm, &QPushButton::clicked, this, &TriggerBar::rearmRequested);
}

void TriggerBar::add(const QString& label, QWidget* control) {
    auto* text = new QLabel(label, this);
    text->setBuddy(control);
    layout()->addWidget(text);
    layout()->addWidget(control);
    m_controls.push_back(control);
}

const channels::Channel& TriggerBar::source() const {
    return m_setup.channel(m_source->currentData().toInt());
}

int TriggerBar::spanMilliseconds() const { return m_span->currentData().toInt(); }

TriggerSettings TriggerBar::settings() const {
    TriggerSettings s;
    s.mode = static_cast<TriggerMode>(m_mode->currentData().toInt());
    s.source = m_source->currentData().toInt();
    s.slope = static_cast<Slope>(m_slope->currentData().toInt());
    s.level = m_levelCode;
    s.position = m_position->value() / 100.0;
    return s;
}

void TriggerBar::setSpanMilliseconds(int spanMs) {
    const int index = m_span->findData(spanMs);
    if (index >= 0) m_span->setCurrentIndex(index);
}

void TriggerBar::setSettings(const TriggerSettings& settings) {
    {
        // One change told, not one per control.
        const QSignalBlocker quiet(this);
        m_mode->setCurrentIndex(std::max(m_mode->findData(static_cast<int>(settings.mode)), 0));
        m_source->setCurrentIndex(std::max(m_source->findData(settings.source), 0));
        m_slope->setCurrentIndex(std::max(m_slope->findData(static_cast<int>(settings.slope)), 0));
        m_levelCode = settings.level;
        m_position->setValue(static_cast<int>(std::lround(settings.position * 100)));
    }
    m_entryProblem.clear();
    showLevel();
    showNote();
    emit triggerChanged(this->settings());
}

void TriggerBar::setChannelSetup(const channels::ChannelSetup& setup) {
    m_setup = setup;
    for (int i = 0; i < m_source->count(); ++i) {
        const int lane = m_source->itemData(i).toInt();
        m_source->setItemText(i, QString::fromStdString(laneTitle(lane, m_setup.channel(lane))));
    }
    showLevel();
}

void TriggerBar::levelEdited() {
    const QString typed = m_level->text().trimmed();
    std::optional<int> code;
    if (!typed.isEmpty()) {
        code = levelCode(typed.toStdString(), source());
        if (!code) {
            m_entryProblem = tr("\"%1\" is no level the source can reach").arg(typed);
            showLevel();
            showNote();
            return;
        }
    }
    m_entryProblem.clear();
    const bool changed = code != m_levelCode;
    m_levelCode = code;
    showLevel();
    showNote();
    if (changed) emit triggerChanged(settings());
}

void TriggerBar::showLevel() {
    m_level->setText(m_levelCode ? QString::fromStdString(codeText(source(), *m_levelCode))
                                 : QString());
}

void TriggerBar::setState(TriggerState state) {
    const auto text = triggerStateText(state);
    setLabelText(*m_state, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

QString TriggerBar::stateText() const { return m_state->text(); }

void TriggerBar::setLevelNote(const QString& note) {
    if (note == m_levelNote) return;
    m_levelNote = note;
    showNote();
}

void TriggerBar::showNote() {
    setLabelText(*m_note, m_entryProblem.isEmpty() ? m_levelNote : m_entryProblem);
}

QString TriggerBar::levelNote() const { return m_note->text(); }

}  // namespace tqv::scope::qt
