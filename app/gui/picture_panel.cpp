#include "picture_panel.hpp"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <memory>

#include "picture_views.hpp"
#include "pictures/model_scene.hpp"
#include "pictures/shadow_map.hpp"
#include "plot_painter.hpp"
#include "shadow_map_painter.hpp"

namespace korvex::gui {

using namespace korvex::pictures;

PicturePanel::PicturePanel(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);

  auto* top = new QHBoxLayout;
  newRun_ = new QPushButton(QStringLiteral("New run"), this);
  newRun_->setObjectName(QString::fromLatin1(kNewRunName));
  newRun_->setAutoDefault(false);
  newRun_->setToolTip(QStringLiteral("Start again with the same or other files"));
  top->addWidget(newRun_);
  top->addStretch(1);
  layout->addLayout(top);

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QString::fromLatin1(kPictureTabsName));

  // The model, with the axis views.
  auto* modelTab = new QWidget;
  auto* modelLayout = new QVBoxLayout(modelTab);
  modelLayout->setContentsMargins(0, 0, 0, 0);
  auto* buttons = new QHBoxLayout;
  model_ = new ModelView(modelTab);
  const std::pair<const char*, StandardView> views[] = {{"Along x", StandardView::AlongX},
                                                        {"Along y", StandardView::AlongY},
                                                        {"Along z", StandardView::AlongZ},
                                                        {"Oblique", StandardView::Oblique}};
  for (const auto& [name, which] : views) {
    auto* b = new QPushButton(QString::fromLatin1(name), modelTab);
    b->setObjectName(QStringLiteral("view") + QString::fromLatin1(name).remove(QLatin1Char(' ')));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, model_, [this, which = which] { model_->setView(which); });
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  modelLayout->addLayout(buttons);
  modelLayout->addWidget(model_, 1);
  tabs_->addTab(modelTab, QStringLiteral("Model"));

  // The transmission plots, and the reflection a click names.
  auto* plotTab = new QWidget;
  auto* plotLayout = new QVBoxLayout(plotTab);
  plotLayout->setContentsMargins(0, 0, 0, 0);
  plotChoice_ = new QComboBox(plotTab);
  plotChoice_->setObjectName(QStringLiteral("plotChoice"));
  plots_ = new PlotView;
  reflection_ = new QLabel(QStringLiteral("Click a point to name its reflection."), plotTab);
  reflection_->setObjectName(QString::fromLatin1(kReflectionLabelName));
  reflection_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  reflection_->setWordWrap(true);
  reflection_->setMinimumHeight(2 * reflection_->fontMetrics().lineSpacing() + 4);
  reflection_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  plotLayout->addWidget(plotChoice_);
  auto* scroll = new QScrollArea(plotTab);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidget(plots_);
  plotLayout->addWidget(scroll, 1);
  plotLayout->addWidget(reflection_);
  tabs_->addTab(plotTab, QStringLiteral("Transmission"));
  connect(plotChoice_, &QComboBox::currentIndexChanged, this, &PicturePanel::choosePlot);
  connect(plots_, &PlotView::reflectionChosen, this, [this](int i) {
    if (i >= 0 && static_cast<std::size_t>(i) < listed_.size())
      reflection_->setText(QStringLiteral("Reflection ") + describe(listed_[static_cast<std::size_t>(i)]));
  });

  histogram_ = new PictureView(QStringLiteral("The histogram of the correction is drawn here when Run has corrected the data."));
  tabs_->addTab(histogram_, QStringLiteral("Correction"));
  shadow_ = new PictureView(QStringLiteral("The gasket's shadow map is drawn here for a crystal in a cell with a gasket."));
  tabs_->addTab(shadow_, QStringLiteral("Shadow map"));
  layout->addWidget(tabs_, 1);

  layout->addWidget(new QLabel(QStringLiteral("Messages"), this));
  messages_ = new QListWidget(this);
  messages_->setObjectName(QString::fromLatin1(kMessagesName));
  messages_->setMaximumHeight(90);
  messages_->setWordWrap(true);
  layout->addWidget(messages_);
}

