// Landing detection on flights recorded in the virtual simulator, checked against its
// per-frame trace: a touch-and-go followed by a full-stop circuit landing, and a hard
// landing that bounces once. Times, sink rates, speeds, attitudes, bounce heights and
// roll-outs must agree with what the simulated aircraft did frame by frame.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "recording/frcformat.h"
#include "tests/support/frc_helpers.h"
#include "tools/kestrel-frc/geo.h"
#include "tools/kestrel-frc/landings.h"
#include "tools/kestrel-host/runner.h"

namespace {

const double FrameSeconds = 1.0 / 30.0;
const double FpmPerFootPerSecond = 60.0;
const double KnotsPerFootPerSecond = 3600.0 * 0.3048 / 1852.0;

// One row of the user's aircraft in the trace.
struct Frame {
    double time, latitude, longitude, altitude, pitch, bank, velocityX, velocityY, velocityZ;
    bool onGround;
};

std::vector<Frame> ReadTrace(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);  // the header
    std::vector<Frame> frames;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream cells(line);
        std::string cell;
        while (f.size() < 13 && std::getline(cells, cell, ',')) f.push_back(cell);
        if (f.size() < 13 || f[2] != "1") continue;  // object 1 is the user's aircraft
        auto d = [&](int i) { return std::stod(f[i]); };
        frames.push_back({d(1), d(3), d(4), d(5), d(6), d(7), d(10), d(11), d(12), f[9] == "1"});
    }
    return frames;
}

// Records the user's aircraft flying the plan until it is parked again; the recording
// and the trace of every frame.
struct Flown {
    frc::Recording recording;
    std::string path;
    std::vector<Frame> trace;
};

Flown FlyAndRecord(const std::string& plan, double seconds) {
    std::string folder = frctest::TempFolder("landings-" + plan);
    RunnerOptions options;
    options.root = folder + "/root";
    options.tracePath = folder + "/trace.csv";
    options.echo = false;
    std::string script = "ini SETTINGS NoRecDlg 1\nstart\nflight load\nuser flies " + plan +
                         "\nmenu \"Record...\"\nseconds " + std::to_string(seconds) +
                         "\nkey Esc\nexpect mode ReplayBuffering\n";
    RunResult run = RunScript(script, options);
    EXPECT_TRUE(run.parsed && run.failures == 0) << (run.problems.empty() ? "" : run.problems[0]);
    Flown flown;
    for (const auto& entry : std::filesystem::directory_iterator(options.root + "/C/Sim/Modules"))
        if (entry.path().extension() == ".frc") flown.path = entry.path().string();
    frc::Problem problem;
    EXPECT_TRUE(frc::ReadRecordingFile(flown.path, &flown.recording, &problem)) << problem.what;
    flown.trace = ReadTrace(options.tracePath);
    std::filesystem::remove(options.tracePath);  // megabytes of frames, read now
    return flown;
}

// The frames where the trace's on-ground flag changes, in order.
std::vector<size_t> Changes(const std::vector<Frame>& trace) {
    std::vector<size_t> changes;
    for (size_t i = 1; i < trace.size(); ++i)
        if (trace[i].onGround != trace[i - 1].onGround) changes.push_back(i);
    return changes;
}

// Checks a landing against the trace's touchdown frame: time (through the offset of
// the recording's clock to the trace's), sink rate of the last frame in the air, speed
// and attitude at contact.
void ExpectTouchdown(const Landing& landing, const std::vector<Frame>& trace, size_t contact, double offset) {
    const Frame& f = trace[contact];
    EXPECT_NEAR(landing.seconds + offset, f.time, FrameSeconds / 2);
    EXPECT_NEAR(landing.verticalSpeedFpm, trace[contact - 1].velocityY * FpmPerFootPerSecond, 0.5);
    EXPECT_NEAR(landing.groundSpeedKnots, std::hypot(f.velocityX, f.velocityZ) * KnotsPerFootPerSecond, 0.05);
    EXPECT_NEAR(landing.pitchDegrees, -f.pitch, 0.01);
    EXPECT_NEAR(landing.bankDegrees, -f.bank, 0.01);
    EXPECT_NEAR(landing.latitude, f.latitude, 1e-6);
    EXPECT_NEAR(landing.longitude, f.longitude, 1e-6);
}

// The distance the trace's aircraft covers from the contact frame until it is on the
// ground at taxi speed.
double TraceRollout(const std::vector<Frame>& trace, size_t contact) {
    double meters = 0;
    for (size_t i = contact + 1; i < trace.size(); ++i) {
        meters += DistanceMeters(trace[i - 1].latitude, trace[i - 1].longitude, trace[i].latitude, trace[i].longitude);
        if (trace[i].onGround && std::hypot(trace[i].velocityX, trace[i].velocityZ) * KnotsPerFootPerSecond <= TaxiSpeedKnots)
            return meters;
    }
    return -1;
}

