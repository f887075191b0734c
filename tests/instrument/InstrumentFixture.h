// The instrument on the scripted card, with a hand-moved clock, a host that starts and
// stops the session itself, and clients whose answers land in strings.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "instrument/AcquisitionHost.h"
#include "instrument/ClientSession.h"
#include "instrument/Instrument.h"
#include "session/CardSession.h"
#include "tests/support/FakeCard.h"
#include "tests/support/ManualClock.h"

namespace tqv::instrument {

struct StringOutput final : ClientOutput {
    std::string written;
    std::size_t unread = 0;
    void write(std::string_view bytes) override { written.append(bytes); }
    std::size_t pending() const override { return unread; }
    // What the client read since it last looked.
    std::string take() { return std::exchange(written, {}); }
};

struct SessionHost final : AcquisitionHost {
    explicit SessionHost(session::CardSession& s) : session(s) {}
    std::optional<std::string> start() override {
        ++starts;
        if (const auto failure = session.start(parameters))
            return session::startFailureText(*failure);
        return std::nullopt;
    }
    void stop() override {
        ++stops;
        session.stop();
    }
    session::StartParameters startParameters() const override { return parameters; }

    session::CardSession& session;
    session::StartParameters parameters = session::PanelStart;
    int starts = 0;
    int stops = 0;
};

struct Client {
    Client(Instrument& instrument) : session(instrument, output) {}
    // Sends one line and returns what came back.
    std::string ask(const std::string& line) {
        session.receive(line + "\n");
        session.run();
        return output.take();
    }
    StringOutput output;
    ClientSession session;
};

struct InstrumentFixture : ::testing::Test {
    test::FakeCard card;
    test::ManualClock clock;
    session::CardSession session{card, clock};
    SessionHost host{session};
    InstrumentSettings settings() {
        InstrumentSettings s;
        s.version = "1.2.3";
        return s;
    }
    std::unique_ptr<Instrument> instrument =
        std::make_unique<Instrument>(session, host, nullptr, settings());
    Client client{*instrument};

    // The card reports `count` blocks complete and the session fetches them, as a poll does.
    void deliver(int16_t count) {
        card.queryResults.push_back(count);
        session.fetch(session.queryBuf());
    }
};

}  // namespace tqv::instrument
