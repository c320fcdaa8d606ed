// Helpers of the toolkit's tests: recording files built field by field from flight
// paths (positions in degrees, metres, 1/10000 s), temp folders, and running the built
// kestrel-frc with its exit status and output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace frctest {

// One sample as the simulator counts it: pitch positive nose down, bank positive left
// wing down, velocities in feet per second (east, up, north).
struct Point {
    double latitude, longitude, altitude, heading, pitch, bank;
    double velocityEast, velocityUp, velocityNorth;
    uint8_t onGround;
    uint32_t time;
};
struct TrackSpec {
    std::string title;
    uint32_t groups = 0;  // optional groups present; their bytes are zero
    float cgHeight = 4.5f;
    uint32_t interval = 1000;
    std::vector<Point> points;
};

// The recording date of a UTC moment, counted as the module does (366-day years).
uint32_t Stamp(int year, int dayOfYear, int hour, int minute, int second);
// A record of the group set for the point: the fixed-point conversions done here.
std::vector<uint8_t> RecordBytes(const Point& point, uint32_t groups);
// A version 0x01000006 file of the tracks, the headers' counts and times from the points.
std::vector<uint8_t> RecordingBytes(uint32_t date, const std::vector<TrackSpec>& tracks);
// A flight of `count` samples, one every `stepMs`, from (latitude, longitude) flying
// east then turning north, climbing 2 m per second from 100 m.
std::vector<Point> Flight(double latitude, double longitude, size_t count, uint32_t stepMs, uint32_t firstTime);

// A fresh, empty folder for one test.
std::string TempFolder(const std::string& name);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);
std::string ReadText(const std::string& path);

struct Run {
    int status;
    std::string out, err;
};
// Runs build/.../kestrel-frc with the arguments (a shell command line tail).
Run RunFrc(const std::string& arguments);
// Runs a shell command; its exit status.
int Shell(const std::string& command);

}  // namespace frctest
