// The playback position (AdvancePlayback: speeds, gaps, backward search, loops, the
// end, the control window's caption and slider) and the interpolation between samples
// (InterpolateSample: blending rules, refusals, the window sliding through a file).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "module/dispatch.h"
#include "module/simlink.h"
#include "playback/position.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "tests/support/playback_helpers.h"
#include "ui/controlwindow.h"
#include "vsim/sim/simconnect_data.h"

namespace {

// ---- AdvancePlayback ----

// A fresh position state: the module is idle, so reaching the end stops nothing.
void ResetPosition(uint32_t timeline, uint32_t start = 0, uint32_t end = 0xF0000000u) {
    ModuleMode = Idle;
    Timeline = timeline;
    PlaybackStart = start;
    PlaybackEnd = end;
    SpeedPercent = 100;
    LoopEnabled = 0;
    PositionJumped = 0;
    FrameClock = 50000;
    LastPlaybackClock = 50000;
    LastFrameDelta = 0;
}

bool Step(uint32_t frameTime) {
    FrameClock += frameTime;
    return AdvancePlayback();
}

TEST(AdvancePlayback, MovesByTheFrameStepTimesTheSpeed) {
    ResetPosition(1000);
    EXPECT_TRUE(Step(333));
    EXPECT_EQ(Timeline, 1333u);
    EXPECT_EQ(LastFrameDelta, 333u);
    EXPECT_EQ(LastPlaybackClock, 50333u);
    EXPECT_TRUE(Step(334));
    EXPECT_EQ(Timeline, 1667u);

    SpeedPercent = 33;
    Step(333);
    EXPECT_EQ(Timeline, 1667u + 109u) << "(33 * 333) / 100 rounded down";
    SpeedPercent = 1000;
    Step(333);
    EXPECT_EQ(Timeline, 1776u + 3330u);
    SpeedPercent = 10;
    Step(334);
    EXPECT_EQ(Timeline, 5106u + 33u);
    SpeedPercent = 0;
    Step(333);
    EXPECT_EQ(Timeline, 5139u) << "speed 0 holds the position";
    EXPECT_EQ(PositionJumped, 0u);
}

TEST(AdvancePlayback, ALongGapAdvancesByTheLastOrdinaryStep) {
    ResetPosition(10000);
    Step(334);
    Step(7000);
    EXPECT_EQ(Timeline, 10000u + 334u + 334u) << "a stall of 7000 counts as the previous frame, not 7000";
    EXPECT_EQ(LastFrameDelta, 334u) << "the gap is not remembered as a step";
    EXPECT_EQ(LastPlaybackClock, FrameClock);
    Step(5000);
    EXPECT_EQ(Timeline, 10668u + 334u) << "5000 is already a gap";
    Step(4999);
    EXPECT_EQ(Timeline, 11002u + 4999u);
    EXPECT_EQ(LastFrameDelta, 4999u);

    // The clock wraps at 2^32: the difference is taken unsigned.
    ResetPosition(10000);
    LastPlaybackClock = 0xFFFFFF00u;
    FrameClock = 0x100;
    EXPECT_TRUE(AdvancePlayback());
    EXPECT_EQ(Timeline, 10512u);

    // The first frame of the first playback sees no ordinary step yet.
    ResetPosition(0, 30000);
    FrameClock = 1234567;
    AdvancePlayback();
    EXPECT_EQ(Timeline, 30000u) << "raised to the start";
    EXPECT_EQ(PositionJumped, 1u);
}

TEST(AdvancePlayback, BackwardSearchFallsToZeroThenToTheStart) {
    ResetPosition(20000, 4000);
    SpeedPercent = -500;
    Step(333);
    EXPECT_EQ(Timeline, 20000u - 1665u);
    EXPECT_EQ(PositionJumped, 0u);

    Timeline = 5000;
    Step(333);
    EXPECT_EQ(Timeline, 4000u) << "below the start: raised to it";
    EXPECT_EQ(PositionJumped, 1u);

    PositionJumped = 0;
    Timeline = 1000;
    Step(333);
    EXPECT_EQ(Timeline, 4000u) << "a step back past 0 gives 0, then the start";
    EXPECT_EQ(PositionJumped, 1u);

    // With the start at 0 the position rests at 0 without a jump.
    ResetPosition(1665, 0);
    SpeedPercent = -500;
    FrameClock += 333;
    LastFrameDelta = 333;
    AdvancePlayback();
    EXPECT_EQ(Timeline, 0u);
    Step(333);
    EXPECT_EQ(Timeline, 0u);
    EXPECT_EQ(PositionJumped, 0u);
}

TEST(AdvancePlayback, LoopRepeatsItsStretch) {
    ResetPosition(299333, 0, 1000000);
    LoopEnabled = 1;
    LoopStartTime = 200000;
    LoopEndTime = 300000;
    Step(333);
    EXPECT_EQ(Timeline, 299666u);
    Step(334);
    EXPECT_EQ(Timeline, 200000u) << "reaching the loop end exactly wraps";
    EXPECT_EQ(PositionJumped, 1u);

    // Turned on while the position is at 5 s: inside the loop by the next frame.
    ResetPosition(50000, 0, 1000000);
    LoopEnabled = 1;
    LoopStartTime = 200000;
    LoopEndTime = 300000;
    Step(333);
    EXPECT_EQ(Timeline, 200000u);
    EXPECT_EQ(PositionJumped, 1u);

    // A jump past the playback's end wraps into the loop instead of ending.
    Timeline = 1200000;
    EXPECT_TRUE(Step(333));
    EXPECT_EQ(Timeline, 200000u);

    // Off, the loop end is passed freely.
    ResetPosition(299800, 0, 1000000);
    LoopStartTime = 200000;
    LoopEndTime = 300000;
    Step(333);
    EXPECT_EQ(Timeline, 300133u);
}

TEST(AdvancePlayback, EndsInTheFrameThatReachesTheEnd) {
    ResetPosition(99334, 0, 100000);
    EXPECT_TRUE(Step(333));
    EXPECT_EQ(Timeline, 99667u);
    EXPECT_FALSE(Step(333));
    EXPECT_EQ(Timeline, 100000u);

    // Nothing loaded: the span is empty and the first frame ends the playback.
    ResetPosition(0, 0xFFFFFFFFu, 0);
    EXPECT_FALSE(Step(333));
}

class PositionDisplay : public PlaybackTest {};

TEST_F(PositionDisplay, CaptionAndSliderFollowThePosition) {
    ASSERT_TRUE(StartModule());
    ASSERT_NE(ControlWindow, nullptr);
    char caption[80];
    auto slider = [] { return (int)SendDlgItemMessageA(ControlWindow, CtlSlider, TBM_GETPOS, 0, 0); };

    ModuleMode = Playing;
    PlaybackStart = 10000;
    PlaybackEnd = 1010000;  // 100 s
    SpeedPercent = 0;       // the position stays where it is set
    LoopEnabled = 0;
    LastPlaybackClock = FrameClock;
    Timeline = 10000 + 357142;
    EXPECT_TRUE(AdvancePlayback());
    GetWindowTextA(ControlWindow, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Playback 35 / 100 seconds");
    EXPECT_EQ(slider(), 124) << "357142 * 350 / 1000000 = 124.9997, truncated";

    Timeline = 1010000 - 1;
    AdvancePlayback();
    GetWindowTextA(ControlWindow, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Playback 99 / 100 seconds");
    EXPECT_EQ(slider(), 349);

    ModuleMode = PlayingTraffic;
    Timeline = 10000;
    AdvancePlayback();
    GetWindowTextA(ControlWindow, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Playback 0 / 100 seconds");
    EXPECT_EQ(slider(), 0);

    ModuleMode = RecordingWithTraffic;
    Timeline = 510000;
    AdvancePlayback();
    GetWindowTextA(ControlWindow, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Playback 50 / 100 seconds");
    EXPECT_EQ(slider(), 175);

    // The replay counts the seconds still to go.
    ModuleMode = Replaying;
    Timeline = 10000 + 357142;
    AdvancePlayback();
    GetWindowTextA(ControlWindow, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Replay 64 seconds");
    EXPECT_EQ(slider(), 124);
    ModuleMode = Idle;
}

TEST_F(PositionDisplay, AOneSecondRecordingPlaysThirtyFramesAndEndsOnTheThirtyFirst) {
    ASSERT_TRUE(StartModule());
    PutRecording("C:\\Sim\\Recs\\one.frc", {LineTrack("One Second", 20000, 30000)});
    ASSERT_TRUE(Play({"C:\\Sim\\Recs\\one.frc"}));
    ASSERT_EQ(ModuleMode, (uint32_t)Playing);
    uint32_t user = UserObjectId;
    unsigned before = vsim::DataSetCount(user);

    Frames(1);
    EXPECT_EQ(Timeline, 20000u) << "the first frame starts at the recording's start";
    uint32_t clockAtStart = FrameClock;
    Frames(29);
    EXPECT_EQ(ModuleMode, (uint32_t)Playing);
    EXPECT_EQ(Timeline, 20000u + (FrameClock - clockAtStart)) << "the position follows the frame clock";
    EXPECT_GT(Timeline, 29600u);
    EXPECT_EQ(vsim::DataSetCount(user) - before, 30u);
    Frames(1);
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering) << "30 frames are exactly one second";
    EXPECT_EQ(vsim::DataSetCount(user) - before, 30u) << "the frame that reaches the end applies nothing";
}

// ---- InterpolateSample ----

// A playback track in memory holding these samples, positioned at the first.
Track MemoryTrack(const std::vector<FullSample>& samples, uint32_t groups) {
    Track track;
    EXPECT_TRUE(OpenTrack(&track, (uint32_t)samples.size() + 4, nullptr, 0, groups, "memory", 7, 250, 1));
    for (const FullSample& sample : samples) EXPECT_TRUE(AppendSample(&track, &sample));
    track.readMode = 1;
    track.position = 0;
    track.bufferIndex = 0;
    return track;
}

// Fields the interpolation leaves alone keep the pattern 0xBE.
FullSample Interpolated(Track* track, uint32_t t) {
    FullSample out;
    memset(&out, 0xBE, sizeof(out));
    EXPECT_TRUE(InterpolateSample(track, t, &out)) << "t = " << t;
    return out;
}

TEST(InterpolateSample, AnglesBlendTheShorterWayRound) {
    FullSample s0 = SampleAt(0), s1 = SampleAt(10000);
    SetSampleU32(&s0, FieldHeading, DegreesToAngle(350.0));
    SetSampleU32(&s1, FieldHeading, DegreesToAngle(10.0));
    SetSampleI32(&s0, FieldBank, (int32_t)DegreesToAngle(-179.0));
    SetSampleI32(&s1, FieldBank, (int32_t)DegreesToAngle(179.0));
    SetSampleI32(&s0, FieldPitch, (int32_t)DegreesToAngle(-10.0));
    SetSampleI32(&s1, FieldPitch, (int32_t)DegreesToAngle(10.0));
    Track track = MemoryTrack({s0, s1}, 0);

    FullSample half = Interpolated(&track, 5000);
    EXPECT_NEAR(AngleToDegrees((int32_t)GetSampleU32(&half, FieldHeading)), 0.0, 1e-6) << "350 to 10 passes through 0";
    EXPECT_EQ(GetSampleI32(&half, FieldBank), INT32_MIN) << "-179 to 179 passes through 180";
    EXPECT_DOUBLE_EQ(AngleToDegrees(GetSampleI32(&half, FieldBank)), -180.0);
    EXPECT_EQ(GetSampleI32(&half, FieldPitch), 0) << "-10 to 10 passes through 0";
    FullSample quarter = Interpolated(&track, 2500);
    EXPECT_NEAR(AngleToDegrees((int32_t)GetSampleU32(&quarter, FieldHeading)), -5.0, 1e-6);
    EXPECT_NEAR(AngleToDegrees(GetSampleI32(&quarter, FieldBank)), -179.5, 1e-6);
    EXPECT_EQ(GetSampleU32(&half, FieldTime), 5000u) << "the output is stamped with t";
    ReleaseTrackBuffer(&track);
}

TEST(InterpolateSample, PositionBlendsIn64BitsAndTruncatesTowardZero) {
    FullSample s0 = SampleAt(0), s1 = SampleAt(10000);
    SetSampleI64(&s0, FieldLatitude, 3001);
    SetSampleI64(&s1, FieldLatitude, 1000);
    SetSampleI64(&s0, FieldLongitude, INT64_MAX - 10);  // just short of the date line ...
    SetSampleI64(&s1, FieldLongitude, INT64_MIN + 10);  // ... and just past it
    SetSampleI64(&s0, FieldAltitude, (int64_t)10 << 32);
    SetSampleI64(&s1, FieldAltitude, (int64_t)20 << 32);
    SetSampleF64(&s0, FieldVelocityX, 10.0);
    SetSampleF64(&s1, FieldVelocityX, 20.0);
    SetSampleF64(&s0, FieldVelocityY, -1.0);
    SetSampleF64(&s1, FieldVelocityY, 1.0);
    Track track = MemoryTrack({s0, s1}, 0);
    track.heightOffset = -((int64_t)1 << 32);

    FullSample half = Interpolated(&track, 5000);
    EXPECT_EQ(GetSampleI64(&half, FieldLatitude), 2001) << "3001 + trunc(-1000.5)";
    EXPECT_EQ(GetSampleI64(&half, FieldLongitude), INT64_MAX) << "the 64-bit difference wraps: +21 units";
    EXPECT_EQ(GetSampleI64(&half, FieldAltitude), (int64_t)14 << 32) << "15 m, then the height offset of -1 m";
    EXPECT_DOUBLE_EQ(GetSampleF64(&half, FieldVelocityX), 15.0);
    FullSample quarter = Interpolated(&track, 2500);
    EXPECT_DOUBLE_EQ(GetSampleF64(&quarter, FieldVelocityX), 12.5);
    EXPECT_DOUBLE_EQ(GetSampleF64(&quarter, FieldVelocityY), -0.5);
    EXPECT_EQ(GetSampleI64(&quarter, FieldLatitude), 3001 - 500) << "3001 + trunc(-500.25)";
    ReleaseTrackBuffer(&track);
}

TEST(InterpolateSample, LeversBlendSignedSpoilersUnsignedAndTheRestComesFromTheEarlierSample) {
    const uint32_t groups = AllSampleGroups;
    FullSample s0 = SampleAt(0), s1 = SampleAt(4000);
    SetSampleI16(&s0, FieldThrottle1, -4096);  // reverse
    SetSampleI16(&s1, FieldThrottle1, 16384);
    SetSampleI16(&s0, FieldThrottle1 + 6, 0);
    SetSampleI16(&s1, FieldThrottle1 + 6, -3);
    SetSampleI16(&s0, FieldElevator, 16384);
    SetSampleI16(&s1, FieldElevator, -16384);
    SetSampleU16(&s0, FieldSpoilers, 0x4000);
    SetSampleU16(&s1, FieldSpoilers, 0xC000);  // 3.0: read signed it would be negative
    SetSampleI16(&s0, FieldMixture1, 16384);
    SetSampleI16(&s1, FieldMixture1, 0);
    SetSampleI16(&s0, FieldPropeller1 + 6, 8192);
    SetSampleI16(&s1, FieldPropeller1 + 6, 16384);
    // Taken from the earlier sample, however close the later one is.
    SetSampleU8(&s0, FieldFlapsIndex, 1);
    SetSampleU8(&s1, FieldFlapsIndex, 4);
    SetSampleI16(&s0, FieldGear, 0);
    SetSampleI16(&s1, FieldGear, 16384);
    SetSampleU16(&s0, FieldLights, 0x0003);
    SetSampleU16(&s1, FieldLights, 0x03FF);
    SetSampleU8(&s0, FieldParkingBrake, 1);
    SetSampleU8(&s1, FieldParkingBrake, 0);
    SetSampleU8(&s0, FieldEngine1, 0);
    SetSampleU8(&s1, FieldEngine1, 1);
    SetSampleU16(&s0, FieldNav1Frequency, 0x1100);
    SetSampleU16(&s1, FieldNav1Frequency, 0x1135);
    SetSampleU32(&s0, FieldAdfFrequency, 0x03500000);
    SetSampleU32(&s1, FieldAdfFrequency, 0x04000000);
    SetSampleU16(&s0, FieldTransponder, 0x1200);
    SetSampleU16(&s1, FieldTransponder, 0x7000);
    SetSampleU8(&s0, FieldYear, 124);
    SetSampleU8(&s1, FieldYear, 125);
    SetSampleU8(&s0, FieldSmoke, 0);
    SetSampleU8(&s1, FieldSmoke, 1);
    Track track = MemoryTrack({s0, s1}, groups);

    FullSample quarter = Interpolated(&track, 1000);
    EXPECT_EQ(GetSampleI16(&quarter, FieldThrottle1), 1024) << "16384 * 0.25 - 4096 * 0.75";
    EXPECT_EQ(GetSampleI16(&quarter, FieldElevator), 8192);
    EXPECT_EQ(GetSampleU16(&quarter, FieldSpoilers), 0x4000 + 0x2000) << "airborne: linear, unsigned";
    EXPECT_EQ(GetSampleI16(&quarter, FieldMixture1), 12288);
    EXPECT_EQ(GetSampleI16(&quarter, FieldPropeller1 + 6), 10240);
    FullSample half = Interpolated(&track, 2000);
    EXPECT_EQ(GetSampleI16(&half, FieldThrottle1 + 6), -1) << "trunc(-1.5) toward zero";
    EXPECT_EQ(GetSampleU16(&half, FieldSpoilers), 0x8000u);

    FullSample late = Interpolated(&track, 3999);
    EXPECT_EQ(GetSampleU8(&late, FieldFlapsIndex), 1);
    EXPECT_EQ(GetSampleI16(&late, FieldGear), 0);
    EXPECT_EQ(GetSampleU16(&late, FieldLights), 0x0003);
    EXPECT_EQ(GetSampleU8(&late, FieldParkingBrake), 1);
    EXPECT_EQ(GetSampleU8(&late, FieldEngine1), 0);
    EXPECT_EQ(GetSampleU16(&late, FieldNav1Frequency), 0x1100);
    EXPECT_EQ(GetSampleU32(&late, FieldAdfFrequency), 0x03500000u);
    EXPECT_EQ(GetSampleU16(&late, FieldTransponder), 0x1200);
    EXPECT_EQ(GetSampleU8(&late, FieldYear), 124);
    EXPECT_EQ(GetSampleU8(&late, FieldSmoke), 0);
    ReleaseTrackBuffer(&track);

    // Without the groups stored before them, the levers sit further forward in a record.
    SetSampleI16(&s1, FieldMixture1, 8192);
    track = MemoryTrack({s0, s1}, Controls | PropMixture);
    quarter = Interpolated(&track, 1000);
    EXPECT_EQ(GetSampleI16(&quarter, FieldElevator), 8192);
    EXPECT_EQ(GetSampleI16(&quarter, FieldMixture1), 14336);
    EXPECT_EQ(GetSampleI16(&quarter, FieldPropeller1 + 6), 10240);
    ReleaseTrackBuffer(&track);
}

TEST(InterpolateSample, OnGroundNeedsBothSamplesAndKeepsTheSmallerSpoilers) {
    FullSample s0 = SampleAt(0), s1 = SampleAt(10000);
    SetSampleU8(&s0, FieldOnGround, 1);
    SetSampleU8(&s1, FieldOnGround, 0);
    SetSampleU16(&s0, FieldSpoilers, 16384);
    SetSampleU16(&s1, FieldSpoilers, 8192);
    Track track = MemoryTrack({s0, s1}, Spoilers);
    FullSample out = Interpolated(&track, 9900);
    EXPECT_EQ(GetSampleU8(&out, FieldOnGround), 0) << "1 and 0 at f = 0.99";
    out = Interpolated(&track, 5000);
    EXPECT_EQ(GetSampleU16(&out, FieldSpoilers), 12288) << "airborne the spoilers blend";
    ReleaseTrackBuffer(&track);

    SetSampleU8(&s1, FieldOnGround, 1);
    track = MemoryTrack({s0, s1}, Spoilers);
    for (uint32_t t : {0u, 100u, 5000u, 9999u, 10000u}) {
        out = Interpolated(&track, t);
        EXPECT_EQ(GetSampleU8(&out, FieldOnGround), 1);
        EXPECT_EQ(GetSampleU16(&out, FieldSpoilers), 8192) << "on the ground the smaller, at t = " << t;
    }
    ReleaseTrackBuffer(&track);
}

TEST(InterpolateSample, EqualTimesTheLastSampleAndAbsentGroups) {
    std::vector<FullSample> samples;
    for (uint32_t i = 0; i < 5; ++i) {
        uint32_t times[5] = {1000, 1000, 5000, 5000, 9000};
        FullSample s = SampleAt(times[i]);
        SetSampleI64(&s, FieldLatitude, 100 * (i + 1));
        SetSampleU8(&s, FieldFlapsIndex, (uint8_t)(i + 1));
        SetSampleI16(&s, FieldThrottle1, (int16_t)(1000 * (i + 1)));
        samples.push_back(s);
    }
    Track track = MemoryTrack(samples, Flaps);  // no Throttles
    FullSample out = Interpolated(&track, 1000);
    EXPECT_EQ(GetSampleI64(&out, FieldLatitude), 100) << "two samples at one time: the earlier, f = 0";
    EXPECT_EQ(track.position, 0u);
    out = Interpolated(&track, 5000);
    EXPECT_EQ(GetSampleI64(&out, FieldLatitude), 300) << "pair (1000, 5000) gives f = 1";
    EXPECT_EQ(GetSampleU8(&out, FieldFlapsIndex), 2);
    out = Interpolated(&track, 5001);
    EXPECT_EQ(track.position, 3u);
    EXPECT_EQ(GetSampleI64(&out, FieldLatitude), 400);
    EXPECT_EQ(GetSampleU16(&out, FieldThrottle1), 0xBEBE) << "a group the track lacks is not written";

    out = Interpolated(&track, 9000);
    EXPECT_EQ(GetSampleI64(&out, FieldLatitude), 500) << "t at the last sample yields it (the last pair, f = 1)";
    EXPECT_EQ(GetSampleU8(&out, FieldFlapsIndex), 4) << "taken from the pair's earlier sample";
    EXPECT_EQ(track.position, 3u);

    FullSample refused = SampleAt(77);
    EXPECT_FALSE(InterpolateSample(&track, 9001, &refused)) << "after the end";
    EXPECT_FALSE(InterpolateSample(&track, 999, &refused)) << "one unit before the first sample";
    EXPECT_EQ(GetSampleU32(&refused, FieldTime), 77u) << "a refusal writes nothing";
    ReleaseTrackBuffer(&track);
}

TEST(InterpolateSample, RefusesWhatItCannotBlend) {
    FullSample s0 = SampleAt(0), s1 = SampleAt(10000);
    FullSample out;
    Track single = MemoryTrack({s0}, 0);
    EXPECT_FALSE(InterpolateSample(&single, 0, &out)) << "one sample never yields a sample";
    ReleaseTrackBuffer(&single);

    Track track = MemoryTrack({s0, s1}, 0);
    track.readMode = 0;
    EXPECT_FALSE(InterpolateSample(&track, 5000, &out)) << "not a playback track";
    track.readMode = 1;
    track.bufferIndex = track.capacity;
    EXPECT_FALSE(InterpolateSample(&track, 5000, &out)) << "index outside the window";
    track.bufferIndex = 0;
    StoreLE32(track.buffer + track.layout.offsets[BlockTime], 2000);  // the span still starts at 0
    EXPECT_FALSE(InterpolateSample(&track, 1000, &out)) << "before the first record: f outside 0..1";
    EXPECT_TRUE(InterpolateSample(&track, 2000, &out));
    ReleaseTrackBuffer(&track);
    EXPECT_FALSE(InterpolateSample(&track, 5000, &out)) << "no buffer";
}

// A file-backed playback track of `count` samples at times i * 2500 with latitude
// i * 1000, read through windows of 240 records.
class FileTrack : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/kestrel-window-XXXXXX";
        int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        path_ = name;
        TestTrack recorded;
        recorded.groups = Throttles;
        for (uint32_t i = 0; i < Count; ++i) {
            FullSample s = SampleAt(i * 2500);
            SetSampleI64(&s, FieldLatitude, (int64_t)i * 1000);
            SetSampleI16(&s, FieldThrottle1, (int16_t)i);
            recorded.samples.push_back(s);
        }
        std::vector<uint8_t> bytes = RecordingFileBytes({recorded});
        FILE* out = fopen(path_.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        fwrite(bytes.data(), 1, bytes.size(), out);
        fclose(out);
        file_ = fopen(path_.c_str(), "rb");
        ASSERT_NE(file_, nullptr);
        fseek(file_, 18, SEEK_SET);
        ASSERT_TRUE(OpenTrack(&track_, 240, file_, 1, 0, nullptr, 9, 0, 1));
    }
    void TearDown() override {
        ReleaseTrackBuffer(&track_);
        if (file_) fclose(file_);
        unlink(path_.c_str());
    }
    // Latitude at t, checked against the exact blend of the two samples around it.
    int64_t LatitudeAt(uint32_t t) {
        FullSample out;
        EXPECT_TRUE(InterpolateSample(&track_, t, &out)) << "t = " << t;
        return GetSampleI64(&out, FieldLatitude);
    }

    static const uint32_t Count = 1000;
    std::string path_;
    FILE* file_ = nullptr;
    Track track_;
};

TEST_F(FileTrack, WindowSlidesForwardAndBackThroughTheFile) {
    for (uint32_t i = 0; i + 1 < Count; ++i) {
        ASSERT_EQ(LatitudeAt(i * 2500 + 1250), (int64_t)i * 1000 + 500) << "sample " << i;
    }
    EXPECT_EQ(track_.position, Count - 2);
    EXPECT_EQ(LatitudeAt((Count - 1) * 2500), (int64_t)(Count - 1) * 1000);

    // Far back: the walk refills the window so the current sample stays in it.
    EXPECT_EQ(LatitudeAt(700 * 2500 + 625), 700 * 1000 + 250);
    EXPECT_EQ(track_.position, 700u);
    EXPECT_EQ(track_.bufferIndex, 700u - 478u) << "windows backward start at 478 - 239 = 239, then 0";
    EXPECT_EQ(LatitudeAt(101 * 2500), 101 * 1000);
    EXPECT_EQ(track_.position, 101u) << "the walk back stops at the first sample not later than t";
    EXPECT_EQ(track_.bufferIndex, 101u);
    EXPECT_EQ(LatitudeAt(0), 0);
    EXPECT_EQ(track_.position, 0u);

    // Far forward in one call: sample by sample through three window refills.
    EXPECT_EQ(LatitudeAt(900 * 2500 + 2000), 900 * 1000 + 800);
    EXPECT_EQ(track_.position, 900u);
    EXPECT_EQ(track_.bufferIndex, 900u - 717u) << "windows forward start at 239, 478, 717";
    EXPECT_EQ(LatitudeAt(955 * 2500 + 1250), 955 * 1000 + 500);
    EXPECT_EQ(track_.bufferIndex, 955u - 717u);

    // Back and forth across one window edge, frame by frame.
    for (uint32_t t = 960 * 2500; t > 950 * 2500; t -= 333) ASSERT_NEAR((double)LatitudeAt(t), t * 0.4, 1.0) << t;
    for (uint32_t t = 950 * 2500; t < 960 * 2500; t += 333) ASSERT_NEAR((double)LatitudeAt(t), t * 0.4, 1.0) << t;
}

// ---- AvailableReplaySeconds ----

TEST(AvailableReplaySeconds, WholeSecondsOfAtLeastThreeSamples) {
    ResetTrackTable();
    EXPECT_EQ(AvailableReplaySeconds(), 0u) << "no replay track";
    ASSERT_EQ(AddTrackEntry(), 0);
    Track* ring = &TrackTable.entries[0];
    ASSERT_TRUE(OpenTrack(ring, 120, nullptr, 0, 0, "ring", 1, 500, 1));
    FullSample s = SampleAt(0);
    AppendSample(ring, &s);
    s = SampleAt(1800000);
    AppendSample(ring, &s);
    EXPECT_EQ(AvailableReplaySeconds(), 0u) << "two samples three minutes apart";
    s = SampleAt(1849999);
    AppendSample(ring, &s);
    EXPECT_EQ(AvailableReplaySeconds(), 184u);
    ResetTrackTable();
}

}  // namespace
