// The playback position: it follows FrameClock at the chosen speed, wraps in the
// loop and ends the playback at its end. For every played track the two samples
// around the position are found (sliding the track's window through the file as
// needed) and blended into one FullSample.
#include "playback/position.h"

#include <cstdio>
#include <initializer_list>

#include "module/dispatch.h"
#include "module/simlink.h"
#include "playback/apply.h"
#include "playback/player.h"
#include "recording/recorder.h"
#include "ui/controlwindow.h"

uint32_t PlaybackStart = 0;
uint32_t PlaybackEnd = 0;
int16_t SpeedPercent = 100;
uint8_t SpeedIndex = 4;
uint32_t LoopEnabled = 0;
uint32_t LoopStartTime = 0;
uint32_t LoopEndTime = 0;
uint32_t PositionJumped = 0;
uint32_t LastPlaybackClock = 0;
uint32_t LastFrameDelta = 0;

// Slider position (0..350) of a recording time.
uint32_t SliderPositionOf(uint32_t time) {
    uint32_t span = PlaybackEnd - PlaybackStart;
    if (span == 0) return 0;
    return SaturateToInt<uint32_t>((double)(uint32_t)(time - PlaybackStart) * 350.0 / (double)span);
}

static void ShowPositionInControlWindow() {
    if (!ControlWindow) return;
    char caption[64];
    if (ModuleMode == Replaying) {
        snprintf(caption, sizeof(caption), "Replay %u seconds", (unsigned)((PlaybackEnd - Timeline) / 10000));
    } else {
        snprintf(caption, sizeof(caption), "Playback %u / %u seconds", (unsigned)((Timeline - PlaybackStart) / 10000),
                 (unsigned)((PlaybackEnd - PlaybackStart) / 10000));
    }
    SetWindowTextA(ControlWindow, caption);
    SendDlgItemMessageA(ControlWindow, CtlSlider, TBM_SETPOS, TRUE, (LPARAM)SliderPositionOf(Timeline));
}

bool AdvancePlayback() {
    uint32_t delta = FrameClock - LastPlaybackClock;
    uint32_t step = LastFrameDelta;
    if (delta < 5000) {
        LastFrameDelta = delta;
        step = delta;
    }
    if (SpeedPercent > 0) {
        Timeline += (uint32_t)SpeedPercent * step / 100;
    } else {
        uint32_t back = (uint32_t)(-(int32_t)SpeedPercent) * step / 100;
        Timeline = back > Timeline ? 0 : Timeline - back;
    }
    LastPlaybackClock = FrameClock;
    if (Timeline < PlaybackStart) {
        Timeline = PlaybackStart;
        PositionJumped = 1;
    }
    if (LoopEnabled && (Timeline >= LoopEndTime || Timeline < LoopStartTime)) {
        Timeline = LoopStartTime;
        PositionJumped = 1;
    }
    if (Timeline >= PlaybackEnd) {
        StopPlayback(0);
        return false;
    }
    ShowPositionInControlWindow();
    return true;
}

static const uint8_t* RecordAt(const Track* track, uint32_t slot) {
    return track->buffer + (size_t)slot * track->layout.recordSize;
}

static uint32_t RecordTime(const Track* track, uint32_t slot) {
    return LoadLE32(RecordAt(track, slot) + track->layout.offsets[BlockTime]);
}

static int16_t BlendSigned16(int16_t a, int16_t b, float f) {
    return SaturateToInt<int16_t>((double)b * f + (double)a * (1.0f - f));
}

// Levers of out (the earlier sample) blended with those of a later record's block.
static void BlendLevers(FullSample* out, uint32_t field, const uint8_t* later, uint32_t count, float f) {
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t at = field + 2 * i;
        SetSampleI16(out, at, BlendSigned16(GetSampleI16(out, at), (int16_t)LoadLE16(later + 2 * i), f));
    }
}

static int64_t BlendFixed64(int64_t a, int64_t b, float f) {
    int64_t difference = (int64_t)((uint64_t)b - (uint64_t)a);
    return (int64_t)((uint64_t)a + (uint64_t)SaturateToInt<int64_t>((double)difference * f));
}

static uint32_t BlendAngle(uint32_t a, uint32_t b, float f) {
    int32_t difference = (int32_t)(b - a);  // the shorter way round
    return a + (uint32_t)SaturateToInt<int32_t>((double)difference * f);
}

