#include "scope/qt/TriggerBar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <cmath>

#include "scope/TimeBase.h"

namespace tqv::scope::qt {

namespace {

// Below the lowest code: the level follows the middle of the source's samples.
constexpr int kLevelFollowsMiddle = -32769;

}  // namespace

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

    m_level = new QSpinBox(this);
    m_level->setObjectName(QStringLiteral("scopeTriggerLevel"));
    m_level->setAccessibleName(tr("Trigger level in codes"));
    m_level->setRange(kLevelFollowsMiddle, 32767);
    m_level->setSpecialValueText(tr("Middle"));
    m_level->setValue(kLevelFollowsMiddle);
    m_level->setToolTip(tr("Codes; at the bottom, \"Middle\" follows the middle of the source"));
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
    layout->addStretch(1);

    const auto changed = [this] { emit triggerChanged(settings()); };
    connect(m_span, &QComboBox::currentIndexChanged, this,
            [this] { emit spanChanged(spanMilliseconds()); });
    for (QComboBox* box : {m_mode, m_source, m_slope}) {
        connect(box, &QComboBox::currentIndexChanged, this, changed);
    }
    for (QSpinBox* box : {m_level, m_position}) {
        connect(box, &QSpinBox::valueChanged, this, changed);
    }
    connect(m_rearm, &QPushButton::clicked, this, &TriggerBar::rearmRequested);
}

void TriggerBar::add(const QString& label, QWidget* control) {
    auto* text = new QLabel(label, this);
    text->setBuddy(control);
    layout()->addWidget(text);
    layout()->addWidget(control);
    m_controls.push_back(control);
}

int TriggerBar::spanMilliseconds() const { return m_span->currentData().toInt(); }

TriggerSettings TriggerBar::settings() const {
    TriggerSettings s;
    s.mode = static_cast<TriggerMode>(m_mode->currentData().toInt());
    s.source = m_source->currentData().toInt();
    s.slope = static_cast<Slope>(m_slope->currentData().toInt());
    if (m_level->value() != kLevelFollowsMiddle) s.level = m_level->value();
    s.position = m_position->value() / 100.0;
    return s;
}

void TriggerBar::setSpanMilliseconds(int spanMs) {
    const int index = m_span->findData(spanMs);
    if (index >= 0) m_span->setCurrentIndex(index);
}

void TriggerBar::setSettings(const TriggerSettings& settings) {
    m_mode->setCurrentIndex(std::max(m_mode->findData(static_cast<int>(settings.mode)), 0));
    m_source->setCurrentIndex(std::max(m_source->findData(settings.source), 0));
    m_slope->setCurrentIndex(std::max(m_slope->findData(static_cast<int>(settings.slope)), 0));
    m_level->setValue(settings.level.value_or(kLevelFollowsMiddle));
    m_position->setValue(static_cast<int>(std::lround(settings.position * 100)));
}

}  // namespace tqv::scope::qt
