#include "text_viewer.hpp"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "program_icon.hpp"

namespace korvex::gui {

QString TextViewer::displayText(const QByteArray& bytes) {
  QByteArray b = bytes;
  b.replace("\r\n", "\n");
  // A page break ('1' control) stands at the start of its line; an
  // overprinted line ('+') cannot be shown over its predecessor here.
  b.replace("\n\f", "\n");
  b.replace('\f', '\n');
  b.replace('\r', '\n');
  return QString::fromUtf8(b);
}

TextViewer::TextViewer(const QString& path, QWidget* parent) : QDialog(parent), path_(path) {
  setWindowTitle(QStringLiteral("Korvex 6.1 - %1").arg(QFileInfo(path).fileName()));
  setWindowIcon(programIcon());
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  auto* where = new QLabel(QFileInfo(path).absoluteFilePath(), this);
  where->setObjectName(QStringLiteral("viewerPath"));
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(where);

  edit_ = new QPlainTextEdit(this);
  edit_->setObjectName(QStringLiteral("viewerText"));
  edit_->setReadOnly(true);
  edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  edit_->setFont(fixed);
  layout->addWidget(edit_);

  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    edit_->setPlainText(displayText(file.readAll()));
    loaded_ = true;
  } else {
    where->setText(QStringLiteral("Cannot open %1: %2").arg(QFileInfo(path).absoluteFilePath(), file.errorString()));
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* editor = buttons->addButton(QStringLiteral("Open in editor"), QDialogButtonBox::ActionRole);
  editor->setObjectName(QStringLiteral("openInEditor"));
  editor->setEnabled(loaded_);
  connect(editor, &QPushButton::clicked, this,
          [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path_).absoluteFilePath())); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  // Wide enough for the 132 columns of the print file where the screen allows.
  const QFontMetrics metrics(fixed);
  resize(metrics.horizontalAdvance(QLatin1Char('M')) * 136 + 40, metrics.lineSpacing() * 40 + 80);
}

QString TextViewer::text() const { return edit_->toPlainText(); }

}  // namespace korvex::gui