bool InterpolateSample(Track* track, uint32_t t, FullSample* sample) {
    if (!track->buffer || track->readMode != 1 || t < track->startTime || t > track->endTime ||
        track->sampleCount < 2 || track->bufferIndex >= track->capacity) {
        return false;
    }
    // Step back until the current sample is not later than t.
    while (t < RecordTime(track, track->bufferIndex) && track->position > 0) {
        if (track->bufferIndex == 0) {
            if (track->memoryOnly) break;
            if (track->position < track->capacity - 1) {
                LoadTrackWindow(track, 0);
                track->bufferIndex = track->position;
            } else {
                LoadTrackWindow(track, track->position - track->capacity + 1);
                track->bufferIndex = track->capacity - 1;
            }
        }
        --track->position;
        --track->bufferIndex;
    }
    // Step forward until the next sample is not earlier than t.
    if (track->bufferIndex + 1 >= track->capacity) return false;
    while (t > RecordTime(track, track->bufferIndex + 1)) {
        ++track->position;
        ++track->bufferIndex;
        if (track->position >= track->sampleCount - 1) break;
        if (track->bufferIndex >= track->capacity - 1) {
            if (track->memoryOnly) break;
            LoadTrackWindow(track, track->position);
            track->bufferIndex = 0;
        }
    }
    if (track->bufferIndex + 1 >= track->capacity || track->position + 1 >= track->sampleCount) return false;

    uint32_t t0 = RecordTime(track, track->bufferIndex);
    uint32_t t1 = RecordTime(track, track->bufferIndex + 1);
    float f = 0.0f;
    if (t1 != t0) f = (float)((double)(uint32_t)(t - t0) / (double)(uint32_t)(t1 - t0));
    if (f < 0.0f || f > 1.0f) return false;

    // The earlier sample is unpacked whole (the groups that are not blended come from
    // it); the later one is only read where it is blended, straight from its record.
    // Each blended field of the output is read (as the earlier value) before it is
    // overwritten.
    UnpackSample(RecordAt(track, track->bufferIndex), &track->layout, track->groups, sample);
    const uint8_t* later = RecordAt(track, track->bufferIndex + 1);
    const uint32_t* at = track->layout.offsets;
    const uint8_t* position1 = later + at[BlockPosition];  // the block starts with FieldLatitude
    const uint8_t* velocity1 = later + at[BlockVelocity];

    SetSampleI64(sample, FieldLatitude,
                 BlendFixed64(GetSampleI64(sample, FieldLatitude), (int64_t)LoadLE64(position1 + FieldLatitude), f));
    SetSampleI64(sample, FieldLongitude,
                 BlendFixed64(GetSampleI64(sample, FieldLongitude), (int64_t)LoadLE64(position1 + FieldLongitude), f));
    int64_t altitude =
        BlendFixed64(GetSampleI64(sample, FieldAltitude), (int64_t)LoadLE64(position1 + FieldAltitude), f);
    SetSampleI64(sample, FieldAltitude, (int64_t)((uint64_t)altitude + (uint64_t)track->heightOffset));
    for (uint32_t field : {FieldPitch, FieldBank, FieldHeading}) {
        SetSampleU32(sample, field, BlendAngle(GetSampleU32(sample, field), LoadLE32(position1 + field), f));
    }
    for (uint32_t field : {FieldVelocityX, FieldVelocityY, FieldVelocityZ}) {
        double v0 = GetSampleF64(sample, field);
        SetSampleF64(sample, field, v0 + (LoadLEF64(velocity1 + (field - FieldVelocityX)) - v0) * f);
    }
    bool bothOnGround = GetSampleU8(sample, FieldOnGround) && later[at[BlockOnGround]];
    SetSampleU8(sample, FieldOnGround, bothOnGround ? 1 : 0);

    if (track->groups & Throttles) BlendLevers(sample, FieldThrottle1, later + at[BlockThrottles], 4, f);
    if (track->groups & Controls) {
        BlendLevers(sample, FieldElevator, later + at[BlockElevator], 1, f);
        BlendLevers(sample, FieldAileron, later + at[BlockAileron], 1, f);
        BlendLevers(sample, FieldRudder, later + at[BlockRudder], 1, f);
    }
    if (track->groups & Spoilers) {
        uint16_t a = GetSampleU16(sample, FieldSpoilers);
        uint16_t b = LoadLE16(later + at[BlockSpoilers]);
        // On the ground the spoilers never show a half-way state between two samples.
        uint16_t spoilers = bothOnGround ? (a < b ? a : b) : SaturateToInt<uint16_t>((double)a * (1.0f - f) + (double)b * f);
        SetSampleU16(sample, FieldSpoilers, spoilers);
    }
    if (track->groups & PropMixture) {
        BlendLevers(sample, FieldMixture1, later + at[BlockMixture], 4, f);
        BlendLevers(sample, FieldPropeller1, later + at[BlockPropeller], 4, f);
    }
    SetSampleU32(sample, FieldTime, t);
    return true;
}

void PlayTrackStep(Track* track) {
    FullSample sample;
    if (InterpolateSample(track, Timeline, &sample)) ApplySample(&sample, track->objectId, track->groups);
}

uint32_t AvailableReplaySeconds() {
    if (TrackTable.count == 0) return 0;
    const Track* track = &TrackTable.entries[0];
    if (track->sampleCount < 3) return 0;
    return (track->endTime - track->startTime) / 10000;
}
