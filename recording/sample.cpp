// The sample layout rule, packing and unpacking of records, and the fixed-point
// conversions. Every track computes its layout once; packing is a handful of block
// copies per sample and never allocates.
#include "recording/sample.h"

#include <cmath>

namespace {

struct BlockInfo {
    uint32_t fullOffset;  // where the block sits in a FullSample
    uint32_t size;        // bytes
    uint32_t group;       // SampleGroup bit, 0 for a block every record holds
};

// In storage order: laying the present blocks end to end gives the packed record.
// Mixture and propeller are one group but two blocks, as the layout keeps both.
constexpr BlockInfo Blocks[SampleBlockCount] = {
    {FieldLatitude, 36, 0},            // BlockPosition
    {FieldVelocityX, 24, 0},           // BlockVelocity
    {FieldOnGround, 1, 0},             // BlockOnGround
    {FieldThrottle1, 8, Throttles},    // BlockThrottles
    {FieldElevator, 2, Controls},      // BlockElevator
    {FieldAileron, 2, Controls},       // BlockAileron
    {FieldRudder, 2, Controls},        // BlockRudder
    {FieldSpoilers, 2, Spoilers},      // BlockSpoilers
    {FieldFlapsIndex, 1, Flaps},       // BlockFlapsIndex
    {FieldGear, 2, Gear},              // BlockGear
    {FieldLights, 2, Lights},          // BlockLights
    {FieldParkingBrake, 1, 0},         // BlockParkingBrake
    {FieldEngine1, 4, Engines},        // BlockEngines
    {FieldNav1Frequency, 12, NavRadios},  // BlockNavRadios
    {FieldCom1Frequency, 6, ComRadios},   // BlockComRadios
    {FieldMixture1, 8, PropMixture},   // BlockMixture
    {FieldPropeller1, 8, PropMixture}, // BlockPropeller
    {FieldYear, 6, DateTime},          // BlockDateTime
    {FieldSmoke, 1, Smoke},            // BlockSmoke
    {FieldTime, 4, 0},                 // BlockTime
};

constexpr uint32_t SumBlockSizes() {
    uint32_t total = 0;
    for (const BlockInfo& block : Blocks) total += block.size;
    return total;
}
static_assert(SumBlockSizes() == FullSampleSize, "the blocks tile the FullSample");

bool HasBlock(uint32_t groups, uint32_t block) {
    return Blocks[block].group == 0 || (groups & Blocks[block].group) != 0;
}

constexpr double MaxCgHeightFeet = 1000.0;

}  // namespace

SampleLayout ComputeSampleLayout(uint32_t groups) {
    SampleLayout layout = {};
    uint32_t cursor = 0;
    for (uint32_t block = 0; block < SampleBlockCount; ++block) {
        if (!HasBlock(groups, block)) continue;
        layout.offsets[block] = cursor;
        cursor += Blocks[block].size;
    }
    layout.recordSize = cursor;
    return layout;
}

uint32_t SampleRecordSize(uint32_t groups) {
    uint32_t size = 0;
    for (uint32_t block = 0; block < SampleBlockCount; ++block) {
        if (HasBlock(groups, block)) size += Blocks[block].size;
    }
    return size;
}

uint32_t RecordFieldOffset(const SampleLayout* layout, uint32_t fullOffset) {
    uint32_t block = SampleBlockCount - 1;
    while (block > 0 && Blocks[block].fullOffset > fullOffset) --block;
    return layout->offsets[block] + (fullOffset - Blocks[block].fullOffset);
}

// Unrolled, every block's size is a constant and its copy a move or two, not a call.
void PackSample(const FullSample* full, const SampleLayout* layout, uint32_t groups, uint8_t* record) {
#pragma GCC unroll 20
    for (uint32_t block = 0; block < SampleBlockCount; ++block) {
        if (HasBlock(groups, block))
            memcpy(record + layout->offsets[block], full->bytes + Blocks[block].fullOffset, Blocks[block].size);
    }
}

void UnpackSample(const uint8_t* record, const SampleLayout* layout, uint32_t groups, FullSample* full) {
#pragma GCC unroll 20
    for (uint32_t block = 0; block < SampleBlockCount; ++block) {
        if (HasBlock(groups, block))
            memcpy(full->bytes + Blocks[block].fullOffset, record + layout->offsets[block], Blocks[block].size);
    }
}

static double UsableCgHeight(double feet) {
    return std::isfinite(feet) && feet >= -MaxCgHeightFeet && feet <= MaxCgHeightFeet ? feet : 0.0;
}

int64_t CgHeightOffset(double aircraftCgFeet, double trackCgFeet) {
    return FeetToAltitude(UsableCgHeight(aircraftCgFeet) - UsableCgHeight(trackCgFeet));
}
