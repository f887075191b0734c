// What each command does on the scripted card, and what a client is told.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "instrument/FolderRecording.h"
#include "tests/instrument/InstrumentFixture.h"
#include "tests/support/ScratchFolder.h"

namespace tqv::instrument {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

// The codes of a definite-length block answer, checked whole.
std::vector<int16_t> blockCodes(const std::string& answer) {
    EXPECT_THAT(answer, StartsWith("#"));
    const std::size_t digits = static_cast<std::size_t>(answer.at(1) - '0');
    const std::size_t bytes = std::stoul(answer.substr(2, digits));
    EXPECT_EQ(answer.size(), 2 + digits + bytes + 1) << "header, bytes and the line's end";
    EXPECT_EQ(answer.back(), '\n');
    std::vector<int16_t> codes(bytes / 2);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const auto low = static_cast<uint8_t>(answer[2 + digits + 2 * i]);
        const auto high = static_cast<uint8_t>(answer[2 + digits + 2 * i + 1]);
        codes[i] = static_cast<int16_t>(low | (high << 8));
    }
    return codes;
}

TEST_F(InstrumentFixture, IdentityFromTheCardsExchangeAndAnswersJoinedBySemicolons) {
    card.identityReply = std::array<uint8_t, 5>{52, 7, 2, 5, 1};
    session.identify();
    EXPECT_EQ(client.ask("*IDN?"), "TQV,TQV5207-1,0,1.2.3\n");
    EXPECT_EQ(client.ask("syst:card?;:SYST:VERS?;*OPC?"), "\"卡名: 5207 类型: 1\";1999.0;1\n");
    EXPECT_EQ(client.ask("*WAI;*CLS"), "") << "commands alone answer nothing";
}

TEST_F(InstrumentFixture, EachClientHasItsOwnErrorQueueAndEventStatus) {
    Client other(*instrument);
    EXPECT_EQ(client.ask("FOO:BAR?;*IDN?"), "")
        << "an undefined header discards the rest of the line";
    EXPECT_EQ(client.ask("DIG:OUTP:BYTE 2,0"), "");
    EXPECT_EQ(other.ask("SYST:ERR?"), "0,\"No error\"\n");
    EXPECT_EQ(client.ask("*ESR?"), "48\n") << "command and execution error bits";
    EXPECT_EQ(client.ask("*ESR?"), "0\n") << "read and cleared";
    EXPECT_EQ(client.ask("SYST:ERR?"), "-113,\"Undefined header;FOO:BAR?\"\n");
    EXPECT_EQ(client.ask("SYST:ERR:NEXT?"), "-222,\"Data out of range;2\"\n");
    EXPECT_EQ(client.ask("SYST:ERR?"), "0,\"No error\"\n");
    client.ask("MEAS:FREQ?;*IDN? 1");
    EXPECT_EQ(client.ask("SYST:ERR?;SYST:ERR?"),
              "-109,\"Missing parameter;MEAS:FREQ?\";0,\"No error\"\n");
    client.ask("*IDN? 1");
    EXPECT_EQ(client.ask("SYST:ERR?"), "-108,\"Parameter not allowed;*IDN?\"\n");
    client.ask("NOPE");
    client.ask("*CLS");
    EXPECT_EQ(client.ask("SYST:ERR?;*ESR?"), "0,\"No error\";0\n");
}

TEST_F(InstrumentFixture, InitiateAbortAndTheAcquisitionsFigures) {
    EXPECT_EQ(client.ask("ACQ:STAT?;COUN?;SRAT?;LOST?"), "0;0;10000;0\n");
    client.ask("INIT");
    EXPECT_TRUE(session.running());
    client.ask("INIT");
    EXPECT_EQ(client.ask("SYST:ERR?"), "-213,\"Init ignored\"\n");
    EXPECT_EQ(host.starts, 1) << "a second INIT restarts nothing";
    deliver(3);
    card.adResults = {1, 0};
    deliver(2);
    EXPECT_EQ(client.ask("ACQ:STAT?;COUN?;LOST?"), "1;4;1\n");
    client.ask("ABOR");
    EXPECT_FALSE(session.running());
    EXPECT_EQ(client.ask("ACQ:STAT?;COUN?"), "0;4\n") << "the count stays after a stop";
    client.ask("ABOR");
    EXPECT_EQ(client.ask("SYST:ERR?"), "0,\"No error\"\n") << "ABORt when idle is harmless";
}

TEST_F(InstrumentFixture, AStartTheCardRefusesIsAnErrorNeverSuccess) {
    card.startResult = 0;
    card.lastError = -7;
    client.ask("INIT");
    EXPECT_EQ(client.ask("ACQ:STAT?;:SYST:ERR?"),
              "0;-240,\"Hardware error;StartIntr failed, error code -7\"\n");
}

