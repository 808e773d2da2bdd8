// The transmission of one reflection as a value: a function of the built
// model (read only) and the reflection's two beams, safe to call from any
// thread. It returns the factors, the beams' angles to the cell axis and the
// messages raised on the way, in the order they were raised; the processing
// loop writes those messages where the run writes them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "experiment/experiment_state.hpp"
#include "reflections/reflection_record.hpp"

namespace korvex {

// The beams of one reflection in the phi-axis frame: DCI the reversed
// incident beam, DCD the diffracted beam (unit vectors), and its 2theta in
// degrees as read (the sphere's tables are interpolated against it).
struct ReflectionBeams {
  Vec3 DCI{};
  Vec3 DCD{};
  float twoTheta = 0.0f;
};

ReflectionBeams beamsOf(const ReflectionRecord& refl);

struct TransmissionMessage {
  enum class Kind {
    SteepBeam,   // a beam more than 70 degrees off the load axis: no anvil transmission
    MediumPath,  // a grid point whose path in the medium came out below -0.5 micron
    Fatal,       // the computation stopped (a point outside the gasket hole, ...)
  };
  Kind kind = Kind::Fatal;
  float value = 0.0f;  // MediumPath: the path, microns
  std::string text;    // Fatal: the message
};

struct ReflectionTransmission {
  TransmissionState factors;
  // Angle of each beam to the load axis (radians) and the anvil it passes (1
  // incident-beam, 2 diffracted-beam); set only for a diamond-anvil cell.
  std::array<float, 2> PSI{};
  std::array<int, 2> ISIDE{};
  bool beyondAnvilLimit = false;  // a beam more than 70 degrees off the axis
  std::vector<TransmissionMessage> messages;

  // The fatal message, or nullptr when the computation finished.
  const TransmissionMessage* fatal() const;
};

// Which code integrates a polyhedral or filled-hole crystal. Both give the
// same bits; the reference is the plain loop, one grid point and one face at
// a time, kept to check the fast path against.
enum class CrystalKernel { Fast, Reference };

// ITOF's transmission part: the anvils for a diamond-anvil cell, then the
// crystal by the model's kind (none, polyhedron, sphere, filled hole), with
// the gasket and medium, and TRANS including the anvils.
ReflectionTransmission reflectionTransmission(const ExperimentState& model, const ReflectionBeams& beams,
                                              CrystalKernel kernel = CrystalKernel::Fast);

}  // namespace korvex
