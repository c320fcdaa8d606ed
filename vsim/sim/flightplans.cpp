// The scripted flights. Each plan is a pilot that sets targets (speed, heading, vertical
// speed, levers) phase by phase; one common step moves the aircraft towards them with
// limited rates, so speed, heading, bank and pitch change smoothly, and integrates the
// position from the same velocity that the aircraft reports. Steps are cut to at most
// 50 ms so that a long frame flies the same path as many short ones.
#include "vsim/sim/flightplans.h"

#include <algorithm>
#include <cmath>

namespace vsim {

namespace {

const double Pi = 3.14159265358979323846;
const double RadiansPerDegree = Pi / 180.0;
const double MaxStepSeconds = 0.05;
const double EarthRadius = 10001750.0 * 2.0 / Pi;  // metres

// Pilot and aircraft limits.
const double RollRate = 8.0;          // degrees per second
const double RollAcceleration = 16.0; // degrees per second squared: a roll builds up in half a second
const double PitchRate = 3.0;         // degrees per second
const double VerticalAccel = 0.6;     // m/s per second
const double GroundTurnRate = 6.0;    // degrees per second, nose-wheel steering
const double ThrottleRate = 0.5;      // lever travel per second
const double GearTravelSeconds = 6.0; // full extension or retraction
const double PatternBank = 25.0;      // degrees

// Circuit numbers (metres, m/s, seconds).
const double TaxiSpeed = 5.0;
const double RotateSpeed = 26.0;
const double LiftOffSpeed = 30.0;
const double ClimbSpeed = 36.0;
const double PatternSpeed = 45.0;
const double ApproachSpeed = 38.0;
const double FinalSpeed = 33.0;
const double ClimbRate = 3.5;
const double PatternHeight = 250.0;
const double BaseHeight = 120.0;
const double FlareHeight = 8.0;
const double CrosswindTurnHeight = 150.0;
const double CrosswindLegEnd = 700.0;   // distance left of the runway where downwind begins
const double DownwindLegEnd = -800.0;   // along the runway, behind the take-off point
const double FlareSinkRate = 0.5;
const double LateFlareSinkRate = 2.5;   // the bounce plan's first touchdown comes in hard
const double TouchAndGoPowerTime = 3.0; // seconds on the runway before full power
const double TouchAndGoRotateTime = 4.0;
const double BounceContactSeconds = 0.3; // the hard touchdown's time on the wheels
const double BounceClimbRate = 3.0;     // the rebound, m/s
const double BounceSinkRate = 1.5;      // the second touchdown
const double BounceDeceleration = 3.0;  // m/s per second while the gear throws it up

// Orbit numbers.
const double OrbitSpeed = 60.0;
const double OrbitHeight = 600.0;

enum CircuitPhase {
    Preflight,
    TaxiOut,
    TaxiTurn,
    LineUp,
    TakeoffRoll,
    Upwind,
    Crosswind,
    Downwind,
    Base,
    Final,
    Flare,
    TouchAndGo,
    Bounced,
    Rollout,
    TaxiIn,
    Shutdown,
    Finished,
    CircuitPhaseCount
};

const char* const CircuitPhaseNames[CircuitPhaseCount] = {
    "preflight", "taxi-out", "taxi-turn", "line-up", "take-off-roll", "upwind", "crosswind", "downwind",
    "base",      "final",    "flare",     "touch-and-go", "bounce", "roll-out", "taxi-in", "shutdown", "parked",
};

// What the pilot asks for in one step.
enum SteerMode { SteerStraight, SteerToHeading, SteerFixedBank };
struct PilotCommands {
    double speedTarget = 0.0;
    double acceleration = 1.0;  // m/s per second, the most the speed may change
    SteerMode steer = SteerStraight;
    double headingTarget = 0.0;
    double rightBank = 0.0;         // for SteerFixedBank
    double verticalSpeedTarget = 0.0;
    double verticalAcceleration = VerticalAccel;  // m/s per second, the most the climb rate may change
    double noseUpOnGround = 0.0;
};

double Clamp(double value, double low, double high) { return std::min(std::max(value, low), high); }

double Approach(double value, double target, double maxChange) {
    if (value < target) return std::min(value + maxChange, target);
    return std::max(value - maxChange, target);
}

double Wrap360(double degrees) {
    double wrapped = std::fmod(degrees, 360.0);
    if (wrapped < 0.0) wrapped += 360.0;
    if (wrapped >= 360.0) wrapped -= 360.0;
    return wrapped;
}

double Wrap180(double degrees) { return Wrap360(degrees + 180.0) - 180.0; }

double CgMetres(const SimAircraft& aircraft) { return aircraft.cgFeet * 0.3048; }
double GroundAltitude(const SimAircraft& aircraft) { return GroundElevation + CgMetres(aircraft); }
double HeightAboveGround(const SimAircraft& aircraft) { return aircraft.altitude - GroundAltitude(aircraft); }

// Position relative to the runway: along its heading from the take-off point, and to
// the left of its centre line.
void RunwayCoordinates(const SimAircraft& aircraft, double* along, double* left) {
    const FlightPlanState& p = aircraft.plan;
    double north = 0.0, east = 0.0;
    MetresBetween(p.runwayLatitude, p.runwayLongitude, aircraft.latitude, aircraft.longitude, &north, &east);
    double h = p.runwayHeading * RadiansPerDegree;
    *along = north * std::cos(h) + east * std::sin(h);
    *left = north * std::sin(h) - east * std::cos(h);
}

bool Crossed(double before, double now, double mark) { return before < mark && now >= mark; }

bool IsCircuit(FlightPlanKind kind) { return kind == PlanCircuit || kind == PlanTouchAndGo || kind == PlanBounce; }

void SetEngines(SimAircraft* aircraft, bool running) {
    for (int i = 0; i < 4; ++i) aircraft->combustion[i] = (running && i < aircraft->engineCount) ? 1.0 : 0.0;
}

void SetEngineLevers(SimAircraft* aircraft, double mixture, double propeller) {
    for (int i = 0; i < 4; ++i) {
        bool fitted = i < aircraft->engineCount;
        aircraft->mixture[i] = fitted ? mixture : 0.0;
        aircraft->propeller[i] = fitted ? propeller : 0.0;
    }
}

void SetThrottles(SimAircraft* aircraft, double position) {
    for (int i = 0; i < 4; ++i) aircraft->throttle[i] = i < aircraft->engineCount ? position : 0.0;
    aircraft->plan.throttleTarget = position;
}

void SetGearDown(SimAircraft* aircraft, bool down) {
    aircraft->gearHandle = down ? 1.0 : 0.0;
    for (double& leg : aircraft->gearPosition) leg = down ? 1.0 : 0.0;
}

void EnterPhase(SimAircraft* aircraft, int phase) {
    aircraft->plan.phase = phase;
    aircraft->plan.phaseTime = 0.0;
}

void ColdAndDark(SimAircraft* aircraft) {
    SetEngines(aircraft, false);
    SetThrottles(aircraft, 0.0);
    SetEngineLevers(aircraft, 0.0, 0.0);
    SetGearDown(aircraft, true);
    aircraft->elevator = aircraft->aileron = aircraft->rudder = 0.0;
    aircraft->spoilers = 0.0;
    aircraft->flapsIndex = 0.0;
    aircraft->lights = 0;
    aircraft->parkingBrake = 1.0;
    aircraft->smoke = 0.0;
    aircraft->onGround = true;
}

// The circuit's pilot: targets for this step and the cockpit changes of each phase.
// `before` and `now` are the phase times at the start and end of the step.
void FlyCircuitPhase(SimAircraft* a, double before, double now, PilotCommands* c) {
    FlightPlanState& p = a->plan;
    double height = HeightAboveGround(*a);
    double along = 0.0, left = 0.0;
    RunwayCoordinates(*a, &along, &left);
    double runway = p.runwayHeading;

    switch (p.phase) {
        case Preflight:
            if (Crossed(before, now, 1.0)) a->lights |= LightCabin | LightPanel;
            if (Crossed(before, now, 2.0)) a->lights |= LightBeacon;
            if (Crossed(before, now, 4.0)) SetEngineLevers(a, 1.0, 1.0);
            if (Crossed(before, now, 5.0)) a->combustion[0] = 1.0;
            if (Crossed(before, now, 8.0)) SetEngines(a, true);
            if (Crossed(before, now, 10.0)) a->lights |= LightNav | LightLogo;
            if (Crossed(before, now, 11.0)) a->lights |= LightTaxi;
            if (now >= 12.0) {
                a->parkingBrake = 0.0;
                p.throttleTarget = 0.3;
                EnterPhase(a, TaxiOut);
            }
            break;
        case TaxiOut:
            c->speedTarget = TaxiSpeed;
            c->acceleration = 0.6;
            if (p.speed >= 4.0) p.throttleTarget = 0.12;
            if (now >= 20.0) EnterPhase(a, TaxiTurn);
            break;
        case TaxiTurn:
            c->speedTarget = TaxiSpeed;
            c->steer = SteerToHeading;
            c->headingTarget = runway;
            if (std::fabs(Wrap180(runway - p.track)) < 0.2) EnterPhase(a, LineUp);
            break;
        case LineUp:
            c->speedTarget = 0.0;
            c->acceleration = 1.0;
            c->steer = SteerToHeading;
            c->headingTarget = runway;
            if (Crossed(before, now, 2.0)) p.throttleTarget = 0.0;
            if (Crossed(before, now, 6.0)) {
                a->flapsIndex = 1.0;
                a->comMhz[0] = 118.10;  // from ground to tower
                a->lights = (a->lights & ~LightTaxi) | LightLanding | LightStrobe | LightRecognition | LightWing;
            }
            if (now >= 12.0 && p.speed == 0.0) {
                p.runwayLatitude = a->latitude;
                p.runwayLongitude = a->longitude;
                p.throttleTarget = 1.0;
                EnterPhase(a, TakeoffRoll);
            }
            break;
        case TakeoffRoll:
            c->speedTarget = 45.0;
            c->acceleration = 2.4 * a->throttle[0];  // the roll builds up as the levers come forward
            c->steer = SteerToHeading;
            c->headingTarget = runway;
            c->noseUpOnGround = p.speed >= RotateSpeed ? 6.0 : 0.0;
            if (p.speed >= LiftOffSpeed && p.noseUp >= 4.0) {
                a->onGround = false;
                EnterPhase(a, Upwind);
            }
            break;
        case Upwind:
            c->speedTarget = ClimbSpeed;
            c->acceleration = 0.8;
            c->steer = SteerToHeading;
            c->headingTarget = runway;
            c->verticalSpeedTarget = ClimbRate;
            if (Crossed(before, now, 4.0)) a->gearHandle = 0.0;
            if (Crossed(before, now, 6.0)) p.throttleTarget = 0.85;
            if (height >= 100.0) a->flapsIndex = 0.0;
            if (height >= CrosswindTurnHeight) EnterPhase(a, Crosswind);
            break;
        case Crosswind: {
            double target = GroundAltitude(*a) + PatternHeight;
            c->speedTarget = PatternSpeed;
            c->acceleration = 0.5;
            c->steer = SteerToHeading;
            c->headingTarget = Wrap360(runway - 90.0);
            c->verticalSpeedTarget = Clamp(0.15 * (target - a->altitude), -ClimbRate, ClimbRate);
            if (a->altitude >= target - 10.0) p.throttleTarget = 0.6;
            if (Crossed(before, now, 5.0)) a->lights &= ~(LightLanding | LightRecognition | LightWing);
            if (left >= CrosswindLegEnd) EnterPhase(a, Downwind);
            break;
        }
        case Downwind: {
            double target = GroundAltitude(*a) + PatternHeight;
            bool abeam = along <= 0.0;
            c->speedTarget = abeam ? ApproachSpeed : PatternSpeed;
            c->acceleration = 0.5;
            c->steer = SteerToHeading;
            c->headingTarget = Wrap360(runway + 180.0);
            c->verticalSpeedTarget = Clamp(0.15 * (target - a->altitude), -ClimbRate, ClimbRate);
            p.throttleTarget = abeam ? 0.45 : 0.6;
            if (abeam) a->flapsIndex = 1.0;
            if (along <= DownwindLegEnd) EnterPhase(a, Base);
            break;
        }
        case Base: {
            double target = GroundAltitude(*a) + BaseHeight;
            c->speedTarget = ApproachSpeed;
            c->acceleration = 0.5;
            c->steer = SteerToHeading;
            c->headingTarget = Wrap360(runway + 90.0);
            c->verticalSpeedTarget = Clamp(0.15 * (target - a->altitude), -2.5, 0.0);
            p.throttleTarget = 0.35;
            if (Crossed(before, now, 1.0)) a->flapsIndex = 2.0;
            if (Crossed(before, now, 5.0)) a->gearHandle = 1.0;
            // Turn final when the turn at pattern bank just brings it onto the centre line.
            double radius = p.speed * p.speed / (GravityMs2 * std::tan(PatternBank * RadiansPerDegree));
            if (now > 8.0 && left <= 1.15 * radius) EnterPhase(a, Final);
            break;
        }
        case Final:
            c->speedTarget = FinalSpeed;
            c->acceleration = 0.5;
            c->steer = SteerToHeading;
            // Intercept the centre line: steer right of the runway heading while left of it.
            c->headingTarget = Wrap360(runway + Clamp(0.08 * left, -30.0, 30.0));
            c->verticalSpeedTarget = -3.0;
            p.throttleTarget = 0.3;
            if (Crossed(before, now, 2.0)) {
                a->flapsIndex = 3.0;
                a->lights |= LightLanding;
            }
            if (height <= FlareHeight) EnterPhase(a, Flare);
            break;
        case Flare:
            c->speedTarget = 28.0;
            c->acceleration = 0.8;
            c->steer = SteerToHeading;
            c->headingTarget = runway;
            c->verticalSpeedTarget = p.kind == PlanBounce && p.touchdowns == 0 ? -LateFlareSinkRate : -FlareSinkRate;
            p.throttleTarget = 0.0;
            if (a->onGround) {
                ++p.touchdowns;
                if (p.touchdowns == 1 && p.kind == PlanTouchAndGo) {
                    EnterPhase(a, TouchAndGo);
                } else if (p.touchdowns == 1 && p.kind == PlanBounce) {
                    EnterPhase(a, Bounced);
                } else {
                    a->spoilers = 1.0;
                    EnterPhase(a, Rollout);
                }
            }
            break;
        case TouchAndGo:
            // Rolls on while the flaps go back to take-off, then full power and away for
            // another circuit; the take-off phases take it from lift-off.
            c->speedTarget = 45.0;
            c->acceleration = 2.4 * a->throttle[0];
            c->steer = SteerToHeading;
            c->headingTarget = runway;
            c->noseUpOnGround = now >= TouchAndGoRotateTime && p.speed >= RotateSpeed ? 6.0 : 0.0;
            if (Crossed(before, now, 1.0)) a->flapsIndex = 1.0;
            if (Crossed(before, now, TouchAndGoPowerTime)) p.throttleTarget = 1.0;
            if (now >= TouchAndGoRotateTime && p.speed >= LiftOffSpeed && p.noseUp >= 4.0) {
                a->onGround = false;
                EnterPhase(a, Upwind);
            }
            break;
        case Bounced:
            // The gear takes the hard touchdown and throws the aircraft back up; the pilot
            // holds the attitude and lets it settle onto the runway again.
            c->speedTarget = 26.0;
            c->acceleration = 0.8;
            c->steer = SteerToHeading;
            c->headingTarget = runway;
            c->noseUpOnGround = p.noseUp;
            c->verticalSpeedTarget = -BounceSinkRate;
            c->verticalAcceleration = BounceDeceleration;
            if (a->onGround && Crossed(before, now, BounceContactSeconds)) {
                a->onGround = false;
                p.verticalSpeed = BounceClimbRate;
            } else if (a->onGround && now > BounceContactSeconds) {
                a->spoilers = 1.0;
                EnterPhase(a, Rollout);
            }
            break;
        case Rollout:
            c->speedTarget = 6.0;
            c->acceleration = 2.0;
            c->steer = SteerToHeading;
            c->headingTarget = runway;
            if (p.speed <= 6.0) {
                a->spoilers = 0.0;
                a->flapsIndex = 0.0;
                a->lights = (a->lights & ~(LightLanding | LightStrobe)) | LightTaxi;
                p.throttleTarget = 0.1;
                EnterPhase(a, TaxiIn);
            }
            break;
        case TaxiIn:
            c->speedTarget = TaxiSpeed;
            c->acceleration = 0.6;
            c->steer = SteerToHeading;
            c->headingTarget = Wrap360(runway - 90.0);  // off the runway to the left
            if (now >= 25.0) {
                p.throttleTarget = 0.0;
                EnterPhase(a, Shutdown);
            }
            break;
        case Shutdown:
            c->speedTarget = 0.0;
            c->acceleration = 1.0;
            c->steer = SteerStraight;
            if (Crossed(before, now, 6.0)) a->parkingBrake = 1.0;
            if (Crossed(before, now, 7.0)) a->lights &= ~LightTaxi;
            if (Crossed(before, now, 8.0)) {
                SetEngines(a, false);
                SetEngineLevers(a, 0.0, 1.0);
            }
            if (Crossed(before, now, 12.0)) a->lights &= ~LightBeacon;
            if (Crossed(before, now, 13.0)) a->lights = 0;  // nav, logo, panel and cabin
            if (now >= 14.0) EnterPhase(a, Finished);
            break;
        default:  // Finished: parked where it stopped
            break;
    }
}

void FlyOrbit(SimAircraft* a, PilotCommands* c) {
    FlightPlanState& p = a->plan;
    c->speedTarget = OrbitSpeed;
    c->acceleration = 0.5;
    c->steer = SteerFixedBank;
    c->rightBank = -PatternBank;  // a left-hand circle
    c->verticalSpeedTarget = Clamp(0.15 * (p.holdAltitude - a->altitude), -3.0, 3.0);
}

// Moves the aircraft one step towards the pilot's targets. Frozen dimensions keep the
// aircraft's values (and the velocity components that belong to them); the pilot's
// own copies still change, so the flight carries on when the freeze ends.
// Banks towards a target the way a pilot does: the roll rate builds up and eases off
// (no step changes of the rate), and the bank settles on the target without overshoot.
void Roll(FlightPlanState* p, double bankTarget, double dt) {
    double error = bankTarget - p->rightBank;
    double wanted = Clamp(2.0 * error, -RollRate, RollRate);
    p->rollRate = Approach(p->rollRate, wanted, RollAcceleration * dt);
    double step = p->rollRate * dt;
    if ((error > 0 && step > error) || (error < 0 && step < error)) step = error;
    p->rightBank += step;
}

void StepAircraft(SimAircraft* a, const PilotCommands& c, double dt) {
    FlightPlanState& p = a->plan;
    const bool freePosition = !a->frozen[0];
    const bool freeAltitude = !a->frozen[1];
    const bool freeAttitude = !a->frozen[2];

    // Whatever was written to the free dimensions since the last step is where it goes on from.
    if (freeAttitude) {
        p.track = a->heading;
        p.noseUp = -a->pitch;
        p.rightBank = -a->bank;
    }

    double speedBefore = p.speed;
    p.speed = std::max(0.0, Approach(p.speed, c.speedTarget, c.acceleration * dt));
    double speed = 0.5 * (speedBefore + p.speed);

    double bankBefore = p.rightBank;
    double turnRate = 0.0;  // degrees per second, right positive
    double error = Wrap180(c.headingTarget - p.track);
    if (a->onGround) {
        Roll(&p, 0.0, dt);
        if (c.steer == SteerToHeading)
            turnRate = Clamp(1.2 * error, -GroundTurnRate, GroundTurnRate) * Clamp(speed / 2.0, 0.0, 1.0);
    } else {
        double bankTarget = 0.0;
        if (c.steer == SteerToHeading) bankTarget = Clamp(2.0 * error, -PatternBank, PatternBank);
        if (c.steer == SteerFixedBank) bankTarget = c.rightBank;
        Roll(&p, bankTarget, dt);
        double bank = 0.5 * (bankBefore + p.rightBank) * RadiansPerDegree;
        turnRate = GravityMs2 * std::tan(bank) / std::max(speed, 10.0) / RadiansPerDegree;
    }
    double bankRate = (p.rightBank - bankBefore) / dt;
    double midTrack = (p.track + 0.5 * turnRate * dt) * RadiansPerDegree;
    p.track = Wrap360(p.track + turnRate * dt);

    double climbBefore = p.verticalSpeed;
    if (a->onGround)
        p.verticalSpeed = 0.0;
    else
        p.verticalSpeed = Approach(p.verticalSpeed, c.verticalSpeedTarget, c.verticalAcceleration * dt);
    double climb = 0.5 * (climbBefore + p.verticalSpeed);

    double noseTarget = c.noseUpOnGround;
    if (!a->onGround) {
        double pathAngle = std::atan2(p.verticalSpeed, std::max(p.speed, 1.0)) / RadiansPerDegree;
        double ratio = 38.0 / std::max(p.speed, 20.0);
        noseTarget = pathAngle + Clamp(3.5 * ratio * ratio, 1.0, 10.0);
    }
    double noseBefore = p.noseUp;
    p.noseUp = Approach(p.noseUp, noseTarget, PitchRate * dt);
    double pitchRate = (p.noseUp - noseBefore) / dt;

    if (freePosition) {
        MoveByMetres(&a->latitude, &a->longitude, speed * std::cos(midTrack) * dt, speed * std::sin(midTrack) * dt);
        a->velocity[0] = p.speed * std::sin(p.track * RadiansPerDegree) * FeetPerMetre;
        a->velocity[2] = p.speed * std::cos(p.track * RadiansPerDegree) * FeetPerMetre;
    }
    if (freeAltitude) {
        if (a->onGround) {
            a->altitude = GroundAltitude(*a);
        } else {
            a->altitude += climb * dt;
            if (a->altitude <= GroundAltitude(*a)) {  // touchdown
                a->altitude = GroundAltitude(*a);
                a->onGround = true;
                p.verticalSpeed = 0.0;
            }
        }
        a->velocity[1] = p.verticalSpeed * FeetPerMetre;
    }
    if (freeAttitude) {
        a->heading = p.track;
        a->pitch = -p.noseUp;
        a->bank = -p.rightBank;
    }

    // Levers and surfaces follow what the pilot does.
    for (int i = 0; i < 4; ++i)
        a->throttle[i] = i < a->engineCount ? Approach(a->throttle[i], p.throttleTarget, ThrottleRate * dt) : 0.0;
    for (double& leg : a->gearPosition) leg = Approach(leg, a->gearHandle, dt / GearTravelSeconds);
    a->aileron = Clamp(0.5 * bankRate / RollRate, -1.0, 1.0);
    if (a->onGround) {
        a->rudder = Clamp(0.6 * turnRate / GroundTurnRate, -1.0, 1.0);
        a->elevator = Clamp(0.3 * pitchRate / PitchRate, -1.0, 1.0);
    } else {
        a->rudder = Clamp(p.rightBank / 200.0, -1.0, 1.0);
        a->elevator = Clamp(0.05 + p.noseUp / 40.0 + 0.3 * pitchRate / PitchRate, -1.0, 1.0);
    }
}

}  // namespace

bool ParseFlightPlan(const std::string& name, FlightPlanKind* kind) {
    static const struct {
        const char* name;
        FlightPlanKind kind;
    } Plans[] = {{"parked", PlanParked},
                 {"orbit", PlanOrbit},
                 {"circuit", PlanCircuit},
                 {"touch-and-go", PlanTouchAndGo},
                 {"bounce", PlanBounce}};
    for (const auto& plan : Plans) {
        if (name == plan.name) {
            if (kind) *kind = plan.kind;
            return true;
        }
    }
    return false;
}

const char* FlightPlanName(FlightPlanKind kind) {
    switch (kind) {
        case PlanOrbit:
            return "orbit";
        case PlanCircuit:
            return "circuit";
        case PlanTouchAndGo:
            return "touch-and-go";
        case PlanBounce:
            return "bounce";
        default:
            return "parked";
    }
}

const char* FlightPlanPhaseName(const SimAircraft& aircraft) {
    const FlightPlanState& p = aircraft.plan;
    if (aircraft.released) return "released";
    if (p.kind == PlanOrbit) return "orbit";
    if (IsCircuit(p.kind) && p.phase >= 0 && p.phase < CircuitPhaseCount) return CircuitPhaseNames[p.phase];
    return "parked";
}

void StartFlightPlan(SimAircraft* a, FlightPlanKind kind, unsigned slot) {
    a->plan = FlightPlanState();
    FlightPlanState& p = a->plan;
    p.kind = kind;
    a->latitude = FieldLatitude;
    a->longitude = FieldLongitude;
    a->pitch = a->bank = a->heading = 0.0;
    for (double& v : a->velocity) v = 0.0;
    ColdAndDark(a);

    if (kind == PlanOrbit) {
        // Airborne east of the field, each slot higher and further out.
        MoveByMetres(&a->latitude, &a->longitude, 1500.0, 2000.0 + 300.0 * slot);
        a->altitude = GroundAltitude(*a) + OrbitHeight + 100.0 * slot;
        a->onGround = false;
        p.holdAltitude = a->altitude;
        p.speed = OrbitSpeed;
        p.rightBank = -PatternBank;
        p.noseUp = 3.5 * (38.0 / OrbitSpeed) * (38.0 / OrbitSpeed);
        a->bank = -p.rightBank;
        a->pitch = -p.noseUp;
        a->velocity[2] = OrbitSpeed * FeetPerMetre;
        SetEngines(a, true);
        SetEngineLevers(a, 1.0, 1.0);
        SetThrottles(a, 0.6);
        SetGearDown(a, false);
        a->parkingBrake = 0.0;
        a->lights = LightNav | LightBeacon | LightStrobe | LightLogo;
        a->smoke = 1.0;
        a->comMhz[0] = 118.10;
        a->transponder = 7000;
    } else {
        // On the apron, facing north; each slot parks further east and a little south.
        MoveByMetres(&a->latitude, &a->longitude, -40.0 * slot, 60.0 * slot);
        a->altitude = GroundAltitude(*a);
        p.runwayHeading = 270.0;  // the taxi-way leads north to a runway that runs west
        if (kind == PlanParked) EnterPhase(a, Finished);
    }
    p.track = a->heading;
}

void FlyFlightPlan(SimAircraft* a, double dtSeconds) {
    if (a->released || dtSeconds <= 0.0) return;
    if (a->frozen[0] && a->frozen[1] && a->frozen[2]) return;
    FlightPlanState& p = a->plan;
    if (p.kind == PlanParked) {
        p.planTime += dtSeconds;
        return;
    }
    int steps = int(std::ceil(dtSeconds / MaxStepSeconds));
    double dt = dtSeconds / steps;
    for (int i = 0; i < steps; ++i) {
        PilotCommands commands;
        double before = p.phaseTime;
        p.phaseTime += dt;
        p.planTime += dt;
        if (IsCircuit(p.kind)) {
            int phase = p.phase;
            FlyCircuitPhase(a, before, p.phaseTime, &commands);
            // A phase change decides this step's targets under the new phase.
            if (p.phase != phase) {
                commands = PilotCommands();
                FlyCircuitPhase(a, 0.0, 0.0, &commands);
            }
            if (p.phase == Finished) {
                p.speed = 0.0;
                continue;
            }
        } else {
            FlyOrbit(a, &commands);
        }
        StepAircraft(a, commands, dt);
    }
}

void MoveByMetres(double* latitude, double* longitude, double north, double east) {
    double cosLatitude = std::cos(*latitude * RadiansPerDegree);
    *latitude += north / MetresPerDegreeLatitude;
    if (cosLatitude > 1e-9) *longitude += east / (EarthRadius * cosLatitude * RadiansPerDegree);
    if (*longitude >= 180.0) *longitude -= 360.0;
    if (*longitude < -180.0) *longitude += 360.0;
}

void MetresBetween(double latitude0, double longitude0, double latitude1, double longitude1, double* north,
                   double* east) {
    double meanLatitude = 0.5 * (latitude0 + latitude1) * RadiansPerDegree;
    double dLongitude = Wrap180(longitude1 - longitude0);
    *north = (latitude1 - latitude0) * MetresPerDegreeLatitude;
    *east = dLongitude * RadiansPerDegree * EarthRadius * std::cos(meanLatitude);
}

}  // namespace vsim