TEST(FrcLandings, TouchAndGoThenFullStopLandingAgreeWithTheTrace) {
    Flown flown = FlyAndRecord("touch-and-go", 840);
    ASSERT_EQ(flown.recording.tracks.size(), 1u);
    std::vector<size_t> changes = Changes(flown.trace);
    // Lift-off, touch-and-go contact, lift-off again, the final touchdown.
    ASSERT_EQ(changes.size(), 4u);

    FlightEvents events = FindFlightEvents(flown.recording.tracks[0]);
    ASSERT_EQ(events.takeOffs.size(), 2u);
    ASSERT_EQ(events.landings.size(), 2u);
    double offset = flown.trace[changes[0]].time - events.takeOffs[0].seconds;
    EXPECT_NEAR(offset, 0.0, 0.5);  // the recording began with the flight
    EXPECT_NEAR(events.takeOffs[1].seconds + offset, flown.trace[changes[2]].time, FrameSeconds / 2);
    const Frame& liftOff = flown.trace[changes[2]];
    EXPECT_NEAR(events.takeOffs[1].groundSpeedKnots, std::hypot(liftOff.velocityX, liftOff.velocityZ) * KnotsPerFootPerSecond,
                0.05);

    const Landing& touchAndGo = events.landings[0];
    ExpectTouchdown(touchAndGo, flown.trace, changes[1], offset);
    EXPECT_TRUE(touchAndGo.touchAndGo);
    EXPECT_LT(touchAndGo.rolloutMeters, 0);  // never slowed to taxi speed
    EXPECT_TRUE(touchAndGo.bounces.empty());  // five seconds on the runway and minutes away: no bounce

    const Landing& fullStop = events.landings[1];
    ExpectTouchdown(fullStop, flown.trace, changes[3], offset);
    EXPECT_FALSE(fullStop.touchAndGo);
    EXPECT_TRUE(fullStop.bounces.empty());
    EXPECT_NEAR(fullStop.rolloutMeters, TraceRollout(flown.trace, changes[3]), 3.0);
    EXPECT_LT(fullStop.verticalSpeedFpm, -50);  // a flared landing, not a level touch
    EXPECT_GT(fullStop.verticalSpeedFpm, -200);
}

TEST(FrcLandings, HardLandingBouncesOnceAndTheCommandsListIt) {
    Flown flown = FlyAndRecord("bounce", 420);
    std::vector<size_t> changes = Changes(flown.trace);
    // Lift-off, hard contact, the bounce's lift-off, the touchdown that stays down.
    ASSERT_EQ(changes.size(), 4u);

    FlightEvents events = FindFlightEvents(flown.recording.tracks[0]);
    ASSERT_EQ(events.takeOffs.size(), 1u);  // the bounce is no take-off
    ASSERT_EQ(events.landings.size(), 1u);
    double offset = flown.trace[changes[0]].time - events.takeOffs[0].seconds;
    const Landing& landing = events.landings[0];
    ExpectTouchdown(landing, flown.trace, changes[1], offset);
    EXPECT_LT(landing.verticalSpeedFpm, -400);

    ASSERT_EQ(landing.bounces.size(), 1u);
    const Bounce& bounce = landing.bounces[0];
    EXPECT_NEAR(bounce.liftOffSeconds + offset, flown.trace[changes[2]].time, FrameSeconds / 2);
    EXPECT_NEAR(bounce.touchdownSeconds + offset, flown.trace[changes[3]].time, FrameSeconds / 2);
    EXPECT_NEAR(bounce.verticalSpeedFpm, flown.trace[changes[3] - 1].velocityY * FpmPerFootPerSecond, 0.5);
    double top = 0;
    for (size_t i = changes[2]; i < changes[3]; ++i) top = std::max(top, flown.trace[i].altitude);
    // The highest sample, not the highest frame: within what a quarter second moves at the top.
    EXPECT_NEAR(bounce.heightFeet, (top - flown.trace[changes[1]].altitude) / 0.3048, 0.3);
    // The roll-out counts from the first contact, over the bounce.
    EXPECT_NEAR(landing.rolloutMeters, TraceRollout(flown.trace, changes[1]), 3.0);

    frctest::Run run = frctest::RunFrc("landings --json " + flown.path);
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json list = nlohmann::json::parse(run.out);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["event"], "take-off");
    const nlohmann::json& json = list[1];
    EXPECT_EQ(json["event"], "landing");
    EXPECT_EQ(json["track"], 1);
    EXPECT_NEAR(json["time_s"].get<double>(), landing.seconds, 1e-4);
    EXPECT_NEAR(json["vertical_speed_fpm"].get<double>(), landing.verticalSpeedFpm, 0.05);
    EXPECT_NEAR(json["pitch_deg"].get<double>(), landing.pitchDegrees, 0.005);
    EXPECT_NEAR(json["bounces"][0]["touchdown_s"].get<double>(), bounce.touchdownSeconds, 1e-4);
    EXPECT_NEAR(json["rollout_m"].get<double>(), landing.rolloutMeters, 0.05);
    EXPECT_EQ(json["touch_and_go"], false);

    // info names the first landing of each track on one line.
    frctest::Run info = frctest::RunFrc("info " + flown.path);
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("\n  first landing " + LandingLine(landing, flown.recording.header.date) + "\n"),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find(", 1 bounce\n"), std::string::npos) << info.out;

    frctest::Run bad = frctest::RunFrc("landings --track 2 " + flown.path);
    EXPECT_EQ(bad.status, 2);
}

}  // namespace
