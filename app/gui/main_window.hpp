// The main window: the four file slots with their Browse buttons, Build
// Model, Run, Reset and Exit, the status line, the three view buttons and the
// origin line; beside them the pictures of the model and the run, the
// messages, and New run. All work happens in the button handlers of the run
// code; the window only shows what the run code tells it.
#pragma once

#include <QDialog>
#include <QString>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "dialog_units.hpp"
#include "qt_dialog_layer.hpp"
#include "run/run.hpp"

namespace korvex::gui {

// The one-line text about the program's origin (control 1030).
inline constexpr const char* kOriginText = "Korvex 6.1 - DAC absorption";

class PicturePanel;

class MainWindow : public QDialog {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  Run& run() { return *run_; }
  QtDialogLayer& layer() { return layer_; }
  const DialogUnits& units() const { return units_; }
  // The control of this id, or nullptr.
  QWidget* control(int id) const;

  // Answers the window's boxes and dialogs; nullptr restores QDialog::exec.
  void setModalDriver(ModalDriver* driver) { layer_.setDriver(driver); }

  // View handlers of buttons 1017, 1018 and 1019: the print file, the output
  // reflection file and the CIF fragment.
  void viewPrt();
  void viewOut();
  void viewCif();

  // The pictures and messages beside the controls.
  PicturePanel& pictures() const { return *pictures_; }
  // A message shown in a box also goes into the message list.
  void noteMessage(const QString& kind, std::string_view text);
  // New run: a fresh run with the window as at program start (the message
  // list emptied, the pictures cleared), keeping the folder and the names
  // the file dialogs offer, so the same files are quickly chosen again.
  void newRun();

  // Ends the window (Exit, or closing it), and with it the run.
  void done(int result) override;

 signals:
  // Every text the run code puts into a control (the status line's history).
  void textSet(int control, const QString& text);

 private:
  friend class QtDialogLayer;
  void build();
  void connectHandler(int id, void (*handler)(Run&));
  void connectHandler(int id, void (MainWindow::*handler)());
  // Runs a handler of the run code; nothing may escape into the event loop.
  template <typename F>
  void guarded(F&& handler);
  // The file of slot 2 or 4 where it was opened, whatever folder was
  // chosen last.
  std::filesystem::path slotFile(int slot) const;
  // After Build Model or Run: the model, and the plots of a finished run.
  void refreshPictures(bool afterBuild);
  void resizeEvent(QResizeEvent* event) override;

  QtDialogLayer layer_;
  std::unique_ptr<Run> run_;
  DialogUnits units_;
  std::map<int, QWidget*> controls_;
  PicturePanel* pictures_ = nullptr;
  bool modelShown_ = false;  // the model of the present build is in the picture panel
};

}  // namespace korvex::gui
