// tqv-selftest: the headless self-test of a TQV5200-1 card for the bench and the
// production line. Options and the card library here; the checks are in selftest/.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "acquisition/AcquisitionControl.h"
#include "app/CardLibraryOptions.h"
#include "card/AdcardBinding.h"
#include "selftest/Clock.h"
#include "selftest/InterruptRequest.h"
#include "selftest/JUnitReport.h"
#include "selftest/ReportTable.h"
#include "selftest/SelfTest.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

using namespace tqv;

constexpr int kMaximumSeconds = 24 * 3600;

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

std::filesystem::path toPath(const QString& text) {
    return std::filesystem::path(text.toStdU16String());
}

void showProgress(const selftest::AcquisitionProgress& progress) {
    std::fprintf(stderr, "\racquiring: %.1f of %.0f s, %lld blocks ", progress.elapsedSeconds,
                 progress.totalSeconds, progress.blocks);
    std::fflush(stderr);
}

void clearProgress() {
    std::fprintf(stderr, "\r%60s\r", "");
    std::fflush(stderr);
}

int usageError(const QString& message) {
    std::cerr << "tqv-selftest: " << message.toStdString() << "\nTry tqv-selftest --help.\n";
    return selftest::ExitUnusable;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName("tqv-selftest");
    QCoreApplication::setApplicationVersion(TQV_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Checks a TQV5200-1 card without a window: identity, paced acquisition, known signals "
        "on the inputs and, with a loopback plug, the digital outputs.\nExit status: 0 all checks passed or skipped, "
        "1 a check failed, 2 the card library could not be used or the options were wrong.");
    tqv::app::CardLibraryOptions cardOptions(parser);
    const QCommandLineOption secondsOption(
        "seconds", "Acquire for N seconds (1 to 86400, default 5).", "N", "5");
    const QCommandLineOption loopbackOption(
        "loopback", "A loopback plug joins the 16 digital outputs to the inputs: check them.");
    const QCommandLineOption junitOption("junit", "Also write a JUnit XML report to FILE.", "FILE");
    const QCommandLineOption expectOption(
        "expect",
        "Channel CH carries a known signal of FREQ Hz (and PKPK codes peak to peak): check it "
        "on the acquired samples. Repeatable, one check per channel.",
        "CH:FREQ[:PKPK]");
    const QCommandLineOption toleranceOption(
        "tolerance",
        "How far the --expect figures may be off, in percent: one for both, or the frequency's "
        "and the peak-to-peak's (default 0.5:2).",
        "PCT[:PCT]");
    parser.addOptions({secondsOption, loopbackOption, junitOption, expectOption, toleranceOption});

    if (const auto status = cardOptions.parse(QCoreApplication::arguments())) return *status;
    if (!parser.positionalArguments().isEmpty()) {
        return usageError("unexpected argument " + parser.positionalArguments().first());
    }
    bool secondsValid = false;
    const int seconds = parser.value(secondsOption).toInt(&secondsValid);
    if (!secondsValid || seconds < 1 || seconds > kMaximumSeconds) {
        return usageError("--seconds takes a whole number from 1 to 86400, not \"" +
                          parser.value(secondsOption) + "\"");
    }
    std::vector<selftest::ExpectedSignal> expectations;
    for (const QString& text : parser.values(expectOption)) {
        auto parsed = selftest::parseExpectedSignal(text.toStdString(),
                                                    acquisition::StartParameters::ChannelCount);
        if (auto* error = std::get_if<std::string>(&parsed)) {
            return usageError(QString::fromStdString(*error));
        }
        expectations.push_back(std::get<selftest::ExpectedSignal>(parsed));
    }
    selftest::SignalTolerance tolerance;
    if (parser.isSet(toleranceOption)) {
        auto parsed = selftest::parseSignalTolerance(parser.value(toleranceOption).toStdString());
        if (auto* error = std::get_if<std::string>(&parsed)) {
            return usageError(QString::fromStdString(*error));
        }
        tolerance = std::get<selftest::SignalTolerance>(parsed);
    }
    const auto card = std::make_unique<card::AdcardBinding>(cardOptions.candidates());
    if (!cardOptions.bind(*card)) return selftest::ExitUnusable;

    try {
        const selftest::InterruptRequest interrupt;
        selftest::SteadyClock clock;
        selftest::SelfTestOptions options;
        options.loopback = parser.isSet(loopbackOption);
        options.expectations = expectations;
        options.tolerance = tolerance;
        options.acquisition.seconds = seconds;
        options.acquisition.interrupted = &interrupt.flag();
        const bool progressShown = stderrIsTerminal();
        if (progressShown) options.acquisition.progress = showProgress;

        const auto results = selftest::runSelfTest(*card, clock, options);
        if (progressShown) clearProgress();
        std::cout << selftest::reportTable(results) << std::flush;

        if (parser.isSet(junitOption)) {
            const auto error = selftest::writeFileReplacing(toPath(parser.value(junitOption)),
                                                            selftest::junitXml(results));
            if (error) {
                std::cerr << "tqv-selftest: JUnit report not written: " << *error << "\n";
                return selftest::ExitUnusable;
            }
        }
        return selftest::exitStatus(results);
    } catch (const std::exception& error) {
        std::cerr << "tqv-selftest: " << error.what() << "\n";
        return selftest::ExitUnusable;
    }
}
