// The second part of the window: the pictures of the model and of the run in
// tabs, filled when Build Model and Run finish; the messages of the run
// (warnings, fatal errors, notes) collected in a list; and "New run", which
// starts again with the same or other files.
#pragma once

#include <QWidget>
#include <array>
#include <memory>

#include "experiment/experiment_state.hpp"
#include "pictures/shadow_map.hpp"
#include "pictures/transmission_plots.hpp"
#include "reflections/listed_reflection.hpp"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace korvex::gui {

class ModelView;
class PlotView;
class PictureView;

// Object names by which tests find the panel's parts.
inline constexpr const char* kNewRunName = "newRun";
inline constexpr const char* kMessagesName = "messages";
inline constexpr const char* kPictureTabsName = "pictureTabs";
inline constexpr const char* kReflectionLabelName = "chosenReflection";

class PicturePanel : public QWidget {
  Q_OBJECT

 public:
  explicit PicturePanel(QWidget* parent = nullptr);

  // The model as built (or as it stood when its fit into the cell failed).
  void showModel(const ExperimentState& e, bool built);
  // The plots and the shadow map with the data's beams, after a run.
  void showRun(const ExperimentState& e, const ListedReflections& listed);
  void clearPictures();

  // kind: "WARNING", "FATAL ERROR", "NOTE".
  void addMessage(const QString& kind, const QString& text);
  void clearMessages();

  QPushButton* newRunButton() const { return newRun_; }
  QTabWidget* tabs() const { return tabs_; }
  ModelView* modelView() const { return model_; }
  PlotView* plotView() const { return plots_; }
  QComboBox* plotChoice() const { return plotChoice_; }
  QListWidget* messages() const { return messages_; }
  QLabel* reflectionLabel() const { return reflection_; }
  PictureView* shadowView() const { return shadow_; }
  PictureView* histogramView() const { return histogram_; }

  // The text that names a listed reflection.
  static QString describe(const ListedReflection& r);

 private:
  void choosePlot(int index);

  QPushButton* newRun_;
  QTabWidget* tabs_;
  ModelView* model_;
  PlotView* plots_;
  QComboBox* plotChoice_;
  QLabel* reflection_;
  PictureView* histogram_;
  PictureView* shadow_;
  QListWidget* messages_;
  ListedReflections listed_;
  // The shadow maps of the model shown, computed once for Build Model and Run.
  std::shared_ptr<const std::array<pictures::ShadowMap, 2>> maps_;
  pictures::PlotPage twoTheta_, psi_;
};

}  // namespace korvex::gui
