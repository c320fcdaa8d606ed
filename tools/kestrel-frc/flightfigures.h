// What a recorded sample and a whole track say in the units pilots read: positions in
// degrees, altitudes in feet, speeds in knots and feet per minute, pitch nose up and
// bank right wing down positive (the recording stores both the other way round), and
// a track's distance, highest altitude and top speed. Pure functions over frc samples.
#pragma once

#include <cstdint>
#include <vector>

#include "recording/frcformat.h"

double LatitudeOf(const FullSample& s);
double LongitudeOf(const FullSample& s);
double AltitudeFeet(const FullSample& s);
double GroundSpeedKnots(const FullSample& s);  // from the recorded east and north velocities
double VerticalSpeedFpm(const FullSample& s);  // from the recorded vertical velocity, up positive
double PitchUpDegrees(const FullSample& s);
double BankRightDegrees(const FullSample& s);
bool IsOnGround(const FullSample& s);

// The times of a track's samples in seconds of the recording, stepping by the signed
// difference of consecutive stored times, so a recording past the 32-bit wrap goes on
// counting (and a damaged one that steps back shows it).
std::vector<double> SampleSeconds(const frc::Track& track);

struct TrackFigures {
    uint32_t startTime = 0, endTime = 0;  // of the samples the file holds
    double distance = 0;                  // metres along the path
    double highest = 0;                   // metres
    double topGroundSpeed = 0;            // knots, from the recorded velocities
};
TrackFigures MeasureTrack(const frc::Track& track);
