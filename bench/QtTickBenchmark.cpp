// The poll tick on the real Qt widgets (offscreen), against its 200 ms period; and
// the whole program's CPU share while it acquires live from the simulated card.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "acquisition/AcquisitionControl.h"
#include "acquisition/BlockPoller.h"
#include "app/PanelApplication.h"
#include "bench/BenchCard.h"
#include "bench/LiveCpuShare.h"
#include "window/StartupHandler.h"
#include "window/qt/QtFormWindow.h"

namespace {

using namespace tqv;

constexpr double kPollPeriodSeconds = 0.2;

void BM_TickOnQtWidgets(benchmark::State& state) {
    bench::BenchCard card(7, 1200);
    session::SteadyClock clock;
    session::CardSession session(card, clock);
    window::FormState form;
    window::qt::QtFormWindow ui;
    window::FormContext ctx{session, form, ui};
    window::loadForm(ctx);
    acquisition::startAcquisition(ctx);
    ui.show();
    QApplication::processEvents();

    for (auto _ : state) {
        acquisition::pollBlocks(ctx);
        // The captions are painted when the event loop next runs: part of the tick's cost.
        ui.repaint();
    }
    // CPU time of one tick over the poll period.
    state.counters["share_of_period"] =
        benchmark::Counter(kPollPeriodSeconds * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TickOnQtWidgets)->Unit(benchmark::kMicrosecond);

// Ten seconds of live acquisition at the default rate.
void BM_LiveCpuShare(benchmark::State& state) { bench::measureLiveCpuShare(state, {}); }
BENCHMARK(BM_LiveCpuShare)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
