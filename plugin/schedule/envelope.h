// How strongly the treatments act at each point of a beat: attack, sustain, release, then rest.
#pragma once

namespace pw {

// Eased 0..1 ramp over a segment: position x of a segment of the given length, steepness c (0 is linear).
double EaseCurve(double x, double length, double c);

struct Envelope {
    double envelope;  // 0..1
    bool inAttack;
};

// rest is a fraction of the beat; attack, sustain and release share the remainder in proportion.
Envelope ComputeEnvelope(double phase, double attack, double sustain, double release, double rest, double ease);

}  // namespace pw
