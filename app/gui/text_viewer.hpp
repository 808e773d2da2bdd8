// A read-only viewer for the run's text files, in a fixed-pitch font so that
// the columns of the print file and the reflection files line up.
#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QLabel;

namespace korvex::gui {

class TextViewer : public QDialog {
  Q_OBJECT

 public:
  explicit TextViewer(const QString& path, QWidget* parent = nullptr);

  const QString& path() const { return path_; }
  bool loaded() const { return loaded_; }
  QString text() const;

  // The file's text as shown: line ends of any platform become one, and the
  // page and overprint controls of the print file start a new line.
  static QString displayText(const QByteArray& bytes);

 private:
  QString path_;
  bool loaded_ = false;
  QPlainTextEdit* edit_ = nullptr;
};

}  // namespace korvex::gui