TEST_F(InstrumentFixture, FetchesAreContinuousPerClientInBinaryOrText) {
    Client other(*instrument);
    client.ask("INIT");
    deliver(1);
    const auto first = blockCodes(client.ask("FETC:SCAN?"));
    ASSERT_EQ(first.size(), 1200u);
    deliver(2);
    const auto second = blockCodes(client.ask("FETCh:SCANs?"));
    ASSERT_EQ(second.size(), 2400u);
    EXPECT_EQ(second.front(), static_cast<int16_t>(first.back() + 1))
        << "no scan twice, none missed";
    EXPECT_EQ(blockCodes(other.ask("FETC:SCAN?")).size(), 3600u) << "its own position";
    EXPECT_EQ(client.ask("FETC:SCAN?;:FETC:LOST?"), "") << "nothing new: it waits for a block";
    deliver(1);
    instrument->poll();
    const std::string waited = client.output.take();
    EXPECT_EQ(waited.substr(0, 6), "#42400") << "the block that came";
    EXPECT_EQ(waited.substr(waited.size() - 3), ";0\n") << "then the rest of the line";
    EXPECT_EQ(client.ask("FETC:SCAN?"), "");
    clock.time += Instrument::FetchWait;
    instrument->poll();
    EXPECT_EQ(client.output.take(), "#10\n") << "no block within the wait: an empty block";

    client.ask("ABOR");
    EXPECT_EQ(client.ask("FETC:SCAN?"), "#10\n") << "stopped: nothing new, at once";
    client.ask("INIT");
    client.ask("FORM:DATA ASC");
    EXPECT_EQ(client.ask("FORM?"), "ASC\n");
    deliver(1);
    const std::string text = client.ask("FETC:SCAN?");
    EXPECT_THAT(text, StartsWith("4800,4801,4802,"));
    EXPECT_EQ(std::count(text.begin(), text.end(), ','), 1199);
    client.ask("FORM INT,16");
    EXPECT_EQ(client.ask("FORM:DATA?"), "INT,16\n");
    client.ask("FORM INT,8");
    EXPECT_EQ(client.ask("SYST:ERR?"), "-222,\"Data out of range;the codes are 16-bit\"\n");
}

TEST_F(InstrumentFixture, ScansTheRingNoLongerHoldsAreLostNeverServedTwice) {
    client.ask("INIT");
    deliver(1);
    client.ask("FETC:SCAN?");
    for (int i = 0; i < 25; ++i) deliver(1);  // the ring holds 20 of them
    const auto codes = blockCodes(client.ask("FETC:SCAN?"));
    EXPECT_EQ(codes.size(), 20u * 1200);
    EXPECT_EQ(codes.front(), static_cast<int16_t>(6 * 1200));
    EXPECT_EQ(client.ask("FETC:LOST?"), "1500\n") << "five blocks of 300 scans";

    card.adResults = {0};
    deliver(1);
    deliver(1);
    client.ask("FETC:SCAN?");
    EXPECT_EQ(client.ask("FETC:LOST?;:ACQ:LOST?"), "300;1\n") << "a block the card lost too";

    deliver(2);
    client.ask("ABOR;INIT");
    deliver(1);
    EXPECT_EQ(blockCodes(client.ask("FETC:SCAN?")).size(), 1200u) << "a new run starts afresh";
    EXPECT_EQ(client.ask("FETC:LOST?"), "600\n") << "what it never fetched of the last run";
}

TEST_F(InstrumentFixture, DigitalOutputsOnlyWithinRangeAndTheInputWords) {
    card.clearCalls();
    client.ask("DIG:OUTP:BYTE 1,255;BIT 15,1;:DIGital:OUTPut:BYTE 0,#H5A");
    EXPECT_THAT(card.callsNamed("Tqv_DO"), ElementsAre("Tqv_DO 1 255 -> 0", "Tqv_DO 0 90 -> 0"));
    EXPECT_THAT(card.callsNamed("Tqv_DOBit"), ElementsAre("Tqv_DOBit 15 1 -> 0"));
    card.clearCalls();
    for (const char* line : {"DIG:OUTP:BYTE 2,0", "DIG:OUTP:BYTE -1,0", "DIG:OUTP:BYTE 0,256",
                             "DIG:OUTP:BIT 16,1", "DIG:OUTP:BIT 0,2", "DIG:OUTP:BIT 0,0.5"}) {
        client.ask(line);
        EXPECT_EQ(client.ask("SYST:ERR?").substr(0, 5), "-222,") << line;
    }
    EXPECT_THAT(card.calls, IsEmpty()) << "nothing sent";
    card.inputWords = std::array<int16_t, 6>{165, 3, 0, 4660, -1, 128};
    EXPECT_EQ(client.ask("DIG:INP?"), "165,3,0,4660,65535,128\n");
}

