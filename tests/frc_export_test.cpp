// kestrel-frc export: each format written from a recording and read back by an
// independent reader (gpsbabel for GPX, KML and IGC; nlohmann-json for GeoJSON; the CSV
// table's own parser for the exact CSV values) lands on the recorded positions and UTC
// times.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <sstream>

#include "recording/sample.h"
#include "tests/support/frc_helpers.h"
#include "tools/kestrel-frc/csvformat.h"

namespace {

using frctest::Point;

// 2026-12-08 (day 342) 14:05:09 UTC; tracks start 0.5 s into the recording.
const uint32_t Date = frctest::Stamp(2026, 342, 14, 5, 9);
const int64_t DateUnix = 1796738709;  // the same moment in seconds since 1970

struct Fixture {
    std::string folder, file;
    std::vector<frctest::TrackSpec> tracks;
};

// Two aircraft: a Cessna near Seattle every second, and "Jet, \"Heavy\"" near Sydney
// (south, east) every 500 ms starting 3 s later.
Fixture MakeRecording(const std::string& name) {
    Fixture f;
    f.folder = frctest::TempFolder(name);
    f.file = f.folder + "/flight.frc";
    frctest::TrackSpec cessna, jet;
    cessna.title = "Cessna Skyhawk";
    cessna.groups = 0x07F;
    cessna.points = frctest::Flight(47.45, -122.31, 40, 1000, 5000);
    jet.title = "Jet, \"Heavy\"";
    jet.groups = 0xFFF;
    jet.interval = 500;
    jet.points = frctest::Flight(-33.95, 151.18, 30, 500, 35000);
    f.tracks = {cessna, jet};
    frctest::WriteFile(f.file, frctest::RecordingBytes(Date, f.tracks));
    return f;
}

// Seconds since 1970 of "2026-12-08T14:05:09.500Z" (the date part must be the test's).
double UnixOfUtc(const std::string& text) {
    int year, month, day, hour, minute;
    double second;
    if (sscanf(text.c_str(), "%d-%d-%dT%d:%d:%lfZ", &year, &month, &day, &hour, &minute, &second) != 6) return -1;
    EXPECT_EQ(year * 10000 + month * 100 + day, 20261208) << text;
    return (double)(DateUnix - 14 * 3600 - 5 * 60 - 9) + hour * 3600 + minute * 60 + second;
}

double UnixOfSample(const Point& p) {
    return (double)DateUnix + p.time / 10000.0;
}

struct ReadPoint {
    double latitude, longitude, altitude, time;
};
struct ReadTrack {
    std::string name;
    std::vector<ReadPoint> points;
};

// What gpsbabel reads from a file, written out as its own GPX and parsed here.
std::vector<ReadTrack> ReadWithGpsbabel(const std::string& format, const std::string& path) {
    std::string gpx = path + ".gpsbabel.gpx";
    EXPECT_EQ(frctest::Shell("gpsbabel -t -i " + format + " -f '" + path + "' -o gpx -F '" + gpx + "' 2>/dev/null"), 0);
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(gpx.c_str()));
    std::vector<ReadTrack> tracks;
    for (pugi::xml_node trk : document.child("gpx").children("trk")) {
        ReadTrack track;
        track.name = trk.child_value("name");
        for (pugi::xml_node segment : trk.children("trkseg")) {
            for (pugi::xml_node point : segment.children("trkpt")) {
                track.points.push_back({point.attribute("lat").as_double(), point.attribute("lon").as_double(),
                                        std::atof(point.child_value("ele")), UnixOfUtc(point.child_value("time"))});
            }
        }
        tracks.push_back(track);
    }
    return tracks;
}

void ExpectOnTrack(const ReadTrack& read, const std::vector<Point>& points, double metres) {
    ASSERT_EQ(read.points.size(), points.size()) << read.name;
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_NEAR(read.points[i].latitude, points[i].latitude, 1e-7) << read.name << " point " << i;
        EXPECT_NEAR(read.points[i].longitude, points[i].longitude, 1e-7) << read.name << " point " << i;
        EXPECT_NEAR(read.points[i].altitude, points[i].altitude, metres) << read.name << " point " << i;
        EXPECT_NEAR(read.points[i].time, UnixOfSample(points[i]), 0.001) << read.name << " point " << i;
    }
}

