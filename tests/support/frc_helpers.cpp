// Recording files from flight paths, temp folders and runs of kestrel-frc for the
// toolkit's tests.
#include "tests/support/frc_helpers.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/recording_helpers.h"

namespace frctest {

uint32_t Stamp(int year, int dayOfYear, int hour, int minute, int second) {
    return (uint32_t)(((int64_t)(year - 1900) * 366 + dayOfYear) * 86400 + hour * 3600 + minute * 60 + second);
}

std::vector<uint8_t> RecordBytes(const Point& p, uint32_t groups) {
    rectest::ByteWriter w;
    w.I64((int64_t)std::trunc(p.latitude * 10001750.0 * 4294967296.0 / 90.0));
    w.I64((int64_t)std::trunc(p.longitude / 360.0 * 18446744073709551616.0));
    w.I64((int64_t)std::trunc(p.altitude * 4294967296.0));
    w.U32((uint32_t)(int64_t)std::trunc(p.pitch / 360.0 * 4294967296.0));
    w.U32((uint32_t)(int64_t)std::trunc(p.bank / 360.0 * 4294967296.0));
    w.U32((uint32_t)(int64_t)std::trunc(p.heading / 360.0 * 4294967296.0));
    w.F64(p.velocityEast);
    w.F64(p.velocityUp);
    w.F64(p.velocityNorth);
    w.U8(p.onGround);
    // Optional groups and the parking brake: zero.
    size_t before = w.bytes.size();
    w.bytes.resize(before + rectest::RecordSizeOf(groups) - 66 + 1, 0);
    w.U32(p.time);
    return w.bytes;
}

std::vector<uint8_t> RecordingBytes(uint32_t date, const std::vector<TrackSpec>& tracks) {
    uint32_t start = 0xFFFFFFFFu, end = 0;
    for (const TrackSpec& t : tracks) {
        for (const Point& p : t.points) {
            start = std::min(start, p.time);
            end = std::max(end, p.time);
        }
    }
    rectest::ByteWriter w;
    w.Append(rectest::FileHeaderBytes(start, end, date, (uint16_t)tracks.size()));
    for (const TrackSpec& t : tracks) {
        uint32_t first = t.points.empty() ? 0 : t.points.front().time;
        uint32_t last = t.points.empty() ? 0 : t.points.back().time;
        w.Append(rectest::TrackHeaderBytes((uint32_t)t.points.size(), t.groups, first, last, t.title, t.cgHeight,
                                           t.interval));
        for (const Point& p : t.points) w.Append(RecordBytes(p, t.groups));
    }
    return w.bytes;
}

std::vector<Point> Flight(double latitude, double longitude, size_t count, uint32_t stepMs, uint32_t firstTime) {
    std::vector<Point> points;
    const double metersPerDegree = 111195.0;
    double north = 0, east = 0;
    for (size_t i = 0; i < count; ++i) {
        double seconds = i * stepMs / 1000.0;
        // 60 m/s east for the first half, then north.
        bool turned = i >= count / 2;
        Point p = {};
        p.latitude = latitude + north / metersPerDegree;
        p.longitude = longitude + east / (metersPerDegree * std::cos(latitude * M_PI / 180.0));
        p.altitude = 100.0 + 2.0 * seconds;
        p.heading = turned ? 0.0 : 90.0;
        p.pitch = -3.0;
        p.bank = turned ? 0.0 : -10.0;
        p.velocityEast = turned ? 0.0 : 60.0 / 0.3048;
        p.velocityNorth = turned ? 60.0 / 0.3048 : 0.0;
        p.velocityUp = 2.0 / 0.3048;
        p.onGround = i == 0 ? 1 : 0;
        p.time = firstTime + (uint32_t)(i * stepMs * 10);
        points.push_back(p);
        double step = 60.0 * stepMs / 1000.0;
        if (turned)
            north += step;
        else
            east += step;
    }
    return points;
}

std::string TempFolder(const std::string& name) {
    // The process id keeps tests run side by side (and other checkouts' runs) apart.
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kestrel-frc-test-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

int Shell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Run RunFrc(const std::string& arguments) {
    // CTest runs tests side by side: each run gets a folder of its own process.
    static int runs = 0;
    std::string folder = TempFolder("run-" + std::to_string(++runs));
    std::string out = folder + "/out.txt", err = folder + "/err.txt";
    Run run;
    run.status = Shell(std::string(KESTREL_FRC_EXE) + " " + arguments + " >" + out + " 2>" + err);
    run.out = ReadText(out);
    run.err = ReadText(err);
    std::filesystem::remove_all(folder);
    return run;
}

}  // namespace frctest