TEST_F(InstrumentFixture, MeasurementsOverTheNewest600MsInTheChannelsUnit) {
    EXPECT_EQ(client.ask("MEAS:MIN? (@0)"), "9.91E37\n") << "nothing stored yet";
    // Channel c of every scan holds 100 × c + 1, the flat line of a dead input.
    card.fillBlock = [](int16_t* block) {
        for (int i = 0; i < 1200; ++i) block[1 + i] = static_cast<int16_t>(100 * (i % 4) + 1);
    };
    client.ask("INIT");
    deliver(2);
    EXPECT_EQ(client.ask("MEAS:MIN? (@0:3);:MEAS:PTP? (@2);FREQ? (@1);DCYC? (@1)"),
              "1,101,201,301;0;9.91E37;9.91E37\n");
    EXPECT_EQ(client.ask("MEAS:RMS? (@3,1)"), "301,101\n");

    // A falling line: code 0 reads 1 V, code 2 reads 0 V.
    InstrumentSettings scaled = settings();
    scaled.channelSetup.setChannel(
        1, {"Bias", "V",
            std::get<channels::Calibration>(channels::Calibration::fromPoints({0, 1.0}, {2, 0.0}))});
    Instrument inVolts(session, host, nullptr, scaled);
    Client volts(inVolts);
    EXPECT_EQ(volts.ask("MEAS:MEAN? (@1);MIN? (@1);RMS? (@1)"), "-49.5;-49.5;49.5\n");
}

TEST_F(InstrumentFixture, RecordingIsRefusedWithoutAFolderAndBadNamesAlways) {
    client.ask("REC:STAR \"run.wav\"");
    EXPECT_EQ(client.ask("SYST:ERR?"),
              "-221,\"Settings conflict;no recording folder was given (--record-dir)\"\n");
    for (const char* name :
         {"\"../run.wav\"", "\"a/run.wav\"", "\"run.txt\"", "\"\"", "\"..wav\""}) {
        client.ask(std::string("REC:STAR ") + name);
        EXPECT_EQ(client.ask("SYST:ERR?").substr(0, 5), "-224,") << name;
    }
    EXPECT_EQ(client.ask("REC:STAT?;GAPS?"), "0;0\n");
}

// A recording into the folder given: the recorder's own file, named once its first block
// is on disk; a name already taken is the name's error and leaves that file alone.
TEST_F(InstrumentFixture, RecordingsGoIntoTheFolderAndNeverOverAnExistingFile) {
    const test::ScratchFolder folder;
    FolderRecording recording(session, host,
                              {folder.path(), "libadcard.so", "tqv-serve", "1.2.3", {}});
    Instrument recorded(session, host, &recording, settings());
    Client recorder(recorded);
    EXPECT_EQ(recorder.ask("REC:STAR \"run.wav\";:INIT;:REC:STAT?"), "1\n");
    deliver(3);
    EXPECT_EQ(recorder.ask("REC:STOP;STAT?;GAPS?;:SYST:ERR?"), "0;0;0,\"No error\"\n");
    const auto size = std::filesystem::file_size(folder / "run.wav");
    EXPECT_EQ(size, 80u + 3 * 1200 * 2) << "the header and three blocks";
    EXPECT_TRUE(std::filesystem::exists(folder / "run.wav.json"));

    recorder.ask("REC:STAR \"run.wav\"");
    EXPECT_THAT(recorder.ask("REC:STAT?;:SYST:ERR?"), StartsWith("0;-257,\"File name error;"));
    EXPECT_EQ(std::filesystem::file_size(folder / "run.wav"), size);
}

TEST_F(InstrumentFixture, ResetStopsAcquisitionAndRestoresTheFormatOutputsUntouched) {
    client.ask("INIT;FORM ASC");
    card.clearCalls();
    client.ask("*RST");
    EXPECT_FALSE(session.running());
    EXPECT_EQ(client.ask("FORM?"), "INT,16\n");
    EXPECT_THAT(card.callsNamed("Tqv_DO"), IsEmpty());
    EXPECT_THAT(card.callsNamed("Tqv_DOBit"), IsEmpty());
}

TEST_F(InstrumentFixture, SelfTestOnAnIdleCardAcquiresItsOwnRunAndStopsIt) {
    card.identityReply = std::array<uint8_t, 5>{52, 0, 2, 5, 1};
    card.fillBlock = [n = 0](int16_t* block) mutable {
        for (int i = 1; i <= 1200; ++i) block[i] = static_cast<int16_t>(n++ % 1000);
    };
    std::vector<SelfTestOutcome> told;
    instrument->onSelfTest = [&](const SelfTestOutcome& outcome) { told.push_back(outcome); };
    EXPECT_EQ(client.ask("*TST?;*IDN?"), "") << "waits for its run";
    EXPECT_TRUE(session.running());
    EXPECT_FALSE(client.session.wantsInput());
    clock.time += std::chrono::milliseconds(990);
    deliver(33);
    instrument->poll();
    EXPECT_EQ(client.output.take(), "") << "the run is not over";
    clock.time += std::chrono::milliseconds(10);
    instrument->poll();
    EXPECT_EQ(client.output.take(), "0;TQV,TQV5200-1,0,1.2.3\n");
    EXPECT_FALSE(session.running());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].passed) << told[0].results[1].summary;

    // While acquiring, it judges the running acquisition and leaves it running.
    client.ask("INIT");
    clock.time += std::chrono::seconds(1);
    deliver(30);
    EXPECT_EQ(client.ask("*TST?"), "1\n") << "30 blocks where the clock allows 33";
    EXPECT_TRUE(session.running());
    EXPECT_THAT(told.back().results[1].summary, ::testing::HasSubstr("30 blocks in 1.00 s"));
}

}  // namespace
}  // namespace tqv::instrument
