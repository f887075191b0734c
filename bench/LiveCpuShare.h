// The whole program's CPU share while it acquires live from the simulated card:
// every thread of the process, the card's included, against one core.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "app/PanelApplication.h"
#include "window/qt/QtFormWindow.h"

namespace tqv::bench {

inline double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Opens the panel, lets `prepare` add to it (the scope, say), starts acquisition and
// runs the event loop for ten seconds at the default rate.
inline void measureLiveCpuShare(benchmark::State& state,
                                const std::function<void(app::PanelApplication&)>& prepare) {
    for (auto _ : state) {
        app::PanelApplication panel;
        if (!panel.open()) {
            state.SkipWithError("the simulated card library could not be loaded");
            return;
        }
        if (prepare) prepare(panel);
        panel.window()->findChild<QPushButton*>("cmdStart")->click();
        QApplication::processEvents();
        const double cpuBefore = processCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTimer::singleShot(10000, qApp, &QCoreApplication::quit);
        QApplication::exec();
        const double cpu = processCpuSeconds() - cpuBefore;
        const double elapsed = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        state.counters["cpu_share_of_one_core"] = cpu / elapsed;
        state.counters["cpu_seconds"] = cpu;
        state.SetIterationTime(elapsed);
    }
}

}  // namespace tqv::bench
