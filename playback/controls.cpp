// Playback controls. They change only the playback state (position, speed, loop) and
// the simulation rate; the next playback frame carries the change out.
#include "playback/controls.h"

#include <cstdio>

#include "module/dispatch.h"
#include "module/simcommands.h"
#include "module/simlink.h"
#include "playback/position.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "ui/config.h"
#include "ui/controlwindow.h"

static const int64_t HeightStep = 100000000;  // metres * 2^32: about 2.3 cm

uint16_t RateOfSpeed(int32_t percent) {
    if (percent < 0) percent = -percent;  // a backward search runs the simulation forward as fast
    if (Settings.LimSimRate && percent > 400) return 1024;
    return (uint16_t)(percent * 256 / 100);
}

uint16_t RateOfSearch(uint32_t times) {
    if (Settings.LimSimRate && times >= 5) return 1024;
    return (uint16_t)(times * 256);
}

struct StepSize {
    uint32_t search;
    uint16_t jumpSeconds;
    uint8_t searchSpeed;
};

static StepSize StepSizeOf(uint32_t step) {
    switch (step) {
    case 1:
        return {Settings.Search1, Settings.JumpSize1, Settings.SearchSpeed1};
    case 2:
        return {Settings.Search2, Settings.JumpSize2, Settings.SearchSpeed2};
    default:
        return {Settings.Search3, Settings.JumpSize3, Settings.SearchSpeed3};
    }
}

static void StartSearch(int32_t direction, const StepSize& size) {
    SpeedPercent = (int16_t)(direction * 100 * (int32_t)size.searchSpeed);
    if (Settings.SetSimRateSrch) ApplySimRate(RateOfSearch(size.searchSpeed));
}

void PlaybackJump(uint32_t code) {
    if (ModuleMode != Playing && ModuleMode != Replaying && ModuleMode != PlayingTraffic) return;
    if (code == 0) {
        Timeline = 0;
        PositionJumped = 1;
    } else if (code == 1) {
        Timeline = PlaybackEnd - 10000;
        PositionJumped = 1;
    } else if (code >= 2 && code <= 4) {
        StepSize size = StepSizeOf(code - 1);
        if (size.search) {
            StartSearch(-1, size);
        } else {
            uint32_t jump = size.jumpSeconds * 10000u;
            Timeline = Timeline <= jump ? 0 : Timeline - jump;
            PositionJumped = 1;
        }
    } else if (code >= 5 && code <= 7) {
        StepSize size = StepSizeOf(code - 4);
        if (size.search) {
            StartSearch(1, size);
        } else {
            Timeline += size.jumpSeconds * 10000u;  // the next frame wraps into the loop or ends
            PositionJumped = 1;
        }
    } else if (code >= 8 && code <= 10) {
        if (StepSizeOf(code - 7).search) SpeedPercent = SpeedPercentTable[SpeedIndex];
        if (Settings.SetSimRateSrch) ApplySimRate(RateOfSpeed(SpeedPercent));
    }
}

void ShowSpeedText() {
    if (!ControlWindow) return;
    char text[16];
    snprintf(text, sizeof(text), "%d%%", (int)SpeedPercent);
    SetDlgItemTextA(ControlWindow, CtlSpeedText, text);
}

void PlaybackSpeed(uint32_t code) {
    if (code == 0) {
        if (SpeedIndex < 8) ++SpeedIndex;
        SpeedPercent = SpeedPercentTable[SpeedIndex];
    } else if (code == 1) {
        if (SpeedIndex > 0) --SpeedIndex;
        SpeedPercent = SpeedPercentTable[SpeedIndex];
    } else if (code == 2) {
        SpeedIndex = 4;
        SpeedPercent = 100;
    }
    if (Settings.SetSimRate) ApplySimRate(RateOfSpeed(SpeedPercent));
    ShowSpeedText();
}

static void SetLoopBox(bool checked) {
    if (ControlWindow) SendDlgItemMessageA(ControlWindow, CtlLoopToggle, BM_SETCHECK, checked ? BST_CHECKED : 0, 0);
}

void ShowLoopMarks() {
    if (!ControlWindow) return;
    SendDlgItemMessageA(ControlWindow, CtlSlider, TBM_CLEARTICS, TRUE, 0);
    if (LoopEnabled) {
        SendDlgItemMessageA(ControlWindow, CtlSlider, TBM_SETTIC, 0, (LPARAM)SliderPositionOf(LoopStartTime));
        SendDlgItemMessageA(ControlWindow, CtlSlider, TBM_SETTIC, 0, (LPARAM)SliderPositionOf(LoopEndTime));
    }
}

void ResetLoopDisplay() {
    ShowLoopMarks();
    SetLoopBox(LoopEnabled != 0);
}

void PlaybackLoop(uint32_t code) {
    switch (code) {
    case 0:
        LoopStartTime = Timeline;
        if (LoopEndTime <= Timeline) LoopEndTime = PlaybackEnd;
        break;
    case 1:
        LoopEndTime = Timeline;
        if (Timeline <= LoopStartTime) LoopStartTime = PlaybackStart;
        LoopEnabled = 1;
        SetLoopBox(true);
        break;
    case 2:
        LoopEnabled = 1;
        if (Timeline < LoopStartTime) {
            Timeline = LoopStartTime;
            PositionJumped = 1;
        }
        SetLoopBox(true);
        break;
    case 3:
        LoopEnabled = 0;
        SetLoopBox(false);
        break;
    case 4:
        LoopEnabled = LoopEnabled ? 0 : 1;
        SetLoopBox(LoopEnabled != 0);
        break;
    default:
        return;
    }
    ShowLoopMarks();
}

void SeekToSlider() {
    if (!ControlWindow) return;
    LRESULT position = SendDlgItemMessageA(ControlWindow, CtlSlider, TBM_GETPOS, 0, 0);
    double span = (double)(uint32_t)(PlaybackEnd - PlaybackStart);
    Timeline = SaturateToInt<uint32_t>((double)position / 350.0 * span + (double)PlaybackStart);
    PositionJumped = 1;
}

void AdjustHeight(int32_t direction) {
    if (TrackTable.count == 0) return;
    TrackTable.entries[0].heightOffset += direction > 0 ? HeightStep : -HeightStep;
}
