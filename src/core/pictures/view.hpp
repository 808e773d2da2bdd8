// Orthographic views of the model: the axis views, the oblique view, and
// turning a view by dragging. A view is a rotation whose rows are the
// screen's right, up and out-of-screen (towards the viewer) directions in the
// phi-axis frame.
#pragma once

#include <array>
#include <string>

#include "experiment/experiment_state.hpp"

namespace korvex::pictures {

using Dir3 = std::array<double, 3>;

struct View {
  Dir3 right{1, 0, 0}, up{0, 1, 0}, out{0, 0, 1};
};

// A point on the screen: x to the right, y up, depth towards the viewer.
struct ScreenPoint {
  double x = 0, y = 0, depth = 0;
};

enum class StandardView { AlongX, AlongY, AlongZ, Oblique };
inline constexpr StandardView kStandardViews[] = {StandardView::AlongX, StandardView::AlongY, StandardView::AlongZ,
                                                   StandardView::Oblique};

// Side views (along x and along z) keep the load axis y upwards, so the
// culets lie level; the view along y looks down the load axis from the side
// of the incident-beam anvil, x to the right and z up.
View standardView(StandardView which);
// "along x", ...; and the file-name stem "model_along_x", ..., "model_oblique".
std::string viewName(StandardView which);
std::string viewFileStem(StandardView which);

// The view turned as by dragging: by `aboutUp` radians about the screen's up
// direction and `aboutRight` radians about its right direction.
View turned(const View& view, double aboutUp, double aboutRight);

ScreenPoint project(const View& view, const Dir3& p);
ScreenPoint project(const View& view, const Vec3& p);

Dir3 toDir(const Vec3& v);
double dot(const Dir3& a, const Dir3& b);
Dir3 cross(const Dir3& a, const Dir3& b);
Dir3 normalised(const Dir3& a);

}  // namespace korvex::pictures
