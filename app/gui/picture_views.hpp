// The window's picture views: the model, turned with the mouse and reset to
// the axis views by buttons; the transmission plots, where a click on a
// point names the reflection; and any other picture drawn whole (the shadow
// map, the histogram).
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <vector>

#include "pictures/model_scene.hpp"
#include "pictures/transmission_plots.hpp"
#include "pictures/view.hpp"
#include "plot_painter.hpp"

namespace korvex::gui {

class ModelView : public QWidget {
  Q_OBJECT

 public:
  explicit ModelView(QWidget* parent = nullptr);

  void setScene(const pictures::ModelScene& scene, const QString& note);
  void clear();
  bool hasScene() const { return hasScene_; }
  void setView(pictures::StandardView which);
  const pictures::View& view() const { return view_; }
  // Pixels per micron at the widget's present size.
  double scale() const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  pictures::ModelScene scene_;
  bool hasScene_ = false;
  QString title_, note_;
  pictures::View view_;
  pictures::View dragStart_;
  QPoint pressedAt_;
};

class PlotView : public QWidget {
  Q_OBJECT

 public:
  explicit PlotView(QWidget* parent = nullptr);

  void setPage(const pictures::PlotPage& page);
  void clear();
  const pictures::PlotPage& page() const { return page_; }
  int selected() const { return selected_; }
  // Where the points were drawn last, for a click to find.
  const std::vector<pictures::PointPlace>& places() const { return places_; }

 signals:
  // A click on a point: the index of its reflection in the listed ones.
  void reflectionChosen(int reflection);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  pictures::PlotPage page_;
  int selected_ = -1;
  std::vector<pictures::PointPlace> places_;
};

// A picture drawn whole into the widget, or a line saying why there is none.
class PictureView : public QWidget {
  Q_OBJECT

 public:
  using Painter = std::function<void(QPainter&, const QRectF&)>;
  explicit PictureView(QString emptyText, QWidget* parent = nullptr);

  void setPainter(Painter painter);
  void clear();
  bool hasPicture() const { return static_cast<bool>(painter_); }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString emptyText_;
  Painter painter_;
};

}  // namespace korvex::gui
