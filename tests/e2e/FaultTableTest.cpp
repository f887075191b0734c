// What the panel does when the card library misbehaves: one group per fault, each
// with its defined outcome. The real simulated card is used where its settings can
// produce the fault, the scripted card elsewhere.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/FormWiring.h"
#include "card/AdcardBinding.h"
#include "tests/support/Panel.h"

namespace tqv::test {
namespace {

using ::testing::ElementsAre;
using window::Control;
using window::Event;

// The panel on the real binding, as the program runs it.
struct LivePanel {
    explicit LivePanel(std::vector<card::LibraryCandidate> places = card::AdcardBinding::defaultPlaces())
        : binding(std::move(places)) {
        ui.setEvents(&wiring);
    }
    card::AdcardBinding binding;
    card::DllDef dll;
    window::FormState form;
    InMemorySurface ui;
    window::FormContext ctx{dll, form, binding, ui};
    app::FormWiring wiring{ctx};
    void raise(Control control, Event event) { wiring.raise(control, event); }
};

TEST(FaultLibraryMissing, EveryEventIsSurvivedAndTheWindowKeepsItsStoredState) {
    LivePanel panel({{std::filesystem::temp_directory_path() / "tqv-no-such-place" / "libadcard.so",
                      card::PlaceKind::ProgramFolder}});
    ASSERT_TRUE(panel.binding.load().has_value());
    panel.raise(Control::FrmMultiBuf, Event::Load);
    panel.raise(Control::cmdStart, Event::Click);
    panel.raise(Control::TimerAD, Event::Timer);
    panel.raise(Control::cmdSWO, Event::Click);
    panel.raise(Control::cmdExit, Event::Click);
    EXPECT_EQ(panel.ui.caption(Control::lblCardInfo), "lblCardInfo");
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), "Label2");
}

TEST(FaultFunctionMissing, IsReportedAtLoadBeforeAnyCall) {
    card::AdcardBinding binding(
        {{std::filesystem::path(TQV_PARTIAL_ADCARD_DIR) / "libadcard.so", card::PlaceKind::ProgramFolder}});
    const auto error = binding.load();
    ASSERT_TRUE(error.has_value());
    EXPECT_THAT(*error, ::testing::HasSubstr("StartIntr"));
    EXPECT_THROW(binding.IOCtl(100, nullptr, 100, nullptr), card::CardLibraryError);
}

// Needs ADCARD_SIM_FAIL=Initial:-3 (its own CTest entry).
TEST(FaultInitialFails, ShowsTheCardsCodeAndStaysIdle) {
    LivePanel panel;
    panel.raise(Control::FrmMultiBuf, Event::Load);
    panel.raise(Control::cmdStart, Event::Click);
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), "Error=-3");
    EXPECT_TRUE(panel.ui.isEnabled(Control::cmdStart));
    EXPECT_FALSE(panel.ui.isEnabled(Control::cmdStop));
    EXPECT_TRUE(panel.dll.BlockBuf.empty());
    panel.raise(Control::TimerAD, Event::Timer);
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), "Error=-3");
}

// Needs ADCARD_SIM_FAIL=StartIntr:-7 (its own CTest entry).
TEST(FaultStartIntrFails, ShowsTheCardsCodeWithFreshBuffers) {
    LivePanel panel;
    panel.raise(Control::FrmMultiBuf, Event::Load);
    panel.raise(Control::cmdStart, Event::Click);
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), "Error=-7");
    EXPECT_EQ(panel.dll.RingBuf.size(), 24001u);
    EXPECT_TRUE(panel.ui.isEnabled(Control::cmdStart));
    panel.raise(Control::TimerAD, Event::Timer);
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), "Error=-7");
}

class ScriptedFault : public ::testing::Test {
protected:
    void SetUp() override {
        panel.load();
        panel.click(Control::cmdStart);
        panel.card.clearCalls();
    }
    Panel panel;
};

class FaultADResult : public ScriptedFault, public ::testing::WithParamInterface<int32_t> {};

TEST_P(FaultADResult, AnUndeliveredBlockIsCountedButNotStored) {
    panel.card.adResults = {1, GetParam()};
    panel.card.queryResults = {2};
    panel.tick();
    EXPECT_EQ(panel.dll.RingPos, 1200);
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), " 2");
    EXPECT_EQ(panel.ui.caption(Control::lblptr), " 1200");
}

