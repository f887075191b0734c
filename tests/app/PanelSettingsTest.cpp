// What the window programs remember, read back as it was written; a file that cannot be
// read or that a newer version wrote is set aside and the defaults used; a value that
// makes no sense is left at its default. And where the scope opens.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "app/PanelSettings.h"
#include "app/WindowPlacement.h"
#include "files/qt/QtFileNames.h"

namespace tqv::app {
namespace {

struct Scratch {
    QTemporaryDir folder;
    std::filesystem::path file() const {
        return files::qt::toPath(folder.filePath(QStringLiteral("tqv-multibuf/settings.ini")));
    }
    void write(const std::string& text) const {
        std::filesystem::create_directories(file().parent_path());
        std::ofstream(file()) << text;
    }
    int setAside() const {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(file().parent_path())) {
            count += entry.path().filename().string().starts_with("settings.ini.set-aside-");
        }
        return count;
    }
};

TEST(PanelSettings, WhatWasSavedIsRestored) {
    const Scratch scratch;
    const PanelSettings settings(scratch.file());
    EXPECT_EQ(settings.load().setup, RememberedSetup()) << "no file: the defaults";
    RememberedSetup setup;
    setup.spanMs = 20;
    setup.trigger.mode = scope::TriggerMode::Normal;
    setup.trigger.source = 2;
    setup.trigger.slope = scope::Slope::Falling;
    setup.trigger.level = -1234;
    setup.trigger.position = 0.25;
    setup.fit = {true, false, true, false};
    setup.cursors = true;
    setup.panelPlace = QPoint(40, 60);
    setup.scopeFrame = QRect(600, 60, 800, 600);
    setup.saveFolder = QStringLiteral("/data/ring");
    setup.recordFolder = QStringLiteral("/data/runs");
    setup.channelSetupFile = QStringLiteral("/data/bench.json");
    ASSERT_EQ(settings.save(setup), std::nullopt);
    const auto loaded = settings.load();
    EXPECT_EQ(loaded.message, "");
    EXPECT_EQ(loaded.setup, setup);
}

TEST(PanelSettings, AFileOfANewerVersionOrNoneAtAllIsSetAside) {
    for (const auto& [text, why] :
         {std::pair<std::string, std::string>{"version=2\n[scope]\nspan_ms=20\n", "newer version"},
          {std::string("\x00\x01\xff\xfe garbage\n", 14), "says no version"}}) {
        const Scratch scratch;
        scratch.write(text);
        const auto loaded = PanelSettings(scratch.file()).load();
        EXPECT_EQ(loaded.setup, RememberedSetup());
        EXPECT_NE(loaded.message.find(why), std::string::npos) << loaded.message;
        EXPECT_NE(loaded.message.find("set aside as"), std::string::npos) << loaded.message;
        EXPECT_FALSE(std::filesystem::exists(scratch.file()));
        EXPECT_EQ(scratch.setAside(), 1);
    }
}

TEST(PanelSettings, ValuesThatMakeNoSenseKeepTheirDefaults) {
    const Scratch scratch;
    scratch.write(
        "version=1\n[scope]\nspan_ms=3\ntrigger_mode=7\ntrigger_source=9\n"
        "trigger_level=40000\ntrigger_position_percent=200\nfit_0=maybe\n"
        "frame=@Rect(0 0 -5 -5)\n");
    const auto loaded = PanelSettings(scratch.file()).load();
    EXPECT_EQ(loaded.message, "");
    EXPECT_EQ(loaded.setup, RememberedSetup());
}

TEST(WindowPlacement, BesideThePanelWhereItFitsElseClearOfItsButtons) {
    const QRect screen(0, 0, 1920, 1080);
    const QRect panel(100, 100, 539, 420);
    const std::vector<QRect> buttons{QRect(382, 481, 62, 30), QRect(575, 478, 62, 30),
                                     QRect(100 + 180, 100 + 318, 51, 22)};
    EXPECT_EQ(scopePlace(panel, buttons, {800, 600}, {500, 400}, screen),
              QRect(100 + 539 + WindowGap, 100, 800, 600));
    const QRect right(1300, 100, 539, 420);
    EXPECT_EQ(scopePlace(right, buttons, {800, 600}, {500, 400}, screen),
              QRect(1300 - WindowGap - 800, 100, 800, 600));

    // A small screen: nothing fits beside; the scope covers no button.
    const QRect small(0, 0, 1024, 768);
    const QRect corner(0, 0, 539, 420);
    const std::vector<QRect> lower{QRect(282, 381, 62, 30), QRect(375, 378, 62, 30),
                                   QRect(474, 375, 62, 30), QRect(180, 318, 51, 22),
                                   QRect(480, 330, 51, 34)};
    const QRect place = scopePlace(corner, lower, {960, 640}, {700, 300}, small);
    EXPECT_TRUE(small.contains(place));
    for (const QRect& button : lower) EXPECT_FALSE(place.intersects(button)) << button.x();
    EXPECT_GE(place.width(), 700);
    EXPECT_GE(place.height(), 300);
}

TEST(WindowPlacement, ARememberedPlaceOffEveryScreenIsNoPlace) {
    const std::vector<QRect> screens{QRect(0, 0, 1920, 1080)};
    EXPECT_TRUE(onSomeScreen(QRect(1500, 100, 800, 600), screens)) << "partly off, title on";
    EXPECT_FALSE(onSomeScreen(QRect(2000, 100, 800, 600), screens)) << "a second monitor gone";
    EXPECT_FALSE(onSomeScreen(QRect(100, -200, 800, 600), screens)) << "title above the top";
}

}  // namespace
}  // namespace tqv::app
