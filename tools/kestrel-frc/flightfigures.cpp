// Physical values of samples and the figures of whole tracks.
#include "tools/kestrel-frc/flightfigures.h"

#include <cmath>

#include "tools/kestrel-frc/geo.h"

double LatitudeOf(const FullSample& s) { return LatitudeToDegrees(GetSampleI64(&s, FieldLatitude)); }
double LongitudeOf(const FullSample& s) { return LongitudeToDegrees(GetSampleI64(&s, FieldLongitude)); }
double AltitudeFeet(const FullSample& s) { return AltitudeToMeters(GetSampleI64(&s, FieldAltitude)) / MetersPerFoot; }

double GroundSpeedKnots(const FullSample& s) {
    const double knotsPerFootPerSecond = MetersPerFoot * 3600.0 / MetersPerNauticalMile;
    return std::hypot(GetSampleF64(&s, FieldVelocityX), GetSampleF64(&s, FieldVelocityZ)) * knotsPerFootPerSecond;
}

double VerticalSpeedFpm(const FullSample& s) { return GetSampleF64(&s, FieldVelocityY) * 60.0; }
double PitchUpDegrees(const FullSample& s) { return -AngleToDegrees(GetSampleI32(&s, FieldPitch)); }
double BankRightDegrees(const FullSample& s) { return -AngleToDegrees(GetSampleI32(&s, FieldBank)); }
bool IsOnGround(const FullSample& s) { return GetSampleU8(&s, FieldOnGround) != 0; }

std::vector<double> SampleSeconds(const frc::Track& track) {
    std::vector<double> seconds(track.samples.size());
    for (size_t i = 0; i < seconds.size(); ++i) {
        uint32_t time = GetSampleU32(&track.samples[i], FieldTime);
        if (i == 0) {
            seconds[i] = time / 10000.0;
        } else {
            uint32_t previous = GetSampleU32(&track.samples[i - 1], FieldTime);
            seconds[i] = seconds[i - 1] + int32_t(time - previous) / 10000.0;
        }
    }
    return seconds;
}

TrackFigures MeasureTrack(const frc::Track& track) {
    TrackFigures figures;
    if (track.samples.empty()) return figures;
    figures.startTime = GetSampleU32(&track.samples.front(), FieldTime);
    figures.endTime = GetSampleU32(&track.samples.back(), FieldTime);
    figures.highest = -HUGE_VAL;
    for (size_t i = 0; i < track.samples.size(); ++i) {
        const FullSample& s = track.samples[i];
        if (i > 0) {
            const FullSample& p = track.samples[i - 1];
            figures.distance += DistanceMeters(LatitudeOf(p), LongitudeOf(p), LatitudeOf(s), LongitudeOf(s));
        }
        figures.highest = std::fmax(figures.highest, AltitudeToMeters(GetSampleI64(&s, FieldAltitude)));
        double speed = GroundSpeedKnots(s);
        if (std::isfinite(speed)) figures.topGroundSpeed = std::fmax(figures.topGroundSpeed, speed);
    }
    return figures;
}
