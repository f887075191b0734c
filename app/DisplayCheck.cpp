#include "app/DisplayCheck.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstdlib>

#include "app/CommandLine.h"

namespace tqv::app {

namespace {

constexpr const char* kWhatToSet =
    "run it in a graphical session (DISPLAY or WAYLAND_DISPLAY set), or set "
    "QT_QPA_PLATFORM=offscreen to run it without a screen";

QtMessageHandler g_previous = nullptr;

void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (g_previous != nullptr) g_previous(type, context, message);
        return;
    }
    // Qt's first sentence says what failed; its advice to reinstall does not apply.
    const QString what =
        message.section(QLatin1Char('\n'), 0, 0).section(QStringLiteral(". "), 0, 0).trimmed();
    CommandLine::writeMessage("cannot open a window (" + what.toStdString() + "); " +
                                     kWhatToSet);
    std::_Exit(CommandLine::FailureStatus);
}

std::string variable(const char* name) { return qEnvironmentVariable(name).toStdString(); }

}  // namespace

DisplayEnvironment displayEnvironment() {
    return {variable("QT_QPA_PLATFORM"), variable("DISPLAY"), variable("WAYLAND_DISPLAY")};
}

std::optional<std::string> missingDisplay(const DisplayEnvironment& environment) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (!environment.platform.empty()) return std::nullopt;
    if (!environment.x11Display.empty() || !environment.waylandDisplay.empty()) return std::nullopt;
    return std::string("no display: DISPLAY and WAYLAND_DISPLAY are unset; ") + kWhatToSet;
#else
    (void)environment;
    return std::nullopt;
#endif
}

void treatEmptyPlatformAsUnset() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qunsetenv("QT_QPA_PLATFORM");
    }
}

FatalStartupMessages::FatalStartupMessages() { g_previous = qInstallMessageHandler(onMessage); }

FatalStartupMessages::~FatalStartupMessages() {
    qInstallMessageHandler(g_previous);
    g_previous = nullptr;
}

}  // namespace tqv::app