void PicturePanel::showModel(const ExperimentState& e, bool built) {
  maps_.reset();
  if (!hasModelToDraw(e)) {
    model_->clear();
    shadow_->clear();
    return;
  }
  model_->setScene(modelScene(e), built ? QString() : QStringLiteral("the build stopped"));
  if (hasShadowMap(e)) {
    auto maps = maps_ = std::make_shared<const std::array<ShadowMap, 2>>(shadowMaps(e));
    const std::array<float, 2> openings = e.PSIMAX;
    shadow_->setPainter([maps, openings](QPainter& p, const QRectF& r) { paintShadowMaps(p, r, *maps, openings, nullptr); });
  } else {
    shadow_->clear();
  }
}

void PicturePanel::showRun(const ExperimentState& e, const ListedReflections& listed) {
  listed_ = listed;
  twoTheta_ = transmissionAgainstTwoTheta(e, listed);
  psi_ = transmissionAgainstPsi(e, listed);
  {
    const QSignalBlocker block(plotChoice_);
    plotChoice_->clear();
    plotChoice_->addItem(QStringLiteral("Against 2\u03b8"));
    if (!psi_.panels.empty()) plotChoice_->addItem(QStringLiteral("Against \u03c8 of each beam"));
  }
  choosePlot(0);
  auto histogram = std::make_shared<const Histogram>(correctionHistogram(listed));
  histogram_->setPainter([histogram](QPainter& p, const QRectF& r) { paintHistogram(p, r, *histogram); });
  if (hasShadowMap(e)) {
    if (!maps_) maps_ = std::make_shared<const std::array<ShadowMap, 2>>(shadowMaps(e));
    auto maps = maps_;
    auto beams = std::make_shared<const ListedReflections>(listed);
    const std::array<float, 2> openings = e.PSIMAX;
    shadow_->setPainter(
        [maps, beams, openings](QPainter& p, const QRectF& r) { paintShadowMaps(p, r, *maps, openings, beams.get()); });
  }
  reflection_->setText(QStringLiteral("Click a point to name its reflection."));
}

void PicturePanel::choosePlot(int index) { plots_->setPage(index == 1 ? psi_ : twoTheta_); }

void PicturePanel::clearPictures() {
  model_->clear();
  plots_->clear();
  histogram_->clear();
  shadow_->clear();
  listed_.clear();
  maps_.reset();
  twoTheta_ = psi_ = PlotPage();
  plotChoice_->clear();
  reflection_->setText(QStringLiteral("Click a point to name its reflection."));
}

void PicturePanel::addMessage(const QString& kind, const QString& text) {
  messages_->addItem(kind + QStringLiteral(": ") + text.trimmed());
  messages_->scrollToBottom();
}

void PicturePanel::clearMessages() { messages_->clear(); }

QString PicturePanel::describe(const ListedReflection& r) {
  QString text = QStringLiteral("%1: h k l = %2 %3 %4, 2\u03b8 = %5\u00b0")
                     .arg(r.seq)
                     .arg(r.hkl[0])
                     .arg(r.hkl[1])
                     .arg(r.hkl[2])
                     .arg(r.twoTheta, 0, 'f', 2);
  if (r.side[0] != 0)
    text += QStringLiteral(", \u03c8 = %1\u00b0 [anvil %2] and %3\u00b0 [anvil %4]")
                .arg(r.psi[0], 0, 'f', 2)
                .arg(r.side[0])
                .arg(r.psi[1], 0, 'f', 2)
                .arg(r.side[1]);
  text += QStringLiteral("; T = %1 (crystal %2").arg(r.trans, 0, 'f', 4).arg(r.txtal, 0, 'f', 4);
  if (r.side[0] != 0)
    text += QStringLiteral(", anvils %1, gasket %2, medium %3").arg(r.tdac, 0, 'f', 4).arg(r.tgas, 0, 'f', 4).arg(r.tmed, 0, 'f', 4);
  text += QLatin1Char(')');
  QString flags;
  for (char c : r.stat)
    if (c != ' ') flags += QLatin1Char(c);
  text += r.written ? QStringLiteral("; written") : QStringLiteral("; not written");
  if (!flags.isEmpty()) text += QStringLiteral(", flags %1").arg(flags);
  return text;
}

}  // namespace korvex::gui
