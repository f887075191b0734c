#include "scope/qt/ChannelsDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "channels/SetupFile.h"
#include "files/qt/QtFileNames.h"
#include "scope/qt/LabelText.h"
#include "text/TextConversions.h"

namespace tqv::scope::qt {

namespace {

// A whole number or a decimal, the point as separator whatever the locale.
std::optional<double> numberIn(const QLineEdit* box) {
    return text::finiteDecimal(box->text().trimmed().toStdString());
}

QString number(double value) {
    char text[64];
    return QString::fromLatin1(text, std::to_chars(text, text + sizeof text, value).ptr - text);
}

}  // namespace

ChannelsDialog::ChannelsDialog(const channels::ChannelSetup& setup, std::filesystem::path file,
                               NewestMean newestMean, QWidget* parent)
    : QDialog(parent),
      m_file(std::move(file)),
      m_newestMean(std::move(newestMean)),
      m_saved(setup) {
    setObjectName(QStringLiteral("channelsDialog"));
    setWindowTitle(tr("Channels"));
    setAccessibleName(tr("Channel setup"));

    auto* grid = new QGridLayout;
    const QStringList headings{tr("Channel"), tr("Name"),   tr("Unit"), tr("Code 1"), QString(),
                               tr("Value 1"), tr("Code 2"), QString(),  tr("Value 2")};
    for (int column = 0; column < headings.size(); ++column) {
        grid->addWidget(new QLabel(headings[column], this), 0, column);
    }
    for (int lane = 0; lane < channels::ChannelSetup::Count; ++lane) {
        const channels::Channel& channel = setup.channel(lane);
        Row& row = m_rows[static_cast<size_t>(lane)];
        const int r = lane + 1;
        const auto box = [&](const QString& name, const QString& accessible, const QString& text) {
            auto* edit = new QLineEdit(text, this);
            edit->setObjectName(QStringLiteral("channel%1%2").arg(lane).arg(name));
            edit->setAccessibleName(accessible);
            return edit;
        };
        grid->addWidget(new QLabel(tr("Ch %1").arg(lane), this), r, 0);
        row.name = box(QStringLiteral("Name"), tr("Channel %1 name").arg(lane),
                       QString::fromStdString(channel.name));
        row.unit = box(QStringLiteral("Unit"), tr("Channel %1 unit").arg(lane),
                       QString::fromStdString(channel.unit));
        grid->addWidget(row.name, r, 1);
        grid->addWidget(row.unit, r, 2);
        for (int point = 0; point < 2; ++point) {
            const auto& calibrationPoint = channel.calibration.points()[static_cast<size_t>(point)];
            const bool shown = !channel.calibration.identity();
            row.code[static_cast<size_t>(point)] =
                box(QStringLiteral("Code%1").arg(point + 1),
                    tr("Channel %1 code of point %2").arg(lane).arg(point + 1),
                    shown ? QString::number(calibrationPoint.code) : QString());
            row.value[static_cast<size_t>(point)] =
                box(QStringLiteral("Value%1").arg(point + 1),
                    tr("Channel %1 value of point %2").arg(lane).arg(point + 1),
                    shown ? number(calibrationPoint.value) : QString());
            auto* takeButton = new QPushButton(tr("Take"), this);
            takeButton->setObjectName(QStringLiteral("channel%1Take%2").arg(lane).arg(point + 1));
            takeButton->setAccessibleName(
                tr("Take channel %1's mean code for point %2").arg(lane).arg(point + 1));
            takeButton->setToolTip(tr("The mean code of the lane's newest 600 ms"));
            takeButton->setAutoDefault(false);
            connect(takeButton, &QPushButton::clicked, this,
                    [this, lane, point] { take(lane, point); });
            const int column = 3 + 3 * point;
            grid->addWidget(row.code[static_cast<size_t>(point)], r, column);
            grid->addWidget(takeButton, r, column + 1);
            grid->addWidget(row.value[static_cast<size_t>(point)], r, column + 2);
        }
    }

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("channelsProblem"));
    m_problem->setAccessibleName(tr("Channel setup problem"));
    m_problem->setWordWrap(true);
    auto* where = new QLabel(tr("Saved to %1").arg(files::qt::fromPath(m_file)), this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Save)->setObjectName(QStringLiteral("channelsSave"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { save(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(where);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
}

void ChannelsDialog::take(int lane, int point) {
    if (lane < 0 || lane >= channels::ChannelSetup::Count || point < 0 || point > 1) return;
    const auto mean = m_newestMean ? m_newestMean(lane) : std::nullopt;
    if (!mean) {
        setLabelText(*m_problem, tr("Ch %1: no samples stored to take a code from").arg(lane));
        return;
    }
    m_rows[static_cast<size_t>(lane)].code[static_cast<size_t>(point)]->setText(
        QString::number(std::lround(*mean)));
}

std::variant<channels::ChannelSetup, std::string> ChannelsDialog::enteredSetup() const {
    channels::ChannelSetup setup;
    for (int lane = 0; lane < channels::ChannelSetup::Count; ++lane) {
        const Row& row = m_rows[static_cast<size_t>(lane)];
        const std::string prefix = "Ch " + std::to_string(lane) + ": ";
        channels::Channel channel;
        channel.name = row.name->text().trimmed().toStdString();
        channel.unit = row.unit->text().trimmed().toStdString();
        if (auto problem = channels::nameProblem(channel.name)) return prefix + *problem;
        if (auto problem = channels::unitProblem(channel.unit)) return prefix + *problem;
        const bool anyPoint =
            std::any_of(row.code.begin(), row.code.end(),
                        [](const QLineEdit* b) { return !b->text().trimmed().isEmpty(); }) ||
            std::any_of(row.value.begin(), row.value.end(),
                        [](const QLineEdit* b) { return !b->text().trimmed().isEmpty(); });
        if (anyPoint) {
            std::array<channels::CalibrationPoint, 2> points{};
            for (size_t p = 0; p < 2; ++p) {
                const auto code = numberIn(row.code[p]);
                const auto value = numberIn(row.value[p]);
                if (!code || *code != std::floor(*code)) {
                    return prefix + "the code of point " + std::to_string(p + 1) +
                           " is no whole number";
                }
                if (!value)
                    return prefix + "the value of point " + std::to_string(p + 1) + " is no number";
                points[p] = {static_cast<int>(std::clamp(*code, -1e9, 1e9)), *value};
            }
            auto line = channels::Calibration::fromPoints(points[0], points[1]);
            if (auto* problem = std::get_if<std::string>(&line)) return prefix + *problem;
            channel.calibration = std::get<channels::Calibration>(line);
        }
        setup.setChannel(lane, std::move(channel));
    }
    return setup;
}

QString ChannelsDialog::problemText() const { return m_problem->text(); }

bool ChannelsDialog::save() {
    auto entered = enteredSetup();
    if (auto* problem = std::get_if<std::string>(&entered)) {
        setLabelText(*m_problem, QString::fromStdString(*problem));
        return false;
    }
    const auto& setup = std::get<channels::ChannelSetup>(entered);
    if (const auto failure = channels::saveSetup(m_file, setup)) {
        setLabelText(*m_problem, tr("Not saved: %1").arg(files::qt::decodeName(*failure)));
        return false;
    }
    m_saved = setup;
    accept();
    return true;
}

}  // namespace tqv::scope::qt
