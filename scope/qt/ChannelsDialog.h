// The Channels… dialog: each channel's name, unit and two calibration points, "Take"
// beside each point filling in the mean code of that lane's newest 600 ms, and Save,
// which writes the setup file whole and applies it. Calibrating is: apply the first
// reference, Take, type its value; apply the second, Take, type; Save.
#pragma once

#include <QDialog>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "channels/ChannelSetup.h"

class QLabel;
class QLineEdit;

namespace tqv::scope::qt {

class ChannelsDialog : public QDialog {
    Q_OBJECT

public:
    // The mean code of a lane's newest samples, none when nothing is stored.
    using NewestMean = std::function<std::optional<double>(int lane)>;

    ChannelsDialog(const channels::ChannelSetup& setup, std::filesystem::path file,
                   NewestMean newestMean, QWidget* parent = nullptr);

    // What the boxes say, or why they cannot be a setup ("Ch 1: the unit is empty").
    std::variant<channels::ChannelSetup, std::string> enteredSetup() const;
    // The setup saved by the last Save.
    const channels::ChannelSetup& savedSetup() const { return m_saved; }
    QString problemText() const;

    // "Take" for a lane's point 0 or 1: its code box gets the lane's newest mean.
    void take(int lane, int point);
    // Checks, writes the file and accepts; says why not in the dialog otherwise.
    bool save();

private:
    struct Row {
        QLineEdit* name = nullptr;
        QLineEdit* unit = nullptr;
        std::array<QLineEdit*, 2> code{};
        std::array<QLineEdit*, 2> value{};
    };

    std::array<Row, channels::ChannelSetup::Count> m_rows;
    std::filesystem::path m_file;
    NewestMean m_newestMean;
    channels::ChannelSetup m_saved;
    QLabel* m_problem = nullptr;
};

}  // namespace tqv::scope::qt
