// kestrel-frc import: flight logs written by an independent program (gpsbabel converts a
// GPX track to IGC and to KML) imported and flown in the virtual simulator pass through
// their fixes; the CSV export imports back to the very same recording; the flight-
// tracking CSV; damaged inputs are refused with the file, place and reason.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>

#include "recording/frcformat.h"
#include "tests/support/frc_helpers.h"
#include "tools/kestrel-frc/geo.h"
#include "tools/kestrel-host/runner.h"

namespace {

struct Point {
    int time;  // seconds after 10:00:00 UTC
    double latitude, longitude, altitude;
};

// Ninety seconds at 40 m/s with a fix every 2 s: east, a right turn to the south, then a
// climb. Positions lie on IGC's grid (thousandths of a minute), so every format holds
// the same fixes.
std::vector<Point> Circuit() {
    std::vector<Point> points;
    const double metresPerDegree = EarthRadiusMeters * 3.14159265358979323846 / 180;
    double latitude = 47, longitude = 8, altitude = 500, heading = 90;
    for (int time = 0; time <= 90; time += 2) {
        points.push_back({time, std::round(latitude * 60000) / 60000, std::round(longitude * 60000) / 60000,
                          std::round(altitude)});
        if (time >= 30 && time < 54) heading += 7.5;
        latitude += 80 * std::cos(heading * 3.14159265358979323846 / 180) / metresPerDegree;
        longitude += 80 * std::sin(heading * 3.14159265358979323846 / 180) / metresPerDegree /
                     std::cos(latitude * 3.14159265358979323846 / 180);
        if (time >= 54) altitude += 6;
    }
    return points;
}

void WriteText(const std::string& path, const std::string& text) {
    frctest::WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string GpxOf(const std::vector<Point>& points) {
    std::string gpx = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
                      "<trk><name>Circuit</name><trkseg>\n";
    for (const Point& p : points) {
        char line[200];
        snprintf(line, sizeof(line),
                 "<trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>%.0f</ele><time>2024-06-20T10:%02d:%02dZ</time></trkpt>\n",
                 p.latitude, p.longitude, p.altitude, p.time / 60, p.time % 60);
        gpx += line;
    }
    return gpx + "</trkseg></trk></gpx>\n";
}

// The trace rows of one aircraft: time, latitude, longitude, altitude.
struct TraceRow {
    double time, latitude, longitude, altitude;
};
std::map<int, std::vector<TraceRow>> ReadTrace(const std::string& path) {
    std::map<int, std::vector<TraceRow>> rows;
    FILE* file = fopen(path.c_str(), "r");
    if (!file) return rows;
    char line[1024];
    fgets(line, sizeof(line), file);  // the header
    while (fgets(line, sizeof(line), file)) {
        unsigned long long frame;
        int object;
        TraceRow row;
        if (sscanf(line, "%llu,%lf,%d,%lf,%lf,%lf", &frame, &row.time, &object, &row.latitude, &row.longitude,
                   &row.altitude) == 6)
            rows[object].push_back(row);
    }
    fclose(file);
    return rows;
}

TEST(FrcImport, LogsFromAnotherProgramFlyThroughTheirFixesInTheSimulator) {
    std::string folder = frctest::TempFolder("import-fly");
    std::vector<Point> circuit = Circuit();
    WriteText(folder + "/circuit.gpx", GpxOf(circuit));
    std::string in = folder + "/circuit.gpx";
    ASSERT_EQ(frctest::Shell("gpsbabel -i gpx -f " + in + " -o igc -F " + folder + "/circuit.igc"), 0);
    ASSERT_EQ(frctest::Shell("gpsbabel -i gpx -f " + in + " -o kml,track=1,points=0 -F " + folder + "/track.kml"), 0);
    ASSERT_EQ(frctest::Shell("gpsbabel -i gpx -f " + in + " -o kml -F " + folder + "/line.kml"), 0);

    std::string out = folder + "/C/Sim/imported.frc";
    frctest::Shell("mkdir -p " + folder + "/C/Sim");
    frctest::Run run = frctest::RunFrc("import " + in + " " + folder + "/circuit.igc " + folder + "/track.kml " +
                                       folder + "/line.kml -o " + out);
    ASSERT_EQ(run.status, 0) << run.err;
    frc::Recording recording;
    frc::Problem problem;
    ASSERT_TRUE(frc::ReadRecordingFile(out, &recording, &problem)) << problem.what;
    ASSERT_EQ(recording.tracks.size(), 4u);
    EXPECT_EQ(frc::UnixTime(recording.header.date, 0), 1718877600.0);  // 2024-06-20 10:00:00 UTC
    for (const frc::Track& track : recording.tracks) {
        EXPECT_EQ(track.samples.size(), 361u);  // 90 s at 250 ms
        EXPECT_EQ(track.header.groups, DefaultSampleGroups);
    }
    EXPECT_STREQ(recording.tracks[0].header.title, "Circuit");
    EXPECT_STREQ(recording.tracks[1].header.title, "circuit");  // gpsbabel's IGC names no glider

    // Played at once on the user's aircraft (the first track) and as traffic (the others),
    // every aircraft is at every fix at its time: within a frame's travel across, and
    // within the user's CG height (4.5 ft) up and down.
    RunnerOptions options;
    options.root = folder;
    options.tracePath = folder + "/trace.csv";
    options.echo = false;
    RunResult result = RunScript("start\nflight load\non open answer C:\\Sim\\imported.frc\nmenu \"Play...\"\n"
                                 "expect mode Playing\nseconds 95\nstop\n",
                                 options);
    ASSERT_EQ(result.failures, 0) << (result.problems.empty() ? "" : result.problems[0]);
    std::map<int, std::vector<TraceRow>> trace = ReadTrace(options.tracePath);
    ASSERT_EQ(trace.size(), 4u);
    for (const auto& [object, rows] : trace) {
        size_t checked = 0;
        for (const Point& fix : circuit) {
            for (size_t i = 0; i + 1 < rows.size(); ++i) {
                const TraceRow &a = rows[i], &b = rows[i + 1];
                if (fix.time < a.time || fix.time > b.time) continue;
                double f = (fix.time - a.time) / (b.time - a.time);
                double latitude = a.latitude + (b.latitude - a.latitude) * f;
                double longitude = a.longitude + (b.longitude - a.longitude) * f;
                double altitude = a.altitude + (b.altitude - a.altitude) * f;
                EXPECT_LT(DistanceMeters(latitude, longitude, fix.latitude, fix.longitude), 2.0)
                    << "aircraft " << object << " at " << fix.time << " s";
                EXPECT_NEAR(altitude, fix.altitude, 2.0) << "aircraft " << object << " at " << fix.time << " s";
                ++checked;
                break;
            }
        }
        // Traffic appears a frame after the start and leaves at the end: the fixes between.
        EXPECT_GE(checked, circuit.size() - 2) << "aircraft " << object;
    }
}

TEST(FrcImport, CsvExportImportsBackExactlyAndFlightTrackingCsvIsRead) {
    std::string folder = frctest::TempFolder("import-csv");
    frctest::TrackSpec user{"Kestrel \"Skylark\", 180", AllSampleGroups, 4.5f, 250,
                            frctest::Flight(47, 8, 40, 250, 12345)};
    frctest::TrackSpec traffic{"Baron", Gear | Lights, 3.0f, 1000, frctest::Flight(47.01, 8, 12, 1000, 30000)};
    uint32_t date = frctest::Stamp(2024, 172, 23, 59, 50);
    frctest::WriteFile(folder + "/in.frc", frctest::RecordingBytes(date, {user, traffic}));
    ASSERT_EQ(frctest::RunFrc("export " + folder + "/in.frc -o " + folder + "/in.csv").status, 0);
    frctest::Run run = frctest::RunFrc("import " + folder + "/in.csv -o " + folder + "/back.frc");
    ASSERT_EQ(run.status, 0) << run.err;

    frc::Recording original, back;
    frc::Problem problem;
    ASSERT_TRUE(frc::ReadRecordingFile(folder + "/in.frc", &original, &problem));
    ASSERT_TRUE(frc::ReadRecordingFile(folder + "/back.frc", &back, &problem));
    EXPECT_EQ(back.header.date, original.header.date);
    ASSERT_EQ(back.tracks.size(), 2u);
    for (size_t t = 0; t < 2; ++t) {
        const frc::Track &a = original.tracks[t], &b = back.tracks[t];
        EXPECT_STREQ(b.header.title, a.header.title);
        EXPECT_EQ(b.header.groups, a.header.groups);
        ASSERT_EQ(b.samples.size(), a.samples.size());
        for (size_t i = 0; i < a.samples.size(); ++i)
            EXPECT_EQ(memcmp(a.samples[i].bytes, b.samples[i].bytes, FullSampleSize), 0) << "track " << t << " sample " << i;
    }

    // A flight-tracking site's log, rows out of order and one twice: on the ground (0 ft)
    // at the height of the first fix in the air; knots and feet; named by the callsign.
    WriteText(folder + "/tracking.csv",
              "Timestamp,UTC,Callsign,Position,Altitude,Speed,Direction\r\n"
              "1718877600,2024-06-20T10:00:00Z,DLH4AB,\"47.000000,8.000000\",0,20,90\r\n"
              "1718877620,2024-06-20T10:00:20Z,DLH4AB,\"47.000000,8.010000\",0,120,90\r\n"
              "1718877610,2024-06-20T10:00:10Z,DLH4AB,\"47.000000,8.003000\",0,80,90\r\n"
              "1718877640,2024-06-20T10:00:40Z,DLH4AB,\"47.000000,8.030000\",1500,150,90\r\n"
              "1718877640,2024-06-20T10:00:40Z,DLH4AB,\"47.000000,8.030000\",1500,150,90\r\n"
              "1718877670,2024-06-20T10:01:10Z,DLH4AB,\"47.000000,8.060000\",3000,160,90\r\n");
    run = frctest::RunFrc("import " + folder + "/tracking.csv -o " + folder + "/tracking.frc --interval 1000");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("1 fix out of order sorted in, 1 duplicate time dropped"), std::string::npos) << run.out;
    frc::Recording tracking;
    ASSERT_TRUE(frc::ReadRecordingFile(folder + "/tracking.frc", &tracking, &problem));
    EXPECT_EQ(frc::UnixTime(tracking.header.date, 0), 1718877600.0);
    ASSERT_EQ(tracking.tracks.size(), 1u);
    const frc::Track& flight = tracking.tracks[0];
    EXPECT_STREQ(flight.header.title, "DLH4AB");
    EXPECT_EQ(flight.header.interval, 1000u);
    ASSERT_EQ(flight.samples.size(), 71u);
    for (size_t i : {0, 10, 20}) {
        EXPECT_EQ(GetSampleU8(&flight.samples[i], FieldOnGround), 1) << i;
        EXPECT_NEAR(AltitudeToMeters(GetSampleI64(&flight.samples[i], FieldAltitude)), 1500 * 0.3048, 1e-6) << i;
    }
    EXPECT_EQ(GetSampleU8(&flight.samples[40], FieldOnGround), 0);
    EXPECT_NEAR(AltitudeToMeters(GetSampleI64(&flight.samples[70], FieldAltitude)), 3000 * 0.3048, 1e-6);
    EXPECT_NEAR(LongitudeToDegrees(GetSampleI64(&flight.samples[70], FieldLongitude)), 8.06, 1e-9);
}

TEST(FrcImport, DamagedInputsAreRefusedWithFileLineAndReason) {
    std::string folder = frctest::TempFolder("import-damaged");
    struct Case {
        const char* name;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"cut.igc", "AXXX\r\nHFDTE200624\r\nB1000004700000N00800000EA0050000510\r\nB100001470000\r\n",
         "cut.igc: line 4: invalid B record \"B100001470000\""},
        {"undated.igc", "AXXX\r\nB1000004700000N00800000EA0050000510\r\n",
         "undated.igc: line 2: B record before the date (HFDTE)"},
        {"baddate.igc", "HFDTE310224\r\n", "baddate.igc: line 1: invalid date \"HFDTE310224\""},
        {"broken.gpx", "<gpx><trk><trkseg>\n<trkpt lat=\"47\" lon=\"8\"></trk></gpx>",
         "broken.gpx: not well-formed XML at line 2"},
        {"untimed.gpx", "<gpx><trk><trkseg>\n<trkpt lat=\"47\" lon=\"8\"><ele>5</ele></trkpt></trkseg></trk></gpx>",
         "untimed.gpx: line 2: track point without a time"},
        {"empty.gpx", "<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>", "empty.gpx: no track with points"},
        {"counts.kml",
         "<kml><Placemark><gx:Track>\n<when>2024-06-20T10:00:00Z</when><when>2024-06-20T10:00:01Z</when>"
         "<gx:coord>8 47 500</gx:coord></gx:Track></Placemark></kml>",
         "counts.kml: line 1: gx:Track with 2 when and 1 gx:coord elements"},
        {"untimed.kml", "<kml><Placemark><LineString><coordinates>8,47 8.1,47</coordinates></LineString></Placemark></kml>",
         "untimed.kml: no timed track"},
        {"position.csv",
         "Timestamp,UTC,Callsign,Position,Altitude,Speed,Direction\n1718877600,,X,\"47.0;8.0\",0,0,0\n",
         "position.csv: line 2: invalid position \"47.0;8.0\""},
        {"columns.csv", "track,title,time_s,utc,latitude,longitude,wingspan\n",
         "columns.csv: line 1: unknown column \"wingspan\""},
        // Refused before sampling decades into memory.
        {"decades.gpx",
         "<gpx><trk><trkseg><trkpt lat=\"47\" lon=\"8\"><time>1971-01-01T00:00:00Z</time></trkpt>"
         "<trkpt lat=\"47.1\" lon=\"8\"><time>2030-01-01T00:00:00Z</time></trkpt></trkseg></trk></gpx>",
         "decades.gpx: the tracks span more than the 119 hours a recording holds"},
    };
    for (const Case& c : cases) {
        WriteText(folder + "/" + c.name, c.text);
        frctest::Run run = frctest::RunFrc("import " + folder + "/" + c.name + " -o " + folder + "/out.frc");
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.name << ": " << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << c.name << ": one line";
    }
    EXPECT_FALSE(std::ifstream(folder + "/out.frc").good()) << "nothing written for a refused input";

    // A name that says no format is a usage error; --format settles it.
    WriteText(folder + "/log.txt", "HFDTE200624\r\nB1000004700000N00800000EA0050000510\r\n"
                                   "B1000014700010N00800000EA0050000510\r\n");
    EXPECT_EQ(frctest::RunFrc("import " + folder + "/log.txt -o " + folder + "/out.frc").status, 2);
    EXPECT_EQ(frctest::RunFrc("import " + folder + "/log.txt --format igc -o " + folder + "/out.frc").status, 0);
    EXPECT_EQ(frctest::RunFrc("import " + folder + "/missing.gpx -o " + folder + "/out.frc").status, 1);
}

}  // namespace
