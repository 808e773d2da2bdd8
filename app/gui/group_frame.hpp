// A group box drawn the classic way: an etched frame whose top line runs
// through the middle of the title, the title standing in a gap of the line.
// The frame fills the whole rectangle it is given, so that a layout in
// dialog units keeps the group's contents inside it.
#pragma once

#include <QGroupBox>

namespace korvex::gui {

class GroupFrame : public QGroupBox {
  Q_OBJECT

 public:
  explicit GroupFrame(const QString& title, QWidget* parent = nullptr) : QGroupBox(title, parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace korvex::gui
