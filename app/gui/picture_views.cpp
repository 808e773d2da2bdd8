#include "picture_views.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "drawing_style.hpp"
#include "model_painter.hpp"

namespace korvex::gui {

using namespace korvex::pictures;

namespace {

// Radians per pixel of drag.
constexpr double kTurnRate = 0.01;

void paintEmpty(QWidget& w, const QString& text) {
  QPainter p(&w);
  p.fillRect(w.rect(), Qt::white);
  p.setPen(QColor(120, 120, 120));
  p.setFont(drawingFont(12));
  p.drawText(w.rect(), Qt::AlignCenter | Qt::TextWordWrap, text);
}

}  // namespace

ModelView::ModelView(QWidget* parent) : QWidget(parent), view_(standardView(StandardView::Oblique)) {
  setMinimumSize(240, 200);
  setCursor(Qt::OpenHandCursor);
  setToolTip(QStringLiteral("Drag to turn the model"));
}

void ModelView::setScene(const ModelScene& scene, const QString& note) {
  scene_ = scene;
  hasScene_ = true;
  note_ = note;
  update();
}

void ModelView::clear() {
  hasScene_ = false;
  scene_ = ModelScene();
  update();
}

void ModelView::setView(StandardView which) {
  view_ = standardView(which);
  title_ = QStringLiteral("Crystal model, view %1").arg(QString::fromStdString(viewName(which)));
  update();
}

double ModelView::scale() const { return modelScale(QRectF(rect()), scene_); }

void ModelView::paintEvent(QPaintEvent*) {
  if (!hasScene_) {
    paintEmpty(*this, QStringLiteral("The model is drawn here when Build Model has read the experiment file."));
    return;
  }
  QPainter p(this);
  const QString title = title_.isEmpty() ? QStringLiteral("Crystal model (drag to turn)") : title_;
  paintModel(p, QRectF(rect()), scene_, view_, note_.isEmpty() ? title : title + QStringLiteral(": ") + note_);
}

void ModelView::mousePressEvent(QMouseEvent* event) {
  pressedAt_ = event->position().toPoint();
  dragStart_ = view_;
}

void ModelView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  const QPoint d = event->position().toPoint() - pressedAt_;
  view_ = turned(dragStart_, kTurnRate * d.x(), kTurnRate * d.y());
  title_.clear();
  update();
}

PlotView::PlotView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(240, 200);
  setToolTip(QStringLiteral("Click a point to name its reflection"));
}

void PlotView::setPage(const PlotPage& page) {
  page_ = page;
  selected_ = -1;
  // Tall pages scroll rather than crush their panels.
  const int columns = std::max(1, page.columns);
  const int rows = static_cast<int>((page.panels.size() + columns - 1) / columns);
  setMinimumHeight(std::max(200, 60 + 170 * rows));
  update();
}

void PlotView::clear() { setPage(PlotPage()); }

void PlotView::paintEvent(QPaintEvent*) {
  if (page_.panels.empty()) {
    places_.clear();
    paintEmpty(*this, QStringLiteral("The transmission plots are drawn here when Run has corrected the data."));
    return;
  }
  QPainter p(this);
  places_ = paintPlotPage(p, QRectF(rect()), page_, selected_);
}

void PlotView::mousePressEvent(QMouseEvent* event) {
  const int hit = reflectionAt(places_, event->position());
  if (hit < 0) return;
  selected_ = hit;
  update();
  emit reflectionChosen(hit);
}

PictureView::PictureView(QString emptyText, QWidget* parent) : QWidget(parent), emptyText_(std::move(emptyText)) {
  setMinimumSize(240, 200);
}

void PictureView::setPainter(Painter painter) {
  painter_ = std::move(painter);
  update();
}

void PictureView::clear() { setPainter({}); }

void PictureView::paintEvent(QPaintEvent*) {
  if (!painter_) {
    paintEmpty(*this, emptyText_);
    return;
  }
  QPainter p(this);
  painter_(p, QRectF(rect()));
}

}  // namespace korvex::gui
