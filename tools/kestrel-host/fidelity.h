// Replay fidelity: where the user's aircraft flew while it was recorded, against where
// it flies when the recording is played back, compared at the same recording time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Fidelity {
public:
    void StartRecording();
    void StartPlayback();
    // Called after every frame with the module's mode and recording time.
    void Frame(uint32_t mode, uint32_t timeline);
    std::string Report() const;

    struct Pose {
        uint32_t time;  // recording time, 1/10000 s
        double latitude, longitude, altitude;  // degrees, degrees, metres
        double pitch, bank, heading;           // degrees
    };
    // The comparison itself, for tests: the recorded poses (in time order) and the
    // played ones; false when no played pose lies inside the recorded span.
    struct Figures {
        size_t compared = 0;
        double maxDistance = 0, rmsDistance = 0;       // metres
        double maxHeading = 0, maxPitch = 0, maxBank = 0;  // degrees
    };
    static bool Compare(const std::vector<Pose>& recorded, const std::vector<Pose>& played, Figures* figures);

private:
    enum Phase { None, Recording, Playing } phase_ = None;
    std::vector<Pose> recorded_;
    std::vector<Pose> played_;
};