INSTANTIATE_TEST_SUITE_P(Results, FaultADResult, ::testing::Values(0, 2, -1));

struct CountCase {
    int16_t startCount;
    int16_t reported;
    int16_t after;
};

class FaultQueryBuf : public ScriptedFault, public ::testing::WithParamInterface<CountCase> {};

TEST_P(FaultQueryBuf, TheCounterStaysInItsRangeAndEveryBlockIsFetched) {
    panel.form.BlockCount = GetParam().startCount;
    panel.card.queryResults = {GetParam().reported};
    panel.tick();
    EXPECT_EQ(panel.form.BlockCount, GetParam().after);
    EXPECT_EQ(panel.card.callsNamed("ADResult").size(),
              static_cast<size_t>(std::max<int16_t>(GetParam().reported, 0)));
    EXPECT_EQ(panel.dll.RingPos % 1200, 0);
    EXPECT_LT(panel.dll.RingPos, 24000);
}

INSTANTIATE_TEST_SUITE_P(Counts, FaultQueryBuf,
                         ::testing::Values(CountCase{5, 0, 5}, CountCase{0, -5, -5},
                                           CountCase{0, 767, 767}, CountCase{0, 768, 768},
                                           CountCase{32000, 767, 0}, CountCase{32000, 768, 0},
                                           CountCase{0, 32767, 0}, CountCase{-32768, -5, 0}));

TEST(FaultCountBeforeStart, NothingIsFetchedIntoBuffersThatDoNotExist) {
    Panel panel;
    panel.load();
    panel.card.queryResults = {3, -2};
    panel.tick();
    panel.tick();
    EXPECT_TRUE(panel.card.callsNamed("ADResult").empty());
    EXPECT_TRUE(panel.card.callsNamed("Tqv_DI").empty());
    EXPECT_EQ(panel.form.BlockCount, 0);
}

TEST_F(ScriptedFault, FaultInputsUntouchedShowZerosUntilTheCardWrites) {
    panel.card.inputWords.reset();
    panel.card.queryResults = {1};
    panel.tick();
    EXPECT_EQ(panel.ui.caption(Control::lblDI), "0 0 0 0 0 0");
}

// The real card refuses ports and bits it does not have; the panel sends what the
// operator chose and carries on.
TEST(FaultOutOfRangeOutputs, TheCardRefusesAndNothingElseHappens) {
    LivePanel panel;
    panel.raise(Control::FrmMultiBuf, Event::Load);
    panel.ui.setText(Control::txtswChn, "-1");
    panel.ui.setText(Control::txtSWO_0, "FF");
    panel.raise(Control::cmdSWO, Event::Click);
    EXPECT_LT(panel.binding.GetLastADError(), 0);
    EXPECT_EQ(panel.form.DoByte[0], 255);

    panel.ui.setText(Control::txtswChn, "0");
    panel.ui.setText(Control::txtSWO_0, "3C");
    panel.raise(Control::cmdSWO, Event::Click);
    std::array<int16_t, 6> words{};
    panel.binding.Tqv_DI(6, words.data());
    EXPECT_EQ(words[0], 0x3C);
}

TEST(FaultStopInEveryState, StopIntrIsHarmlessBeforeDuringAndAfterAcquisition) {
    LivePanel panel;
    panel.raise(Control::FrmMultiBuf, Event::Load);
    panel.raise(Control::cmdStop, Event::Click);  // before any start
    panel.raise(Control::cmdStart, Event::Click);
    panel.raise(Control::cmdStop, Event::Click);  // running
    panel.raise(Control::cmdStop, Event::Click);  // already stopped
    EXPECT_EQ(panel.binding.QueryBuf(), 0);
    panel.raise(Control::cmdStart, Event::Click);
    panel.raise(Control::cmdExit, Event::Click);  // exit while running: two stops
    EXPECT_TRUE(panel.ui.isClosed());
    EXPECT_EQ(panel.binding.QueryBuf(), 0);
}

}  // namespace
}  // namespace tqv::test