TEST(FrcExport, GpxAndKmlReadBackByGpsbabelLandOnTheRecordedPositionsAndTimes) {
    Fixture f = MakeRecording("gpx-kml");
    for (const char* format : {"gpx", "kml"}) {
        std::string out = f.folder + "/flight." + format;
        frctest::Run run = frctest::RunFrc("export " + f.file + " -o " + out);
        ASSERT_EQ(run.status, 0) << run.err;
        std::vector<ReadTrack> tracks = ReadWithGpsbabel(format, out);
        // KML holds each track twice: the timed gx:Track and the line of the path.
        std::vector<ReadTrack> timed;
        for (const ReadTrack& t : tracks)
            if (t.points.empty() || t.points[0].time > 0) timed.push_back(t);
        ASSERT_EQ(timed.size(), 2u) << format;
        EXPECT_EQ(timed[0].name, "Cessna Skyhawk") << format;
        EXPECT_EQ(timed[1].name, "Jet, \"Heavy\"") << format;
        ExpectOnTrack(timed[0], f.tracks[0].points, 0.001);
        ExpectOnTrack(timed[1], f.tracks[1].points, 0.001);
    }
    // --track keeps one; the attitude goes along in KML as heading, tilt (nose up) and
    // roll (right wing down).
    std::string kml = f.folder + "/second.kml";
    ASSERT_EQ(frctest::RunFrc("export " + f.file + " --track 2 -o " + kml).status, 0);
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(kml.c_str()));
    pugi::xpath_node_set tracks = document.select_nodes("//*[local-name()='Track']");
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_STREQ(tracks[0].node().child("gx:angles").child_value(), "90.00 3.00 10.00");
}

TEST(FrcExport, IgcHasOneFixPerSecondOfOneAircraftWithCrlfLines) {
    Fixture f = MakeRecording("igc");
    std::string out = f.folder + "/sydney.igc";
    frctest::Run run = frctest::RunFrc("export " + f.file + " --track 2 -o " + out);
    ASSERT_EQ(run.status, 0) << run.err;
    std::string text = frctest::ReadText(out);
    EXPECT_NE(text.find("HFDTEDATE:081226"), std::string::npos);
    EXPECT_NE(text.find("HFGTYGLIDERTYPE:Jet, \"Heavy\"\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\n\n"), std::string::npos);
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        ASSERT_EQ(text[at - 1], '\r') << "line end at " << at;
    // The jet's samples every 500 ms from 3.5 s: whole seconds 4 .. 18 of the recording.
    std::vector<Point> everySecond;
    for (const Point& p : f.tracks[1].points)
        if (p.time % 10000 == 0) everySecond.push_back(p);
    std::vector<ReadTrack> tracks = ReadWithGpsbabel("igc", out);
    ASSERT_GE(tracks.size(), 1u);
    // IGC stores thousandths of a minute (about 2 m) and whole metres.
    ASSERT_EQ(tracks[0].points.size(), everySecond.size());
    for (size_t i = 0; i < everySecond.size(); ++i) {
        EXPECT_NEAR(tracks[0].points[i].latitude, everySecond[i].latitude, 1.0 / 60000);
        EXPECT_NEAR(tracks[0].points[i].longitude, everySecond[i].longitude, 1.0 / 60000);
        EXPECT_NEAR(tracks[0].points[i].altitude, everySecond[i].altitude, 0.5);
        EXPECT_DOUBLE_EQ(tracks[0].points[i].time, UnixOfSample(everySecond[i]));
    }
}

std::vector<std::string> CsvCells(const std::string& line) {
    // RFC 4180: a quoted cell may hold commas and doubled quotes.
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            cells.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    return cells;
}

