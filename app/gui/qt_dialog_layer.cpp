#include "qt_dialog_layer.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <memory>

#include "fixedformat/edit_list.hpp"
#include "group_frame.hpp"
#include "main_window.hpp"
#include "program_icon.hpp"
#include "run/controls.hpp"
#include "text_viewer.hpp"

namespace korvex::gui {

namespace {

constexpr int kOk = 1;

std::unique_ptr<QDialog> newBox(QWidget* owner, const char* name, const DialogUnits& du, int w, int h) {
  auto box = std::make_unique<QDialog>(owner);
  box->setObjectName(QString::fromLatin1(name));
  box->setWindowTitle(QString::fromLatin1(kBoxTitle));
  box->setWindowIcon(programIcon());
  box->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  box->setModal(true);
  box->setFixedSize(du.x(w), du.y(h));
  return box;
}

QLabel* staticText(QDialog* box, int id, const QString& text, const QRect& where, Qt::Alignment align) {
  auto* label = new QLabel(text, box);
  if (id != 0) label->setObjectName(controlName(id));
  label->setAlignment(align);
  label->setGeometry(where);
  return label;
}

QLabel* iconLabel(QDialog* box, int id, const QPixmap& pixmap, const QRect& where) {
  auto* label = new QLabel(box);
  if (id != 0) label->setObjectName(controlName(id));
  label->setPixmap(pixmap);
  label->setAlignment(Qt::AlignCenter);
  label->setGeometry(where);
  return label;
}

QPushButton* okButton(QDialog* box, const QRect& where) {
  auto* ok = new QPushButton(QStringLiteral("OK"), box);
  ok->setObjectName(controlName(kOk));
  ok->setDefault(true);
  ok->setGeometry(where);
  QObject::connect(ok, &QPushButton::clicked, box, &QDialog::accept);
  return ok;
}

QPixmap standardIcon(QStyle::StandardPixmap which, int side) {
  return QApplication::style()->standardIcon(which).pixmap(side, side);
}

// Breaks a text into lines no wider than width: at blanks where it can,
// inside a word that is wider than a whole line. Runs of blanks inside a
// line are kept.
QString wrapToWidth(const QString& text, const QFontMetrics& metrics, int width) {
  QStringList lines;
  QString line;
  const QStringList words = text.split(QLatin1Char(' '));
  for (QString word : words) {
    const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
    if (metrics.horizontalAdvance(candidate) <= width) {
      line = candidate;
      continue;
    }
    while (line.endsWith(QLatin1Char(' '))) line.chop(1);
    if (!line.isEmpty()) lines << line;
    line.clear();
    while (metrics.horizontalAdvance(word) > width && word.size() > 1) {
      int n = word.size() - 1;
      while (n > 1 && metrics.horizontalAdvance(word.left(n)) > width) --n;
      lines << word.left(n);
      word = word.mid(n);
    }
    line = word;
  }
  if (!line.isEmpty()) lines << line;
  return lines.join(QLatin1Char('\n'));
}

// Puts the message into its label, centred; when it needs more lines than
// the box has room for, the box grows and the controls below move down, so
// that no part of the message is hidden. Returns the growth in pixels.
int placeMessage(QLabel* label, const QString& message) {
  const QFontMetrics metrics(label->font());
  const QString wrapped = wrapToWidth(message, metrics, label->width() - 2);
  label->setText(wrapped);
  label->setWordWrap(false);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  const int lines = wrapped.isEmpty() ? 0 : static_cast<int>(wrapped.count(QLatin1Char('\n'))) + 1;
  const int needed = lines * metrics.lineSpacing() + 2;
  const int extra = std::max(0, needed - label->height());
  if (extra > 0) label->resize(label->width(), needed);
  return extra;
}

void moveDown(QWidget* w, int dy) { w->move(w->x(), w->y() + dy); }

}  // namespace

int ModalDriver::run(QDialog& dialog) { return dialog.exec(); }

QString controlName(int id) { return QStringLiteral("ctl%1").arg(id); }

QString filterPattern(const std::string& pattern) {
  return pattern == "*.*" ? QStringLiteral("*") : QString::fromStdString(pattern);
}

QString toQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::filesystem::path toPath(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

QString fromPath(const std::filesystem::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

void QtDialogLayer::setText(int control, std::string_view text) {
  const QString t = toQString(text);
  QWidget* w = window_.control(control);
  if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(t);
    // A long file name is cut by its label; the tip shows all of it. The
    // status line's tip also keeps the notes of the run.
    QStringList tip;
    if (!t.trimmed().isEmpty() && !(control == ctl::kStatus && notes_.contains(t))) tip << t;
    if (control == ctl::kStatus) tip << notes_;
    if (label->frameShape() != QFrame::NoFrame) label->setToolTip(tip.join(QLatin1Char('\n')));
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(t);
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    group->setTitle(t);
  }
  emit window_.textSet(control, t);
}

void QtDialogLayer::note(std::string_view text) {
  // Shown in the status line until the run moves on, and kept in its tip.
  notes_ << QStringLiteral("Note: ") + toQString(text);
  window_.noteMessage(QStringLiteral("NOTE"), text);
  setText(ctl::kStatus, notes_.back().toStdString());
  redraw();
}

void QtDialogLayer::setEnabled(int control, bool enabled) {
  if (QWidget* w = window_.control(control)) w->setEnabled(enabled);
}

void QtDialogLayer::redraw() {
  // The run code holds the window's thread during long work: paint the
  // window now rather than when the event loop next runs.
  window_.repaint();
}

void QtDialogLayer::messageBox(const char* name, int du_height, bool fatal, const QString& heading, int headingId,
                               int messageId, int messageLines, const QString& footer, std::string_view message) {
  const DialogUnits& du = window_.units();
  const int iconId = fatal ? 0 : 1047;
  const std::unique_ptr<QDialog> holder = newBox(&window_, name, du, 222, du_height);
  QDialog* box = holder.get();
  const int iconSide = std::max(16, du.y(20));
  iconLabel(box, iconId, standardIcon(fatal ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning, iconSide),
            QRect(du.x(10), du.y(8), iconSide, iconSide));
  staticText(box, headingId, heading, du.rect(40, 14, 142, 10), Qt::AlignCenter);
  QLabel* text = staticText(box, messageId, QString(), du.rect(12, 34, 198, messageLines * 8 + 2), Qt::AlignHCenter | Qt::AlignTop);
  const int extra = placeMessage(text, toQString(message));
  const int below = 34 + messageLines * 8 + 6;
  QLabel* foot = staticText(box, 1022, footer, du.rect(12, below, 198, 10), Qt::AlignCenter);
  QPushButton* ok = okButton(box, du.rect(86, below + 18, 50, 14));
  QLabel* icon = iconLabel(box, 0, programPixmap(std::min(du.x(20), du.y(20))), du.rect(196, du_height - 24, 20, 20));
  if (extra > 0) {
    for (QWidget* w : {static_cast<QWidget*>(foot), static_cast<QWidget*>(ok), static_cast<QWidget*>(icon)}) moveDown(w, extra);
    box->setFixedSize(box->width(), box->height() + extra);
  }
  ok->setFocus();
  driver_->run(*box);
}

void QtDialogLayer::fatalBox(std::string_view message) {
  window_.noteMessage(QStringLiteral("FATAL ERROR"), message);
  messageBox(kFatalBoxName, 121, true, QStringLiteral("FATAL ERROR"), 1021, 1020, 3, QStringLiteral("KORVEX WILL BE HALTED"),
             message);
}

void QtDialogLayer::warningBox(std::string_view message) {
  window_.noteMessage(QStringLiteral("WARNING"), message);
  messageBox(kWarningBoxName, 141, false, QStringLiteral("WARNING !!!!!"), 1020, 1048, 4,
             QStringLiteral("PROGRAM EXECUTION WILL CONTINUE"), message);
}

std::optional<int> QtDialogLayer::formatBox(int slot, std::string_view shownName, std::string_view firstLabel) {
  (void)slot;
  const DialogUnits& du = window_.units();
  const std::unique_ptr<QDialog> holder = newBox(&window_, kFormatBoxName, du, 240, 124);
  QDialog* box = holder.get();
  const int iconSide = std::max(16, du.y(20));
  iconLabel(box, 1047, standardIcon(QStyle::SP_MessageBoxQuestion, iconSide), QRect(du.x(10), du.y(8), iconSide, iconSide));
  staticText(box, 1049, QStringLiteral("File extension not recognised for file"), du.rect(40, 10, 192, 10),
             Qt::AlignLeft | Qt::AlignVCenter);
  staticText(box, 1050, toQString(shownName), du.rect(40, 22, 192, 10), Qt::AlignLeft | Qt::AlignVCenter);
  auto* group = new GroupFrame(QStringLiteral("Select File Format"), box);
  group->setGeometry(du.rect(40, 38, 150, 46));
  auto* first = new QRadioButton(toQString(firstLabel), box);
  first->setObjectName(controlName(ctl::kFormatFirst));
  first->setGeometry(du.rect(52, 52, 130, 10));
  auto* shelx = new QRadioButton(QStringLiteral("Shelx hkl"), box);
  shelx->setObjectName(controlName(ctl::kFormatShelx));
  shelx->setGeometry(du.rect(52, 66, 130, 10));
  QPushButton* ok = okButton(box, du.rect(95, 98, 50, 14));
  iconLabel(box, 0, programPixmap(std::min(du.x(20), du.y(20))), du.rect(212, 98, 20, 20));

  // The format follows the radio button last clicked; OK without a click
  // leaves it as it was.
  std::optional<int> chosen;
  QObject::connect(first, &QRadioButton::clicked, box, [&chosen] { chosen = ctl::kFormatFirst; });
  QObject::connect(shelx, &QRadioButton::clicked, box, [&chosen] { chosen = ctl::kFormatShelx; });
  ok->setFocus();
  driver_->run(*box);
  return chosen;
}

std::optional<std::filesystem::path> QtDialogLayer::fileDialog(const FileDialogSettings& settings, std::string& fileBuffer) {
  QFileDialog dialog(&window_, toQString(settings.title));
  dialog.setObjectName(QString::fromLatin1(kFileDialogName));
  // Qt's own dialog on every desktop, so that the default extension, the
  // filters and the checks behave the same everywhere.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(settings.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(settings.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !settings.confirmOverwrite);
  // Files that are only read are chosen in a dialog that cannot rename or
  // delete them either.
  dialog.setOption(QFileDialog::ReadOnly, settings.readOnlyBox);
  QStringList filters;
  for (const auto& [name, pattern] : settings.filters)
    filters << QStringLiteral("%1 (%2)").arg(toQString(name), filterPattern(pattern));
  dialog.setNameFilters(filters);
  if (settings.initialFilter >= 1 && settings.initialFilter <= filters.size()) dialog.selectNameFilter(filters[settings.initialFilter - 1]);
  dialog.setDefaultSuffix(toQString(settings.defaultExtension));
  dialog.setDirectory(fromPath(std::filesystem::absolute(window_.run().state.folder)));
  const std::string offered(ff::trimRight(fileBuffer));
  if (!offered.empty()) dialog.selectFile(toQString(offered));

  if (driver_->run(dialog) != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
  const std::filesystem::path path = toPath(chosen.first());
  fileBuffer = path.string();
  return path;
}

void QtDialogLayer::viewFile(const std::filesystem::path& file) {
  TextViewer viewer(fromPath(file), &window_);
  viewer.setObjectName(QString::fromLatin1(kViewerName));
  driver_->run(viewer);
}

}  // namespace korvex::gui
