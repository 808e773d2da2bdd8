// The dialog layer on Qt Widgets: the main window's controls, the fatal-error,
// warning and format boxes, the file dialogs and the text viewer.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "run/dialog_layer.hpp"

class QDialog;
class QWidget;

namespace korvex::gui {

class MainWindow;

// Runs a modal box or dialog to its end and returns its result code. The
// window uses QDialog::exec; tests put in a driver that answers the box
// (chooses a file, clicks a radio button, presses OK) without a person.
class ModalDriver {
 public:
  virtual ~ModalDriver() = default;
  virtual int run(QDialog& dialog);
};

// Box titles and object names by which drivers and tests recognise them.
inline constexpr const char* kBoxTitle = "Korvex 6.1";
inline constexpr const char* kFatalBoxName = "box103";
inline constexpr const char* kWarningBoxName = "box104";
inline constexpr const char* kFormatBoxName = "box105";
inline constexpr const char* kFileDialogName = "fileDialog";
inline constexpr const char* kViewerName = "viewer";

// Object name of the control with this id inside a window or box ("ctl1020").
QString controlName(int id);

// "*.*" means every file to the platform the patterns come from; on a
// POSIX file system it would miss names without a dot, so it becomes "*".
QString filterPattern(const std::string& pattern);

class QtDialogLayer : public DialogLayer {
 public:
  explicit QtDialogLayer(MainWindow& window) : window_(window) {}

  void setDriver(ModalDriver* driver) { driver_ = driver ? driver : &exec_; }

  void setText(int control, std::string_view text) override;
  void setEnabled(int control, bool enabled) override;
  void redraw() override;
  void fatalBox(std::string_view message) override;
  void warningBox(std::string_view message) override;
  void note(std::string_view text) override;
  // Forgets the notes of the run (New run).
  void clearNotes() { notes_.clear(); }
  std::optional<int> formatBox(int slot, std::string_view shownName, std::string_view firstLabel) override;
  std::optional<std::filesystem::path> fileDialog(const FileDialogSettings& settings, std::string& fileBuffer) override;
  void viewFile(const std::filesystem::path& file) override;

 private:
  void messageBox(const char* name, int du_height, bool fatal, const QString& heading, int headingId,
                  int messageId, int messageLines, const QString& footer, std::string_view message);

  MainWindow& window_;
  ModalDriver exec_;
  ModalDriver* driver_ = &exec_;
  QStringList notes_;  // every note of the run, in order
};

// Text conversions at the border of the core: the core's texts are bytes
// (file names in the local 8-bit encoding, UTF-8 here).
QString toQString(std::string_view text);
std::filesystem::path toPath(const QString& path);
QString fromPath(const std::filesystem::path& path);

}  // namespace korvex::gui
