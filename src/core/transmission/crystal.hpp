// Crystal transmission of one reflection by Gaussian integration over the
// crystal's grid (Burnham, 1966), with the gasket and medium factors of each
// grid point for a crystal in a diamond-anvil cell.
//
// Results in out.factors: TXTAL = (1/V) sum w exp(-mu t); SUMTP = -(1/V) sum
// t w exp(-mu t), so the transmission-weighted mean path is -SUMTP/TXTAL;
// TGAS = (1/V) sum w G; TMED = (1/V) sum w M; TRANS = (1/V) sum w exp(-mu t)
// G M, with w the weight of a point, t its path in the crystal (microns), G
// and M its gasket and medium factors, V = VOLUME. Messages raised on the
// way are appended to out.messages; a fatal one ends the integration (the
// partial sums are not to be used).
//
// These are the plain loops, one grid point and one face at a time: the
// reference the fast kernel (crystal_fast.hpp) is checked against.
#pragma once

#include "transmission/reflection_transmission.hpp"

namespace korvex {

// KORVEX: a polyhedral crystal (faces by hkl, by three points, or corners).
void korvex(const ExperimentState& e, const ReflectionBeams& b, ReflectionTransmission& out);

// KORVEX_FILLG: a crystal that fills the gasket hole between the culets.
void korvexFillg(const ExperimentState& e, const ReflectionBeams& b, ReflectionTransmission& out);

// Refuses a grid that was not built for the model (a fatal error).
void requireGrid(const ExperimentState& e, bool withFaces);

// What both kernels share: the products of the face normals with a beam
// (formed for every reflection, whether or not the crystal absorbs: the
// paths also feed the medium), the sums at their start (TMED as given),
// and the sums turned into factors at the end.
void faceProducts(const ExperimentState& e, const Vec3& beam, float* dots);
void startSums(TransmissionState& tr, float tmed);
// For a polyhedron; illum is CHECK_SHADOW's answer (1 when no corner is
// shadowed). In air the gasket and medium sums are left as summed.
void finishPolyhedronSums(const ExperimentState& e, int illum, TransmissionState& tr);
void finishFilledHoleSums(const ExperimentState& e, TransmissionState& tr);

}  // namespace korvex
