#include "main_window.hpp"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include "files/file_error.hpp"
#include "fixedformat/edit_list.hpp"
#include "group_frame.hpp"
#include "picture_panel.hpp"
#include "program_icon.hpp"
#include "reports/reports.hpp"
#include "run/controls.hpp"
#include "run/file_selection.hpp"
#include "run/messages.hpp"
#include "run/run_sequence.hpp"

namespace korvex::gui {

namespace {

enum class Kind { Group, SunkenLabel, Button, StatusLine, CentredLabel, Icon, HiddenButton };

struct DialogItem {
  int id;  // 0: a control the run code never addresses
  Kind kind;
  const char* text;
  int x, y, w, h;  // dialog units
  bool enabled;
};

// The controls take 268 by 258 dialog units at the window's left, in
// creation (and tab) order; the pictures fill the rest.
constexpr int kWindowWidth = 268;
constexpr int kWindowHeight = 258;
constexpr int kPicturesMinimumWidth = 420, kPicturesWidth = 720;
constexpr int kMinimumHeight = 460, kHeight = 640;
const DialogItem kControls[] = {
    {1000, Kind::Group, "Experiment File", 12, 5, 230, 30, true},
    {1010, Kind::SunkenLabel, "No file selected", 22, 15, 139, 14, true},
    {1001, Kind::Button, "Browse", 175, 15, 40, 14, true},
    {1005, Kind::Group, "Print File", 12, 39, 230, 30, true},
    {1008, Kind::SunkenLabel, "No file selected", 22, 48, 142, 14, true},
    {1006, Kind::Button, "Browse", 175, 48, 40, 14, true},
    {1016, Kind::Button, "Build Model", 100, 74, 50, 15, false},
    {1007, Kind::Group, "Input data file", 12, 92, 230, 30, true},
    {1011, Kind::SunkenLabel, "No file selected", 22, 101, 142, 14, true},
    {1012, Kind::Button, "Browse", 175, 102, 40, 14, true},
    {1013, Kind::Group, "Output data file", 12, 125, 230, 30, true},
    {1014, Kind::SunkenLabel, "No file selected", 22, 134, 142, 14, true},
    {1015, Kind::Button, "Browse", 175, 134, 40, 14, true},
    {1029, Kind::StatusLine, "", 12, 158, 229, 13, true},
    {1009, Kind::Button, "Run", 29, 179, 50, 14, false},
    {1004, Kind::Button, "Reset", 100, 179, 50, 14, true},
    {3, Kind::Button, "Exit", 175, 179, 50, 14, true},
    {0, Kind::Group, "View output files", 12, 195, 227, 29, true},
    {1017, Kind::Button, "Print File", 29, 204, 50, 14, false},
    {1018, Kind::Button, "Output data", 96, 204, 57, 14, false},
    {1019, Kind::Button, "Cif", 174, 204, 50, 14, false},
    {1030, Kind::CentredLabel, kOriginText, 54, 228, 141, 13, true},
    {0, Kind::Icon, "", 232, 228, 20, 20, true},
    {2, Kind::HiddenButton, "Button1", 17, 231, 23, 7, true},
};

std::string trimmed(const std::string& text) { return std::string(ff::trimRight(text)); }

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QDialog(parent), layer_(*this), run_(std::make_unique<Run>(layer_)), units_(font()) {
  build();
  // The entry of the program: a fresh run, waiting for its files.
  run_->state.HALTED = 0;
  run_->state.MODELBUILT = 0;
  layer_.setText(ctl::kStatus, "SELECT FILES");
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

void MainWindow::build() {
  setWindowTitle(QStringLiteral("Korvex6.1"));
  setWindowIcon(programIcon());
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  const int left = units_.x(kWindowWidth);
  const int height = units_.y(kWindowHeight);
  setMinimumSize(left + kPicturesMinimumWidth, std::max(height, kMinimumHeight));
  resize(left + kPicturesWidth, std::max(height, kHeight));

  for (const DialogItem& c : kControls) {
    const QString text = QString::fromLatin1(c.text);
    QWidget* w = nullptr;
    switch (c.kind) {
      case Kind::Group:
        w = new GroupFrame(text, this);
        break;
      case Kind::SunkenLabel:
      case Kind::StatusLine:
      case Kind::CentredLabel: {
        auto* label = new QLabel(text, this);
        if (c.kind != Kind::CentredLabel) {
          label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
          label->setLineWidth(1);
        }
        label->setAlignment(c.kind == Kind::SunkenLabel ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        if (c.kind == Kind::SunkenLabel) label->setIndent(units_.x(2));
        w = label;
        break;
      }
      case Kind::Icon: {
        auto* label = new QLabel(this);
        const int side = std::min(units_.x(c.w), units_.y(c.h));
        label->setPixmap(programPixmap(side));
        label->setAlignment(Qt::AlignCenter);
        w = label;
        break;
      }
      case Kind::Button:
      case Kind::HiddenButton: {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(false);
        w = button;
        break;
      }
    }
    w->setGeometry(units_.rect(c.x, c.y, c.w, c.h));
    w->setEnabled(c.enabled);
    if (c.kind == Kind::HiddenButton) w->hide();
    if (c.id != 0) {
      w->setObjectName(controlName(c.id));
      controls_[c.id] = w;
    }
  }

  // How the next build integrates the transmission: as the experiment
  // file's METHOD card says, or chosen here (as --method on the command line).
  auto* method = new QComboBox(this);
  method->addItems({QStringLiteral("As EXP file"), QStringLiteral("Gaussian grid"), QStringLiteral("Exact")});
  method->setToolTip(QStringLiteral("Integration of the transmission"));
  method->setGeometry(units_.rect(160, 74, 82, 14));
  method->setObjectName(QStringLiteral("methodChoice"));
  connect(method, &QComboBox::currentIndexChanged, this, [this](int i) { run_->state.methodOverride = i - 1; });

  connectHandler(ctl::kBrowseExperiment, [](Run& r) { openExp(r); });
  connectHandler(ctl::kBrowsePrint, [](Run& r) { openPrint(r); });
  connectHandler(ctl::kBrowseInput, [](Run& r) { openInputData(r); });
  connectHandler(ctl::kBrowseOutput, [](Run& r) { openOutputData(r); });
  connectHandler(ctl::kBuildModel, [](Run& r) { runBuild(r); });
  connectHandler(ctl::kRun, [](Run& r) { runProg(r); });
  connectHandler(ctl::kReset, [](Run& r) { resetFiles(r); });
  connectHandler(ctl::kViewPrint, &MainWindow::viewPrt);
  connectHandler(ctl::kViewCif, &MainWindow::viewCif);
  connectHandler(ctl::kViewOutput, &MainWindow::viewOut);
  connect(static_cast<QPushButton*>(control(ctl::kBuildModel)), &QPushButton::clicked, this, [this] { refreshPictures(true); });
  connect(static_cast<QPushButton*>(control(ctl::kRun)), &QPushButton::clicked, this, [this] { refreshPictures(false); });
  connect(static_cast<QPushButton*>(control(ctl::kReset)), &QPushButton::clicked, this, [this] { modelShown_ = false; });

  pictures_ = new PicturePanel(this);
  pictures_->setGeometry(QRect(units_.x(kWindowWidth), 0, width() - units_.x(kWindowWidth), this->height()));
  connect(pictures_->newRunButton(), &QPushButton::clicked, this, [this] { newRun(); });

  // Exit has no handler of the run code: it ends the window, returning its id.
  connect(static_cast<QPushButton*>(control(ctl::kExit)), &QPushButton::clicked, this, [this] { done(ctl::kExit); });
}

template <typename F>
void MainWindow::guarded(F&& handler) {
  // The build and run sequences report their own fatal errors. Anything
  // that still arrives here (from a Browse, or an internal failure) gets the
  // same treatment rather than reaching the event loop.
  try {
    handler();
  } catch (const FatalError& fatal) {
    if (run_->state.HALTED == 0) reportFatal(*run_, fatal);
  } catch (const files::FileError& failed) {
    if (run_->state.HALTED == 0) reportFatal(*run_, FatalError(failed.what()));
  } catch (const std::exception& e) {
    if (run_->state.HALTED == 0) reportFatal(*run_, FatalError(std::string("INTERNAL ERROR: ") + e.what()));
  }
}

void MainWindow::connectHandler(int id, void (*handler)(Run&)) {
  connect(static_cast<QPushButton*>(control(id)), &QPushButton::clicked, this,
          [this, handler] { guarded([&] { handler(*run_); }); });
}

void MainWindow::connectHandler(int id, void (MainWindow::*handler)()) {
  connect(static_cast<QPushButton*>(control(id)), &QPushButton::clicked, this,
          [this, handler] { guarded([&] { (this->*handler)(); }); });
}

void MainWindow::done(int result) {
  // Leaving the window ends the run: the print file takes the end of its
  // report, and a file that cannot is reported before the window goes.
  guarded([&] { leaveProgram(*run_); });
  QDialog::done(result);
}

std::filesystem::path MainWindow::slotFile(int slot) const {
  const std::string name = trimmed(run_->state.FILENAME[slot - 1]);
  const std::filesystem::path& opened = run_->state.openPath[slot - 1];
  if (!opened.empty() && opened.filename() == std::filesystem::path(name)) return opened;
  return inRunFolder(*run_, name);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (pictures_) pictures_->setGeometry(QRect(units_.x(kWindowWidth), 0, width() - units_.x(kWindowWidth), height()));
}

void MainWindow::refreshPictures(bool afterBuild) {
  const Run& r = *run_;
  // Run builds the model itself unless Build Model already did.
  if (afterBuild || !modelShown_) pictures_->showModel(r.exp, r.state.MODELBUILT == 1);
  modelShown_ = afterBuild && r.state.MODELBUILT == 1;
  // A run that ended without a fatal error corrected the data.
  if (r.state.ended && r.state.HALTED == 0) pictures_->showRun(r.exp, r.listed);
}

void MainWindow::noteMessage(const QString& kind, std::string_view text) {
  pictures_->addMessage(kind, toQString(text));
}

void MainWindow::newRun() {
  guarded([&] { leaveProgram(*run_); });  // the old run's files are finished first
  const RunState& old = run_->state;
  auto fresh = std::make_unique<Run>(layer_);
  fresh->state.folder = old.folder;
  fresh->state.FILEBUF = old.FILEBUF;
  fresh->state.methodOverride = old.methodOverride;  // the method choice stays as shown
  run_ = std::move(fresh);  // the old run's files are closed
  modelShown_ = false;
  layer_.clearNotes();
  for (const DialogItem& c : kControls) {
    if (c.id == 0) continue;
    if (c.kind == Kind::SunkenLabel || c.kind == Kind::StatusLine) layer_.setText(c.id, c.text);
    control(c.id)->setEnabled(c.enabled);
  }
  run_->state.HALTED = 0;
  run_->state.MODELBUILT = 0;
  layer_.setText(ctl::kStatus, "SELECT FILES");
  pictures_->clearPictures();
  pictures_->clearMessages();
}

void MainWindow::viewPrt() { layer_.viewFile(slotFile(2)); }

void MainWindow::viewOut() { layer_.viewFile(slotFile(4)); }

void MainWindow::viewCif() {
  // The fragment is written in the run's folder, under the output file's stem.
  layer_.viewFile(inRunFolder(*run_, cifFileName(run_->state.FILENAME[3])));
}

}  // namespace korvex::gui