TEST(FrcExport, CsvAndGeoJsonHoldEverySampleWithItsValues) {
    Fixture f = MakeRecording("csv-geojson");
    std::string csv = f.folder + "/flight.csv", geojson = f.folder + "/flight.geojson";
    ASSERT_EQ(frctest::RunFrc("export " + f.file + " -o " + csv).status, 0);
    ASSERT_EQ(frctest::RunFrc("export " + f.file + " -o " + geojson).status, 0);

    std::istringstream lines(frctest::ReadText(csv));
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    ASSERT_EQ(line.back(), '\r');
    std::vector<std::string> header = CsvCells(line.substr(0, line.size() - 1));
    ASSERT_GE(header.size(), 15u);
    EXPECT_EQ(header[0], "track");
    EXPECT_EQ(header[4], "latitude");
    EXPECT_EQ(header.back(), "smoke");  // the jet records every group
    std::vector<CsvColumn> columns = CsvColumnsFor(0xFFF);
    size_t rows[2] = {0, 0};
    while (std::getline(lines, line)) {
        std::vector<std::string> cells = CsvCells(line.substr(0, line.size() - 1));
        ASSERT_EQ(cells.size(), header.size()) << line;
        size_t track = std::stoul(cells[0]) - 1;
        ASSERT_LT(track, 2u);
        const Point& p = f.tracks[track].points[rows[track]++];
        EXPECT_EQ(cells[1], f.tracks[track].title);
        EXPECT_NEAR(UnixOfUtc(cells[3]), UnixOfSample(p), 1e-6);
        char seconds[32];
        snprintf(seconds, sizeof seconds, "%u.%04u", p.time / 10000, p.time % 10000);
        EXPECT_EQ(cells[2], seconds);
        // The cells read back to the very bytes of the record.
        FullSample expected = {}, read = {};
        std::vector<uint8_t> record = frctest::RecordBytes(p, 0xFFF);
        memcpy(expected.bytes, record.data(), FullSampleSize);
        for (size_t c = 0; c < columns.size(); ++c) {
            const std::string& cell = cells[4 + c];
            if (track == 0 && columns[c].group != 0 && !(columns[c].group & 0x07F)) {
                EXPECT_EQ(cell, "") << columns[c].name;  // a group the Cessna does not record
                continue;
            }
            ASSERT_TRUE(ParseCsvValue(cell, columns[c], &read)) << columns[c].name << " = " << cell;
        }
        SetSampleU32(&read, FieldTime, p.time);
        EXPECT_EQ(memcmp(read.bytes, expected.bytes, FullSampleSize), 0) << "row of track " << track + 1;
    }
    EXPECT_EQ(rows[0], f.tracks[0].points.size());
    EXPECT_EQ(rows[1], f.tracks[1].points.size());

    nlohmann::json json = nlohmann::json::parse(frctest::ReadText(geojson));
    EXPECT_EQ(json["type"], "FeatureCollection");
    ASSERT_EQ(json["features"].size(), 2u);
    for (size_t t = 0; t < 2; ++t) {
        const nlohmann::json& feature = json["features"][t];
        EXPECT_EQ(feature["properties"]["title"], f.tracks[t].title);
        EXPECT_EQ(feature["geometry"]["type"], "LineString");
        const nlohmann::json& coordinates = feature["geometry"]["coordinates"];
        ASSERT_EQ(coordinates.size(), f.tracks[t].points.size());
        for (size_t i = 0; i < coordinates.size(); ++i) {
            const Point& p = f.tracks[t].points[i];
            EXPECT_NEAR(coordinates[i][0].get<double>(), p.longitude, 1e-8);
            EXPECT_NEAR(coordinates[i][1].get<double>(), p.latitude, 1e-8);
            EXPECT_NEAR(coordinates[i][2].get<double>(), p.altitude, 1e-3);
            EXPECT_NEAR(UnixOfUtc(feature["properties"]["times"][i].get<std::string>()), UnixOfSample(p), 1e-3);
        }
    }
}

// Titles come from the simulator in its code page; a byte string that merely looks like
// UTF-8 to a lax check (a lead byte beyond U+10FFFF, a surrogate, an overlong form) is
// no UTF-8 either. JSON and XML readers must get valid UTF-8 of the same characters.
TEST(FrcExport, TitlesInTheSimulatorsCodePageBecomeUtf8) {
    Fixture f = MakeRecording("code-page");
    f.tracks[0].title = "Caf\xE9 \x80\x9F";
    f.tracks[1].title = "\xF6\x80\x80\x80 \xED\xA0\x80 \xE0\x80\x80 \xC3\xA9";
    frctest::WriteFile(f.file, frctest::RecordingBytes(Date, f.tracks));
    const std::string expected[2] = {"Caf\u00E9 \u20AC\u0178",
                                     "\u00F6\u20AC\u20AC\u20AC \u00ED\u00A0\u20AC \u00E0\u20AC\u20AC \u00C3\u00A9"};
    std::string geojson = f.folder + "/flight.geojson", gpx = f.folder + "/flight.gpx";
    ASSERT_EQ(frctest::RunFrc("export " + f.file + " -o " + geojson).status, 0);
    ASSERT_EQ(frctest::RunFrc("export " + f.file + " -o " + gpx).status, 0);
    nlohmann::json json = nlohmann::json::parse(frctest::ReadText(geojson));
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(gpx.c_str(), pugi::parse_default, pugi::encoding_utf8));
    pugi::xml_node trk = document.child("gpx").child("trk");
    for (size_t t = 0; t < 2; ++t, trk = trk.next_sibling("trk")) {
        EXPECT_EQ(json["features"][t]["properties"]["title"], expected[t]);
        EXPECT_EQ(std::string(trk.child_value("name")), expected[t]);
    }
    nlohmann::json info = nlohmann::json::parse(frctest::RunFrc("info " + f.file + " --json").out);
    EXPECT_EQ(info[0]["tracks"][1]["title"], expected[1]);
    // IGC headers are ASCII: a '?' stands for each character, not for each byte.
    std::string igc = f.folder + "/flight.igc";
    ASSERT_EQ(frctest::RunFrc("export " + f.file + " --track 2 -o " + igc).status, 0);
    EXPECT_NE(frctest::ReadText(igc).find("HFGTYGLIDERTYPE:???? ??? ??? ??\r\n"), std::string::npos);
}

}  // namespace
