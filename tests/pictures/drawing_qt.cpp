// The pictures as drawn: the model at its stated scale, the gasket hole at
// its radius, and the picture files of whole runs non-empty, the same bytes
// run after run, and readable as images.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>
#include <map>

#include "golden/golden_support.hpp"
#include "model_painter.hpp"
#include "picture_files.hpp"
#include "pictures/model_scene.hpp"
#include "support/test_support.hpp"
#include "transmission/transmission_support.hpp"

namespace korvex {
namespace {

using namespace pictures;
namespace fs = std::filesystem;

QImage drawModel(const ExperimentState& e, StandardView which, double& scale) {
  QImage image(900, 760, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  scale = paintModel(p, QRectF(image.rect()), modelScene(e), standardView(which), QString());
  return image;
}

// The number of pixels of the colour found most often apart from white.
int pixelsOfCommonestColour(const QImage& image) {
  std::map<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
  counts.erase(qRgb(255, 255, 255));
  int most = 0;
  for (const auto& [colour, n] : counts) most = std::max(most, n);
  return most;
}

TEST(PicturesDrawing, CubeSeenAlongAnAxisCoversItsSquareAtTheDrawingsScale) {
  ExperimentState e;
  test::buildBox(e, 100.0, 100.0, 100.0, 2, {5.0f, 60.0f, -8.0f});
  e.MODELTYPE = 1;
  for (StandardView which : {StandardView::AlongX, StandardView::AlongY, StandardView::AlongZ}) {
    SCOPED_TRACE(viewName(which));
    double scale = 0;
    const QImage image = drawModel(e, which, scale);
    const double square = std::pow(100.0 * scale, 2);
    ASSERT_GT(square, 20000.0);
    // The face towards the viewer is one flat colour; its outline and label
    // take a little of it.
    EXPECT_NEAR(pixelsOfCommonestColour(image) / square, 1.0, 0.04);
  }
}

TEST(PicturesDrawing, GasketHoleIsDrawnWithItsRadius) {
  ExperimentState e;
  e.DACTYPE = 1;
  e.GASKGIVEN = 1;
  e.GASKETT = 40.0f;
  e.GASKETR = 75.0f;
  for (StandardView which : {StandardView::AlongY, StandardView::AlongX, StandardView::AlongZ}) {
    SCOPED_TRACE(viewName(which));
    double scale = 0;
    const QImage image = drawModel(e, which, scale);
    // Across the middle of the picture: gasket, then the hole (white), then
    // gasket again. The hole's wall is drawn on its edge.
    const int y = (44 + 760 - 40) / 2;
    std::vector<int> edges;
    bool inGasket = false;
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      const bool gasket = c.red() > c.blue() + 15;  // the gasket's warm grey
      if (gasket != inGasket) edges.push_back(x);
      inGasket = gasket;
    }
    ASSERT_EQ(edges.size(), 4u);
    EXPECT_NEAR((edges[2] - edges[1]) / scale, 2 * 75.0, 4 / scale);           // the hole
    EXPECT_NEAR((edges[3] - edges[0]) / scale, 2 * 1.25 * 75.0, 4 / scale);    // the gasket drawn around it
  }
}

// A whole run with --plots, twice; the picture files must agree byte for
// byte and each be a picture.
void checkPlotsOfRun(const fs::path& input, const std::string& command, std::size_t expectedFiles) {
  SCOPED_TRACE(input.string());
  test::TempDir first, second;
  std::vector<std::string> args = golden::splitWords(command);
  args.erase(args.begin());  // the program's name
  args.insert(args.end(), {"--plots", "pictures"});
  for (const test::TempDir* dir : {&first, &second}) {
    const golden::RunResult r = golden::runInFolder(input, dir->path(), args);
    ASSERT_EQ(r.exitStatus, 0) << r.stderrText;
  }
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(first / "pictures")) {
    const fs::path file = entry.path();
    SCOPED_TRACE(file.filename().string());
    ++files;
    const std::string bytes = test::readFile(file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(bytes == test::readFile(second / "pictures" / file.filename())) << "differs between two runs";
    if (file.extension() == ".png") {
      QImage image;
      ASSERT_TRUE(image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "PNG"));
      // Something is drawn: a good share of the picture is not background.
      int drawn = 0;
      for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) drawn += image.pixel(x, y) != qRgb(255, 255, 255);
      EXPECT_GT(drawn * 4, image.width() * image.height() / 50);
    } else {
      QSvgRenderer svg(QByteArray::fromStdString(bytes));
      EXPECT_TRUE(svg.isValid());
      EXPECT_GT(svg.defaultSize().width(), 0);
    }
  }
  EXPECT_EQ(files, expectedFiles);
}

TEST(PicturesDrawing, PlotsOfEveryExampleAndOfTheFilledHoleAreStableAndReadable) {
  // How many pictures each run gives: the model's four views, the plots
  // against 2theta, against psi in a cell, the histogram, the shadow map
  // with a gasket.
  const std::map<std::string, std::size_t> expected{{"air", 6}, {"cell", 8}, {"sphere", 6}};
  const fs::path root(KORVEX_SOURCE_DIR);
  std::size_t examples = 0;
  for (const auto& entry : fs::directory_iterator(root / "examples")) {
    const fs::path dir = entry.path();
    if (!fs::exists(dir / "command")) continue;
    ++examples;
    const auto it = expected.find(dir.filename().string());
    ASSERT_NE(it, expected.end()) << "say how many pictures example " << dir.filename() << " gives";
    checkPlotsOfRun(dir, test::readFile(dir / "command"), 2 * it->second);
  }
  EXPECT_EQ(examples, expected.size());
  // The crystal filling the gasket hole is drawn as a solid cylinder.
  const fs::path filled = root / "tests/golden/cases/filled_gasket_type4";
  checkPlotsOfRun(filled / "input", test::readFile(filled / "command"), 2 * 8);
}

}  // namespace
}  // namespace korvex

int main(int argc, char** argv) {
  // Fonts need an application; the offscreen platform needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
