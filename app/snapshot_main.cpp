// tqv-snapshot [OUT.png] [--start] [--ms N] [--scope SCOPE.png]: opens the real
// window off screen with the card library found as usual, optionally presses 开始采集,
// lets it run N milliseconds (2000 unless told) and saves a picture of the window.
// --scope opens the scope too, presses 开始采集 and saves the scope's picture.
#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/PanelApplication.h"
#include "app/ScopeAttachment.h"
#include "scope/qt/ScopeWindow.h"
#include "window/qt/PanelFonts.h"
#include "window/qt/QtFormWindow.h"

namespace {

struct Arguments {
    QString output;
    QString scopeOutput;
    bool start = false;
    int milliseconds = 2000;
};

constexpr int UsageStatus = 64;
constexpr int SaveFailedStatus = 3;

void printUsage() {
    std::fputs("usage: tqv-snapshot [OUT.png] [--start] [--ms N] [--scope SCOPE.png]\n", stderr);
}

std::optional<int> parseMilliseconds(const char* text) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < 0 || value > 3'600'000) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<Arguments> parseArguments(int argc, char* argv[]) {
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--start") {
            arguments.start = true;
        } else if (argument == "--ms") {
            if (++i >= argc) return std::nullopt;
            const auto ms = parseMilliseconds(argv[i]);
            if (!ms) return std::nullopt;
            arguments.milliseconds = *ms;
        } else if (argument == "--scope") {
            if (++i >= argc || argv[i][0] == '\0') return std::nullopt;
            arguments.scopeOutput = QString::fromLocal8Bit(argv[i]);
            arguments.start = true;
        } else if (!argument.empty() && argument[0] != '-' && arguments.output.isEmpty()) {
            arguments.output = QString::fromLocal8Bit(argv[i]);
        } else {
            return std::nullopt;
        }
    }
    if (arguments.output.isEmpty() && arguments.scopeOutput.isEmpty()) return std::nullopt;
    return arguments;
}

}  // namespace

int main(int argc, char* argv[]) {
    const auto arguments = parseArguments(argc, argv);
    if (!arguments) {
        printUsage();
        return UsageStatus;
    }
    // Before the application exists: the platform is chosen when it is created.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication application(argc, argv);
    QApplication::setFont(tqv::window::qt::panelFont());

    tqv::app::PanelApplication panel;
    if (!panel.open()) return tqv::app::PanelApplication::LibraryFailureStatus;
    auto* window = panel.window();
    if (!arguments->scopeOutput.isEmpty()) panel.openScope();

    if (arguments->start) {
        if (auto* start = window->findChild<QPushButton*>(QStringLiteral("cmdStart"))) {
            start->click();
        }
    }

    int status = 0;
    const auto save = [&](QWidget* shown, const QString& path) {
        if (path.isEmpty() || shown->grab().save(path, "PNG")) return;
        std::fprintf(stderr, "tqv-snapshot: cannot write %s\n", path.toLocal8Bit().constData());
        status = SaveFailedStatus;
    };
    QTimer::singleShot(arguments->milliseconds, window, [&] {
        save(window, arguments->output);
        if (!arguments->scopeOutput.isEmpty()) {
            save(&panel.scope()->scope(), arguments->scopeOutput);
        }
        QApplication::exit(status);
    });
    const int loopStatus = QApplication::exec();
    return status != 0 ? status : loopStatus;
}
