// The pictures of a model and of a run as files: each as SVG (QSvgGenerator)
// and PNG (QImage), drawn by the same painters as the window's views, with
// nothing in them that changes from run to run.
#pragma once

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "experiment/experiment_state.hpp"
#include "reflections/listed_reflection.hpp"

class QPainter;

namespace korvex::pictures {

struct Picture {
  std::string stem;  // file name without its extension
  QSize size;        // pixels
  std::function<void(QPainter&, const QRectF&)> paint;
};

// The model in the four standard views; nothing when there is no model to
// draw. The title names the view.
std::vector<Picture> modelPictures(const ExperimentState& e);
// The shadow map of a crystal in a cell with a gasket (nothing otherwise),
// with the beams of the listed reflections when given.
std::vector<Picture> shadowMapPictures(const ExperimentState& e, const ListedReflections* listed);
// The plots of a finished run: transmission against 2theta, against psi in
// a cell, and the histogram of the correction.
std::vector<Picture> runPictures(const ExperimentState& e, const ListedReflections& listed);

QByteArray svgBytes(const Picture& picture);
QByteArray pngBytes(const Picture& picture);

// Writes stem.svg and stem.png of every picture into dir, which is created
// when missing. Returns the files written; on failure `error` says which
// file could not be written and nothing further is written.
std::vector<std::filesystem::path> writePictures(const std::filesystem::path& dir, const std::vector<Picture>& pictures,
                                                 std::string& error);

}  // namespace korvex::pictures
