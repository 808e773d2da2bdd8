#include "picture_files.hpp"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <fstream>
#include <memory>

#include "model_painter.hpp"
#include "pictures/model_scene.hpp"
#include "pictures/shadow_map.hpp"
#include "pictures/transmission_plots.hpp"
#include "plot_painter.hpp"
#include "shadow_map_painter.hpp"

namespace korvex::pictures {

namespace {

const QSize kModelSize(900, 760);
const QSize kShadowSize(1200, 640);
const QSize kHistogramSize(900, 520);

bool writeFile(const std::filesystem::path& file, const QByteArray& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.constData(), bytes.size());
  out.close();
  return static_cast<bool>(out);
}

QSize plotSize(const PlotPage& page) {
  const int rows = static_cast<int>((page.panels.size() + page.columns - 1) / page.columns);
  return QSize(page.columns == 1 ? 900 : 1200, 70 + 200 * std::max(rows, 1));
}

}  // namespace

std::vector<Picture> modelPictures(const ExperimentState& e) {
  std::vector<Picture> pictures;
  if (!hasModelToDraw(e)) return pictures;
  auto scene = std::make_shared<const ModelScene>(modelScene(e));
  for (StandardView which : kStandardViews) {
    const QString title = QStringLiteral("Crystal model, view %1").arg(QString::fromStdString(viewName(which)));
    const View view = standardView(which);
    pictures.push_back({viewFileStem(which), kModelSize, [scene, view, title](QPainter& p, const QRectF& r) {
                          paintModel(p, r, *scene, view, title);
                        }});
  }
  return pictures;
}

std::vector<Picture> shadowMapPictures(const ExperimentState& e, const ListedReflections* listed) {
  if (!hasShadowMap(e)) return {};
  auto maps = std::make_shared<const std::array<ShadowMap, 2>>(shadowMaps(e));
  auto beams = listed ? std::make_shared<const ListedReflections>(*listed) : nullptr;
  const std::array<float, 2> openings = e.PSIMAX;
  return {{"shadow_map", kShadowSize, [maps, beams, openings](QPainter& p, const QRectF& r) {
             paintShadowMaps(p, r, *maps, openings, beams.get());
           }}};
}

std::vector<Picture> runPictures(const ExperimentState& e, const ListedReflections& listed) {
  std::vector<Picture> pictures;
  auto addPage = [&](const char* stem, PlotPage page) {
    if (page.panels.empty()) return;
    auto shared = std::make_shared<const PlotPage>(std::move(page));
    pictures.push_back({stem, plotSize(*shared), [shared](QPainter& p, const QRectF& r) { paintPlotPage(p, r, *shared); }});
  };
  addPage("transmission_2theta", transmissionAgainstTwoTheta(e, listed));
  addPage("transmission_psi", transmissionAgainstPsi(e, listed));
  auto histogram = std::make_shared<const Histogram>(correctionHistogram(listed));
  pictures.push_back({"correction_histogram", kHistogramSize,
                      [histogram](QPainter& p, const QRectF& r) { paintHistogram(p, r, *histogram); }});
  for (Picture& p : shadowMapPictures(e, &listed)) pictures.push_back(std::move(p));
  return pictures;
}

QByteArray svgBytes(const Picture& picture) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(picture.size);
  svg.setViewBox(QRect(QPoint(0, 0), picture.size));
  svg.setResolution(96);
  svg.setTitle(QStringLiteral("Korvex: %1").arg(QString::fromStdString(picture.stem)));
  svg.setDescription(QStringLiteral("Drawn by Korvex"));
  {
    QPainter p(&svg);
    picture.paint(p, QRectF(QPointF(0, 0), picture.size));
  }
  return buffer.data();
}

QByteArray pngBytes(const Picture& picture) {
  QImage image(picture.size, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    picture.paint(p, QRectF(QPointF(0, 0), picture.size));
  }
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return buffer.data();
}

std::vector<std::filesystem::path> writePictures(const std::filesystem::path& dir, const std::vector<Picture>& pictures,
                                                 std::string& error) {
  std::vector<std::filesystem::path> written;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir)) {
    error = "cannot create the folder " + dir.string() + (ec ? ": " + ec.message() : std::string());
    return written;
  }
  for (const Picture& picture : pictures) {
    for (const char* extension : {".svg", ".png"}) {
      const std::filesystem::path file = dir / (picture.stem + extension);
      const QByteArray bytes = extension[1] == 's' ? svgBytes(picture) : pngBytes(picture);
      if (bytes.isEmpty() || !writeFile(file, bytes)) {
        error = "cannot write " + file.string();
        return written;
      }
      written.push_back(file);
    }
  }
  return written;
}

}  // namespace korvex::pictures
