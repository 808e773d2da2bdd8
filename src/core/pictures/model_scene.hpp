// The crystal model as something to draw: the polyhedron's corners, its
// faces (each with its hkl or its number) and edges, or the sphere, or the
// crystal filling the gasket hole; the culet planes y = 0 and y = gasket
// thickness and the hole as a cylinder of its radius; the directions of the
// reciprocal axes. Microns, phi-axis frame.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "experiment/experiment_state.hpp"
#include "pictures/view.hpp"

namespace korvex::pictures {

enum class Body { None, Polyhedron, Sphere, FilledHole };

struct SceneFace {
  int number = 0;            // 1-based, as in the print file
  std::vector<int> corners;  // indices into ModelScene::corners, anticlockwise seen from outside
  Dir3 normal{};             // outward unit normal
  Dir3 centroid{};
  std::string label;         // "(1 0 -1)" with an orientation matrix, else "3"
};

struct ModelScene {
  Body body = Body::None;
  std::vector<Vec3> corners;
  std::vector<SceneFace> faces;
  std::vector<std::array<int, 2>> edges;  // corner indices
  // Corners that lie in an anvil (below y = 0 or above the gasket
  // thickness) or beyond the hole's radius: indices into corners.
  std::vector<int> misplaced;
  float sphereRadius = 0.0f;

  bool cell = false;    // a diamond-anvil cell: the culet of anvil 1 at y = 0
  bool gasket = false;  // and of anvil 2 at y = thickness, the hole of the radius
  float thickness = 0.0f, holeRadius = 0.0f;
  float culetRadius = 0.0f;  // how far the culet planes are drawn from the load axis

  bool reciprocal = false;           // a*, b*, c* known (full orientation matrix)
  std::array<Dir3, 3> reciprocalAxes{};  // unit vectors along a*, b*, c*

  Dir3 centre{};       // centre of what is drawn
  double extent = 1;   // radius about centre that holds everything drawn, whatever the view
};

// The scene of a built model, or of the polyhedron as it stood when the build
// stopped at the checks of its fit into the cell.
ModelScene modelScene(const ExperimentState& e);

// Whether the model tables hold something to draw: a body whose grid was
// built, or a cell without a crystal model.
bool hasModelToDraw(const ExperimentState& e);

// Face labels: the smallest whole multiple (up to 12) of the rounded indices
// that makes them all whole numbers, else two decimals: "(2 3 0)", "(1 -1 0)".
std::string hklLabel(const std::array<float, 3>& h);

}  // namespace korvex::pictures
