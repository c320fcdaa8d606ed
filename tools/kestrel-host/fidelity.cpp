// Replay fidelity of a playback onto the user's aircraft.
#include "tools/kestrel-host/fidelity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "module/simlink.h"
#include "vsim/sim/aircraft.h"

namespace {

const double EarthRadius = 6371008.8;  // metres, mean
const double DegreesToRadians = 3.14159265358979323846 / 180.0;

// Signed difference of two angles in degrees, the shorter way round.
double AngleDifference(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180.0) d -= 360.0;
    if (d < -180.0) d += 360.0;
    return d;
}

Fidelity::Pose Blend(const Fidelity::Pose& a, const Fidelity::Pose& b, uint32_t time) {
    double f = b.time == a.time ? 0.0 : (double)(time - a.time) / (double)(b.time - a.time);
    Fidelity::Pose p;
    p.time = time;
    p.latitude = a.latitude + (b.latitude - a.latitude) * f;
    p.longitude = a.longitude + AngleDifference(b.longitude, a.longitude) * f;
    p.altitude = a.altitude + (b.altitude - a.altitude) * f;
    p.pitch = a.pitch + AngleDifference(b.pitch, a.pitch) * f;
    p.bank = a.bank + AngleDifference(b.bank, a.bank) * f;
    p.heading = a.heading + AngleDifference(b.heading, a.heading) * f;
    return p;
}

double Distance(const Fidelity::Pose& a, const Fidelity::Pose& b) {
    double north = (a.latitude - b.latitude) * DegreesToRadians * EarthRadius;
    double east = AngleDifference(a.longitude, b.longitude) * DegreesToRadians * EarthRadius *
                  std::cos(a.latitude * DegreesToRadians);
    double up = a.altitude - b.altitude;
    return std::sqrt(north * north + east * east + up * up);
}

bool ReadUserPose(uint32_t time, Fidelity::Pose* pose) {
    uint32_t id = vsim::UserAircraftId();
    pose->time = time;
    return vsim::GetSimVar(id, "Plane Latitude", "degrees", &pose->latitude) &&
           vsim::GetSimVar(id, "Plane Longitude", "degrees", &pose->longitude) &&
           vsim::GetSimVar(id, "Plane Altitude", "meters", &pose->altitude) &&
           vsim::GetSimVar(id, "Plane Pitch Degrees", "degrees", &pose->pitch) &&
           vsim::GetSimVar(id, "Plane Bank Degrees", "degrees", &pose->bank) &&
           vsim::GetSimVar(id, "Plane Heading Degrees True", "degrees", &pose->heading);
}

}  // namespace

void Fidelity::StartRecording() {
    phase_ = Recording;
    recorded_.clear();
}

void Fidelity::StartPlayback() {
    phase_ = Playing;
    played_.clear();
}

void Fidelity::Frame(uint32_t mode, uint32_t timeline) {
    Pose pose;
    if (phase_ == Recording && mode == ::Recording && ReadUserPose(timeline, &pose)) {
        if (recorded_.empty() || timeline > recorded_.back().time) recorded_.push_back(pose);
    } else if (phase_ == Playing && mode == ::Playing && ReadUserPose(timeline, &pose)) {
        played_.push_back(pose);
    }
}

bool Fidelity::Compare(const std::vector<Pose>& recorded, const std::vector<Pose>& played, Figures* figures) {
    *figures = Figures();
    double sumSquares = 0;
    size_t next = 1;
    for (const Pose& p : played) {
        if (recorded.size() < 2 || p.time < recorded.front().time || p.time > recorded.back().time) continue;
        // Played times mostly rise; restart the search when they do not (a loop or a jump).
        if (next >= recorded.size() || recorded[next - 1].time > p.time) next = 1;
        while (next < recorded.size() - 1 && recorded[next].time < p.time) ++next;
        Pose expected = Blend(recorded[next - 1], recorded[next], p.time);
        double distance = Distance(expected, p);
        sumSquares += distance * distance;
        figures->maxDistance = std::max(figures->maxDistance, distance);
        figures->maxHeading = std::max(figures->maxHeading, std::fabs(AngleDifference(expected.heading, p.heading)));
        figures->maxPitch = std::max(figures->maxPitch, std::fabs(AngleDifference(expected.pitch, p.pitch)));
        figures->maxBank = std::max(figures->maxBank, std::fabs(AngleDifference(expected.bank, p.bank)));
        ++figures->compared;
    }
    if (figures->compared == 0) return false;
    figures->rmsDistance = std::sqrt(sumSquares / (double)figures->compared);
    return true;
}

std::string Fidelity::Report() const {
    Figures figures;
    if (!Compare(recorded_, played_, &figures)) return "replay fidelity: nothing to compare\n";
    char text[320];
    std::snprintf(text, sizeof(text),
                  "replay fidelity over %zu frames: position largest %.3f m, RMS %.3f m; heading largest %.3f deg, "
                  "pitch largest %.3f deg, bank largest %.3f deg\n",
                  figures.compared, figures.maxDistance, figures.rmsDistance, figures.maxHeading, figures.maxPitch,
                  figures.maxBank);
    return text;
}
