// Tracks and recording files written for tests and benchmarks. The file and track
// headers are written here field by field, little-endian, independently of the
// module's writer; the records are packed with the sample layout of the track's groups.
#include "tests/support/test_tracks.h"

#include <algorithm>
#include <cstring>

namespace {

void Put32(std::vector<uint8_t>* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out->push_back((uint8_t)(value >> (8 * i)));
}

void Put16(std::vector<uint8_t>* out, uint16_t value) {
    out->push_back((uint8_t)value);
    out->push_back((uint8_t)(value >> 8));
}

void PutFloat(std::vector<uint8_t>* out, float value) {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    Put32(out, bits);
}

void PutRecords(std::vector<uint8_t>* out, const TestTrack& track) {
    SampleLayout layout = ComputeSampleLayout(track.groups);
    std::vector<uint8_t> record(layout.recordSize);
    for (const FullSample& sample : track.samples) {
        PackSample(&sample, &layout, track.groups, record.data());
        out->insert(out->end(), record.begin(), record.end());
    }
}

uint32_t TimeOf(const FullSample& sample) {
    return GetSampleU32(&sample, FieldTime);
}

}  // namespace

FullSample SampleAt(uint32_t time) {
    FullSample sample;
    memset(&sample, 0, sizeof(sample));
    SetSampleU32(&sample, FieldTime, time);
    return sample;
}

int64_t LineLatitude(uint32_t time) {
    return DegreesToLatitude(47.0) + (int64_t)time * LineLatitudeRate;
}

int64_t LineLongitude() {
    return DegreesToLongitude(8.0);
}

int64_t LineAltitude() {
    return MetersToAltitude(1000.0);
}

TestTrack LineTrack(const std::string& title, uint32_t start, uint32_t end, uint32_t step, uint32_t groups) {
    TestTrack track;
    track.title = title;
    track.groups = groups;
    track.interval = step / 10;
    for (uint32_t time = start; time <= end; time += step) {
        FullSample sample = SampleAt(time);
        SetSampleI64(&sample, FieldLatitude, LineLatitude(time));
        SetSampleI64(&sample, FieldLongitude, LineLongitude());
        SetSampleI64(&sample, FieldAltitude, LineAltitude());
        SetSampleF64(&sample, FieldVelocityZ, 154.0);
        for (uint32_t i = 0; i < 4; ++i) SetSampleI16(&sample, FieldThrottle1 + 2 * i, 12288);
        SetSampleI16(&sample, FieldGear, 0);
        for (uint32_t i = 0; i < 4; ++i) SetSampleU8(&sample, FieldEngine1 + i, 1);
        track.samples.push_back(sample);
    }
    return track;
}

std::vector<uint8_t> RecordingFileBytes(const std::vector<TestTrack>& tracks, uint32_t date) {
    uint32_t start = 0xFFFFFFFF, end = 0;
    for (const TestTrack& track : tracks) {
        if (track.samples.empty()) continue;
        start = std::min(start, TimeOf(track.samples.front()));
        end = std::max(end, TimeOf(track.samples.back()));
    }
    std::vector<uint8_t> bytes;
    Put32(&bytes, 0x01000006);
    Put32(&bytes, start);
    Put32(&bytes, end);
    Put32(&bytes, date);
    Put16(&bytes, (uint16_t)tracks.size());
    for (const TestTrack& track : tracks) {
        Put32(&bytes, (uint32_t)track.samples.size());
        Put32(&bytes, track.groups);
        Put32(&bytes, track.samples.empty() ? 0 : TimeOf(track.samples.front()));
        Put32(&bytes, track.samples.empty() ? 0 : TimeOf(track.samples.back()));
        char title[100] = {};
        memcpy(title, track.title.data(), std::min<size_t>(track.title.size(), sizeof(title)));
        bytes.insert(bytes.end(), title, title + sizeof(title));
        PutFloat(&bytes, track.cgHeight);
        Put32(&bytes, track.interval);
        PutRecords(&bytes, track);
    }
    return bytes;
}

std::vector<uint8_t> LegacyFileBytes(uint32_t version, const TestTrack& track, uint32_t date) {
    std::vector<uint8_t> bytes;
    Put32(&bytes, version);
    Put32(&bytes, (uint32_t)track.samples.size());
    Put32(&bytes, track.samples.empty() ? 0 : TimeOf(track.samples.back()));
    Put32(&bytes, track.groups);
    PutFloat(&bytes, track.cgHeight);
    Put32(&bytes, version == 0x01000005 ? date : 0);
    Put32(&bytes, 0);
    PutRecords(&bytes, track);
    return bytes;
}
