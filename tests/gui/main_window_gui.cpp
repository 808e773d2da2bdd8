// The desktop window, driven headless: file choice through the window's own
// dialogs, the button states and status line of every state of a run, a
// whole run on the shipped example, a fatal error, the boxes and the viewer.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>

#include "dialog_units.hpp"
#include "main_window.hpp"
#include "picture_panel.hpp"
#include "picture_views.hpp"
#include "run/controls.hpp"
#include "text_viewer.hpp"

namespace fs = std::filesystem;
using namespace korvex;
using namespace korvex::gui;

namespace {

// Checks inside a box's answer cannot return from the test function; they
// are collected here and reported once the box is closed.
QStringList& failures() {
  static QStringList list;
  return list;
}
#define EXPECT_TRUE_IN(cond) \
  do {                       \
    if (!(cond)) failures() << QStringLiteral("line %1: %2").arg(__LINE__).arg(QStringLiteral(#cond)); \
  } while (0)

// Answers the window's boxes in order; a box nobody expected is noted and
// dismissed, so that a fault never leaves a test waiting for a person.
class Answers : public ModalDriver {
 public:
  using Answer = std::function<int(QDialog&)>;
  int run(QDialog& dialog) override {
    shown << dialog.objectName();
    if (queue.empty()) {
      unexpected << dialog.objectName();
      dialog.reject();
      return QDialog::Rejected;
    }
    Answer a = std::move(queue.front());
    queue.pop_front();
    return a(dialog);
  }
  std::deque<Answer> queue;
  QStringList shown, unexpected;
};

// The texts of the dialog's own boxes (overwrite confirmation, file not
// found), each answered with its first button (Yes, or OK).
QStringList& nestedBoxes() {
  static QStringList list;
  return list;
}

void answerNestedBox() {
  QTimer::singleShot(0, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      nestedBoxes() << box->text();
      QAbstractButton* yes = box->button(QMessageBox::Yes);
      (yes ? yes : box->buttons().first())->click();
    }
  });
}

// Chooses a file as a person would: the name put into the dialog's name
// field, then Open (or Save).
Answers::Answer choose(const fs::path& file) {
  return [file](QDialog& d) {
    auto& fd = static_cast<QFileDialog&>(d);
    fd.selectFile(fromPath(file));
    answerNestedBox();
    static_cast<QDialog&>(fd).accept();
    // A name the dialog refused leaves it open: the person gives up.
    if (fd.isVisible() || fd.result() != QDialog::Accepted) fd.reject();
    return fd.result();
  };
}

Answers::Answer cancel() {
  return [](QDialog& d) {
    d.reject();
    return d.result();
  };
}

Answers::Answer pressOk(std::function<void(QDialog&)> look = {}) {
  return [look](QDialog& d) {
    if (look) look(d);
    if (auto* ok = d.findChild<QPushButton*>(controlName(1))) {
      ok->click();
    } else {
      failures() << d.objectName() + QStringLiteral(" has no OK button");
      d.reject();
    }
    return d.result();
  };
}

Answers::Answer closeViewer(std::function<void(TextViewer&)> look) {
  return [look](QDialog& d) {
    look(static_cast<TextViewer&>(d));
    d.reject();
    return d.result();
  };
}

QString textOf(const QWidget* w) {
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
  if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
  return {};
}

QString childText(QDialog& d, int id) {
  auto* w = d.findChild<QWidget*>(controlName(id));
  return w ? textOf(w) : QStringLiteral("<no control %1>").arg(id);
}

// A shown message reads as one line again, whatever its wrapping.
QString unwrapped(QString s) { return s.replace(QLatin1Char('\n'), QLatin1Char(' ')); }

const int kButtons[] = {1001, 1006, 1012, 1015, 1016, 1009, 1004, 3, 1017, 1018, 1019};

// The ids of the enabled buttons, in the order of kButtons.
QList<int> enabledButtons(const MainWindow& w) {
  QList<int> ids;
  for (int id : kButtons)
    if (w.control(id)->isEnabled()) ids << id;
  return ids;
}

QString label(const MainWindow& w, int id) { return textOf(w.control(id)); }

void copyFile(const fs::path& from, const fs::path& to) {
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

fs::path exampleDir() { return fs::path(KORVEX_SOURCE_DIR) / "examples" / "air"; }

// Records every text the status line is given, and every text it is
// painted with: the second shows whether progress is visible during a run.
class StatusWatch : public QObject {
 public:
  explicit StatusWatch(MainWindow& w) : label_(static_cast<QLabel*>(w.control(ctl::kStatus))) {
    connect(&w, &MainWindow::textSet, this, [this](int id, const QString& t) {
      if (id == ctl::kStatus) set << t;
    });
    label_->installEventFilter(this);
  }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == label_ && e->type() == QEvent::Paint) painted << label_->text();
    return false;
  }
  QStringList set, painted;

 private:
  QLabel* label_;
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<MainWindow> w;
  Answers answers;
  std::unique_ptr<QTemporaryDir> tmp;

  fs::path in(const char* name) const { return toPath(tmp->path()) / name; }
  void click(int id) { static_cast<QPushButton*>(w->control(id))->click(); }
  void browse(int slot, Answers::Answer a) {
    answers.queue.push_back(std::move(a));
    click(ctl::browseOf(slot));
  }
  bool copyExample() {
    for (const char* f : {"quartz.exp", "quartz.int", "quartz.hkl"}) {
      if (!fs::exists(exampleDir() / f)) return false;
      copyFile(exampleDir() / f, in(f));
    }
    return true;
  }

 private slots:
  void init() {
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
    failures().clear();
    nestedBoxes().clear();
    answers = Answers();
    w = std::make_unique<MainWindow>();
    w->setModalDriver(&answers);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
  }

  void cleanup() {
    QCOMPARE(answers.unexpected, QStringList());
    QVERIFY2(answers.queue.empty(), "a box that was expected was not shown");
    w.reset();
  }

  void dialogUnitsRoundAsTheDialogManager() {
    auto check = [](int a, int b, int c, int expected) {
      QCOMPARE(mulDiv(a, b, c), expected);
    };
    check(5, 3, 2, 8);    // 7.5 up
    check(-5, 3, 2, -8);  // halves away from zero
    check(13, 13, 8, 21);
    check(15, 13, 8, 24);
    check(1, 1, 3, 0);
    check(7, 1, 0, 0);    // no division by zero
    const DialogUnits du(6, 13);
    QCOMPARE(du.rect(12, 158, 229, 13), QRect(18, 257, 344, 21));
  }

  void windowStartsReadyForFileChoiceAndExitWritesNothing() {
    QCOMPARE(w->windowTitle(), QStringLiteral("Korvex6.1"));
    // The dialog's controls keep their 268 by 258 dialog units at the left;
    // the pictures take the rest of the window.
    const QRect dialogPart(0, 0, w->units().x(268), w->units().y(258));
    QVERIFY(w->width() > dialogPart.width() && w->height() >= dialogPart.height());
    QCOMPARE(enabledButtons(*w), (QList<int>{1001, 1006, 1012, 1015, 1004, 3}));
    QCOMPARE(label(*w, ctl::kStatus), QStringLiteral("SELECT FILES"));
    for (int id : {1010, 1008, 1011, 1014}) QCOMPARE(label(*w, id), QStringLiteral("No file selected"));
    QVERIFY(!w->control(2)->isVisible());

    // Laid out from dialog units: every control inside the window, no text
    // cut off, and no two controls on top of each other (group boxes aside).
    QList<QWidget*> placed;
    for (QWidget* c : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (!c->isVisible()) continue;
      const QByteArray name = c->objectName().toUtf8() + " " + textOf(c).toUtf8();
      QVERIFY2(w->rect().contains(c->geometry()), name);
      if (c == &w->pictures()) continue;
      QVERIFY2(dialogPart.contains(c->geometry()), name);
      if (qobject_cast<QGroupBox*>(c)) continue;
      QVERIFY2(c->fontMetrics().horizontalAdvance(textOf(c)) < c->width(), name);
      for (QWidget* other : placed) QVERIFY2(!other->geometry().intersects(c->geometry()), name);
      placed << c;
    }

    click(ctl::kExit);
    QCOMPARE(w->result(), ctl::kExit);
    QVERIFY(!w->isVisible());
    QVERIFY(QDir(tmp->path()).isEmpty());
  }

  void fileDialogsCarryTheirSlotsSettingsAndCancelEmptiesTheSlot() {
    struct Row { int slot; const char* title; QStringList filters; bool save, mustExist; const char* emptyLabel; };
    const Row rows[] = {
        {1, "Open Experiment File", {"All Files (*)", "Experiment (*.exp)"}, false, true, " "},
        {2, "Open Print File", {"All Files (*)", "Print (*.prt)", "Log (*.log)"}, false, false, "No file selected"},
        {3, "Open Input Data File", {"All Files (*)", "Drevik (*.int)", "SHELX hkl (*.hkl)"}, false, true, "No file selected"},
        {4, "Open Output Data File", {"All Files (*)", "Tavok (*.abs)", "SHELX hkl (*.hkl)"}, true, false, "No file selected"},
    };
    for (const Row& r : rows) {
      const QByteArray where = "slot " + QByteArray::number(r.slot);
      bool looked = false;
      browse(r.slot, [&](QDialog& d) {
        auto& fd = static_cast<QFileDialog&>(d);
        looked = true;
        EXPECT_TRUE_IN(fd.windowTitle() == QString::fromLatin1(r.title));
        EXPECT_TRUE_IN(fd.nameFilters() == r.filters);
        EXPECT_TRUE_IN(fd.selectedNameFilter() == r.filters[1]);
        EXPECT_TRUE_IN(fd.defaultSuffix() == QStringLiteral("exp"));
        EXPECT_TRUE_IN((fd.acceptMode() == QFileDialog::AcceptSave) == r.save);
        EXPECT_TRUE_IN((fd.fileMode() == QFileDialog::ExistingFile) == r.mustExist);
        EXPECT_TRUE_IN(fd.testOption(QFileDialog::DontConfirmOverwrite) == !r.save);
        fd.reject();
        return fd.result();
      });
      QVERIFY2(looked, where);
      QVERIFY2(failures().isEmpty(), where + ": " + failures().join("; ").toUtf8());
      QVERIFY2(label(*w, ctl::labelOf(r.slot)) == QString::fromLatin1(r.emptyLabel), where);
      QCOMPARE(w->run().state.FILESET[static_cast<std::size_t>(r.slot - 1)], 0);
    }
    QCOMPARE(enabledButtons(*w), (QList<int>{1001, 1006, 1012, 1015, 1004, 3}));
    QCOMPARE(label(*w, ctl::kStatus), QStringLiteral("SELECT FILES"));
  }

  void buttonsAndStatusFollowEveryStateOfTheRun() {
    QVERIFY2(copyExample(), "the example in examples/air");
    const QList<int> browseResetExit{1001, 1006, 1012, 1015, 1004, 3};
    auto expect = [&](const char* status, QList<int> extra) {
      QList<int> want;
      for (int id : kButtons)
        if (browseResetExit.contains(id) || extra.contains(id)) want << id;
      QCOMPARE(label(*w, ctl::kStatus), QString::fromLatin1(status));
      QCOMPARE(enabledButtons(*w), want);
    };
    browse(1, choose(in("quartz.exp")));
    QCOMPARE(label(*w, 1010), QStringLiteral("quartz.exp"));
    expect("SELECT FILES", {});
    browse(2, choose(in("quartz.prt")));
    QCOMPARE(label(*w, 1008), QStringLiteral("quartz.prt"));
    expect("SELECT DATA FILES or BUILD MODEL", {1016});
    browse(3, choose(in("quartz.int")));
    QCOMPARE(label(*w, 1011), QStringLiteral("quartz.int"));
    expect("SELECT DATA FILES or BUILD MODEL", {1016});
    browse(4, choose(in("quartz.abs")));
    QCOMPARE(label(*w, 1014), QStringLiteral("quartz.abs"));
    expect("BUILD MODEL OR RUN PROGRAM", {1016, 1009});

    click(ctl::kReset);
    for (int id : {1010, 1008, 1011, 1014}) QCOMPARE(label(*w, id), QStringLiteral("No file selected"));
    expect("SELECT FILES", {});

    browse(1, choose(in("quartz.exp")));
    browse(2, choose(in("quartz.prt")));
    click(ctl::kBuildModel);
    expect("CRYSTAL MODEL BUILT - SELECT DATA FILES", {1017});
    browse(3, choose(in("quartz.int")));
    browse(4, choose(in("quartz.abs")));
    expect("CRYSTAL MODEL BUILT - RUN PROGRAM", {1009, 1017});

    // Browsing a chosen slot again and cancelling leaves it empty.
    browse(4, cancel());
    QCOMPARE(label(*w, 1014), QStringLiteral("No file selected"));
    expect("CRYSTAL MODEL BUILT - SELECT DATA FILES", {1017});
    browse(1, cancel());
    QCOMPARE(label(*w, 1010), QStringLiteral(" "));
    expect("SELECT FILES", {1017});
  }

  void aNameTypedWithoutExtensionGetsExp() {
    browse(2, choose(in("run1")));
    QCOMPARE(label(*w, 1008), QStringLiteral("run1.exp"));
    QVERIFY(fs::exists(in("run1.exp")));
    QVERIFY(!fs::exists(in("run1")));
  }

  void fileChoiceThatFailsLeavesTheSlotEmpty() {
    browse(1, choose(in("absent.exp")));
    QCOMPARE(label(*w, 1010), QStringLiteral(" "));
    QCOMPARE(w->run().state.FILESET[0], 0);
    QCOMPARE(nestedBoxes().size(), 1);
    QVERIFY(nestedBoxes().first().contains(QStringLiteral("absent.exp")));

    std::ofstream(in("old.abs")) << "old\n";
    browse(4, choose(in("old.abs")));
    QCOMPARE(nestedBoxes().size(), 2);
    QVERIFY(nestedBoxes().last().contains(QStringLiteral("old.abs")));
    QCOMPARE(label(*w, 1014), QStringLiteral("old.abs"));

    // The output file may not replace the input file: the warning box says
    // so and the input file keeps its reflections.
    QVERIFY2(copyExample(), "the example in examples/air");
    browse(3, choose(in("quartz.int")));
    const auto size = fs::file_size(in("quartz.int"));
    QString warned;
    answers.queue.push_back(choose(in("quartz.int")));
    answers.queue.push_back(pressOk([&](QDialog& d) { warned = childText(d, 1048); }));
    click(ctl::kBrowseOutput);
    QCOMPARE(answers.shown.last(), QString::fromLatin1(kWarningBoxName));
    QCOMPARE(warned, QStringLiteral("ERROR OPENING OUTPUT DATA FILE "));
    QCOMPARE(label(*w, 1014), QStringLiteral("No file selected"));
    QCOMPARE(fs::file_size(in("quartz.int")), size);
  }

  void wholeRunOnTheShippedExample() {
    QVERIFY2(copyExample(), "the example in examples/air");
    StatusWatch status(*w);
    browse(1, choose(in("quartz.exp")));
    browse(2, choose(in("quartz.prt")));
    browse(3, choose(in("quartz.int")));
    // An extension the program does not know: the format box asks.
    browse(4, choose(in("quartz_out.dat")));
    click(ctl::kBuildModel);
    QCOMPARE(label(*w, ctl::kStatus), QStringLiteral("CRYSTAL MODEL BUILT - RUN PROGRAM"));

    answers.queue.push_back([](QDialog& d) {
      EXPECT_TRUE_IN(d.windowTitle() == QStringLiteral("Korvex 6.1"));
      EXPECT_TRUE_IN(childText(d, 1049) == QStringLiteral("File extension not recognised for file"));
      EXPECT_TRUE_IN(childText(d, 1050) == QStringLiteral("quartz_out.dat"));
      EXPECT_TRUE_IN(childText(d, 1051) == QStringLiteral("Tavok abs/avg"));
      EXPECT_TRUE_IN(childText(d, 1052) == QStringLiteral("Shelx hkl"));
      d.findChild<QRadioButton*>(controlName(1052))->click();
      d.findChild<QPushButton*>(controlName(1))->click();
      return d.result();
    });
    status.set.clear();
    click(ctl::kRun);
    QVERIFY2(failures().isEmpty(), failures().join("; ").toUtf8());
    QCOMPARE(answers.shown, (QStringList{kFileDialogName, kFileDialogName, kFileDialogName, kFileDialogName,
                                         kFormatBoxName}));
    QCOMPARE(w->run().state.IFORMOUT, 1);

    QVERIFY(!status.set.isEmpty());
    QCOMPARE(status.set.first(), QStringLiteral("PROCESSING DATA"));
    QCOMPARE(status.set.last(), QStringLiteral("KORVEX FINISHED SUCCESSFULLY"));
    QVERIFY(status.set.contains(QStringLiteral("PROCESSING COMPLETE WRITING CIF FILE")));
    // The progress shows the first reflection, then one at most every tenth
    // of a second, and the last.
    QVERIFY(status.set.contains(QStringLiteral("PROCESSING REFLECTION")));  // 1 to 9
    QVERIFY(status.set.contains(QStringLiteral("PROCESSING REFLECTION   300")));
    // The progress was painted while the run held the window's thread.
    QVERIFY(status.painted.contains(QStringLiteral("PROCESSING REFLECTION   300")));
    QVERIFY(status.painted.contains(QStringLiteral("PROCESSING DATA")));

    QCOMPARE(enabledButtons(*w), (QList<int>{3, 1017, 1018, 1019}));
    for (const char* f : {"quartz.prt", "quartz_out.dat", "quartz_out_korvex.cif"}) {
      QVERIFY2(fs::exists(in(f)), f);
      QVERIFY2(fs::file_size(in(f)) > 0, f);
    }

    // The three view buttons show the three files.
    auto viewed = [&](int button, const char* file, const char* firstWords) {
      answers.queue.push_back(closeViewer([=, this](TextViewer& v) {
        EXPECT_TRUE_IN(QFileInfo(v.path()).fileName() == QString::fromLatin1(file));
        EXPECT_TRUE_IN(QFileInfo(v.path()).absolutePath() == QFileInfo(tmp->path()).absoluteFilePath());
        EXPECT_TRUE_IN(v.loaded());
        EXPECT_TRUE_IN(v.text().contains(QString::fromLatin1(firstWords)));
      }));
      click(button);
      QVERIFY2(failures().isEmpty(), QByteArray(file) + ": " + failures().join("; ").toUtf8());
    };
    viewed(1017, "quartz.prt", "INPUT DATA FILE: quartz.int");
    const std::string out = [&] { std::ifstream f(in("quartz_out.dat")); std::string l; std::getline(f, l); return l; }();
    viewed(1018, "quartz_out.dat", out.c_str());
    viewed(1019, "quartz_out_korvex.cif", "_exptl_absorpt");

    click(ctl::kExit);
    QCOMPARE(w->result(), ctl::kExit);
    QVERIFY(!w->isVisible());
  }

  void picturesFillAfterBuildAndRunAndNewRunStartsAgain() {
    // The platelet of the golden cell case, in a type 1 cell with a gasket.
    const fs::path cell = fs::path(KORVEX_SOURCE_DIR) / "tests/golden/cases/corners_type1_gasket_medium/input";
    for (const char* f : {"plate.exp", "plate.int"}) copyFile(cell / f, in(f));
    std::ofstream(in("plate.exp"), std::ios::app) << "MEASURED AT 4.2 GPA\n";  // no card: a note
    PicturePanel& panel = w->pictures();
    auto chooseFiles = [&] {
      browse(1, choose(in("plate.exp")));
      browse(2, choose(in("plate.prt")));
      browse(3, choose(in("plate.int")));
      browse(4, choose(in("plate.hkl")));
    };
    chooseFiles();
    QVERIFY(!panel.modelView()->hasScene());
    click(ctl::kBuildModel);
    QVERIFY(panel.modelView()->hasScene());
    QVERIFY(panel.shadowView()->hasPicture());
    QVERIFY(panel.plotView()->page().panels.empty());
    QCOMPARE(panel.messages()->count(), 1);
    QCOMPARE(panel.messages()->item(0)->text(), QStringLiteral("NOTE: line 28 not read as a card: MEASURED AT 4.2 GPA"));

    // The axis views, a drag that turns the model, and back.
    ModelView& model = *panel.modelView();
    const pictures::View alongY = pictures::standardView(pictures::StandardView::AlongY);
    panel.findChild<QPushButton*>(QStringLiteral("viewAlongy"))->click();
    QCOMPARE(model.view().out, alongY.out);
    QTest::mousePress(&model, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(&model, QPoint(160, 130));
    QTest::mouseRelease(&model, Qt::LeftButton, {}, QPoint(160, 130));
    QVERIFY(model.view().out != alongY.out);
    panel.findChild<QPushButton*>(QStringLiteral("viewAlongy"))->click();
    QCOMPARE(model.view().out, alongY.out);

    click(ctl::kRun);
    QCOMPARE(label(*w, ctl::kStatus), QStringLiteral("KORVEX FINISHED SUCCESSFULLY"));
    PlotView& plots = *panel.plotView();
    QCOMPARE(plots.page().panels.size(), std::size_t{5});  // against 2theta: overall and four factors
    QVERIFY(panel.histogramView()->hasPicture());
    panel.tabs()->setCurrentIndex(1);
    plots.repaint();
    QVERIFY(!plots.places().empty());
    // A click on a point names its reflection.
    const pictures::PointPlace place = plots.places().front();
    QTest::mouseClick(&plots, Qt::LeftButton, {}, place.at.toPoint());
    const ListedReflection& r = w->run().listed[static_cast<std::size_t>(plots.selected())];
    QVERIFY(panel.reflectionLabel()->text().startsWith(QStringLiteral("Reflection %1: h k l = %2 %3 %4")
                                                          .arg(r.seq).arg(r.hkl[0]).arg(r.hkl[1]).arg(r.hkl[2])));
    panel.plotChoice()->setCurrentIndex(1);
    QCOMPARE(plots.page().panels.size(), std::size_t{10});  // against psi of either beam

    // The window as it stands after a run in a cell.
    const QPixmap shot = w->grab();
    QVERIFY(shot.save(tmp->filePath("screenshot.png")));
    if (qEnvironmentVariableIsSet("KORVEX_UPDATE_SCREENSHOT"))
      QVERIFY(shot.save(QStringLiteral(KORVEX_SOURCE_DIR "/docs/screenshot.png")));

    // New run: the window as at program start, then the same files again.
    QCOMPARE(enabledButtons(*w), (QList<int>{3, 1017, 1018, 1019}));
    panel.newRunButton()->click();
    QCOMPARE(enabledButtons(*w), (QList<int>{1001, 1006, 1012, 1015, 1004, 3}));
    QCOMPARE(label(*w, ctl::kStatus), QStringLiteral("SELECT FILES"));
    for (int id : {1010, 1008, 1011, 1014}) QCOMPARE(label(*w, id), QStringLiteral("No file selected"));
    QVERIFY(!panel.modelView()->hasScene());
    QVERIFY(plots.page().panels.empty());
    QCOMPARE(panel.messages()->count(), 0);
    QCOMPARE(w->run().state.ended, false);
    chooseFiles();
    click(ctl::kRun);
    QCOMPARE(label(*w, ctl::kStatus), QStringLiteral("KORVEX FINISHED SUCCESSFULLY"));
    QVERIFY(panel.modelView()->hasScene());
    QCOMPARE(plots.page().panels.size(), std::size_t{5});
  }

  void fatalErrorShowsTheBoxAndHaltsTheRun() {
    QVERIFY2(copyExample(), "the example in examples/air");
    // SHELX input needs the orientation matrix, which this experiment lacks;
    // the crystal model and its absorption go too, since hkl faces need the
    // matrix already when the model is built.
    {
      std::ifstream src(in("quartz.exp"));
      std::ofstream dst(in("noub.exp"));
      for (std::string line; std::getline(src, line);)
        if (line.rfind("UB", 0) != 0 && line.rfind("KORVEX", 0) != 0 && line.rfind("CONTENTS", 0) != 0)
          dst << line << '\n';
    }
    browse(1, choose(in("noub.exp")));
    browse(2, choose(in("noub.prt")));
    browse(3, choose(in("quartz.hkl")));
    browse(4, choose(in("noub.abs")));
    StatusWatch status(*w);
    QString shown, heading, footer, title;
    answers.queue.push_back(pressOk([&](QDialog& d) {
      title = d.windowTitle();
      heading = childText(d, 1021);
      shown = unwrapped(childText(d, 1020));
      footer = childText(d, 1022);
    }));
    click(ctl::kRun);
    QCOMPARE(title, QStringLiteral("Korvex 6.1"));
    QCOMPARE(heading, QStringLiteral("FATAL ERROR"));
    // The box keeps the first blank of the run of blanks that ends the message.
    QCOMPARE(shown, QStringLiteral("UB MISSING FROM EXP FILE - NEEDED TO CONVERT DIRECTION COSINES IN HKL FILE "));
    QCOMPARE(footer, QStringLiteral("KORVEX WILL BE HALTED"));
    QCOMPARE(answers.shown.last(), QString::fromLatin1(kFatalBoxName));
    QCOMPARE(status.set.last(), QStringLiteral("KORVEX HALTED"));
    QCOMPARE(label(*w, ctl::kStatus), QStringLiteral("KORVEX HALTED"));
    QCOMPARE(enabledButtons(*w), (QList<int>{3, 1017}));
    QCOMPARE(w->run().state.HALTED, 1);
    // The message also stays in the window's list.
    QCOMPARE(w->pictures().messages()->count(), 1);
    QVERIFY(w->pictures().messages()->item(0)->text().startsWith(QStringLiteral("FATAL ERROR: UB MISSING FROM EXP FILE")));
  }

  void boxesShowTheirTextsAndTheWholeMessage() {
    // A message long enough to need more lines than the box was drawn with,
    // with a "word" wider than the box: all of it stays readable.
    const std::string word(120, 'W');
    const std::string message = "THE GASKET HOLE IS NOT LARGE ENOUGH FOR THE CRYSTAL " + word + " END OF TEXT";
    for (bool fatal : {false, true}) {
      bool looked = false;
      answers.queue.push_back(pressOk([&](QDialog& d) {
        looked = true;
        EXPECT_TRUE_IN(d.windowTitle() == QStringLiteral("Korvex 6.1"));
        EXPECT_TRUE_IN(d.isModal());
        const int id = fatal ? 1020 : 1048;
        auto* text = d.findChild<QLabel*>(controlName(id));
        EXPECT_TRUE_IN(text != nullptr);
        if (!text) return;
        EXPECT_TRUE_IN(unwrapped(text->text()).remove(QLatin1Char(' ')) ==
                       QString::fromStdString(message).remove(QLatin1Char(' ')));
        const QStringList lines = text->text().split(QLatin1Char('\n'));
        for (const QString& l : lines) EXPECT_TRUE_IN(text->fontMetrics().horizontalAdvance(l) <= text->width());
        EXPECT_TRUE_IN(text->height() >= lines.size() * text->fontMetrics().lineSpacing());
        auto* foot = d.findChild<QLabel*>(controlName(1022));
        auto* ok = d.findChild<QPushButton*>(controlName(1));
        EXPECT_TRUE_IN(foot->y() >= text->geometry().bottom());
        EXPECT_TRUE_IN(ok->geometry().bottom() < d.height());
        EXPECT_TRUE_IN(ok->isDefault());
        EXPECT_TRUE_IN(foot->text() == (fatal ? QStringLiteral("KORVEX WILL BE HALTED")
                                             : QStringLiteral("PROGRAM EXECUTION WILL CONTINUE")));
        EXPECT_TRUE_IN(childText(d, fatal ? 1021 : 1020) ==
                       (fatal ? QStringLiteral("FATAL ERROR") : QStringLiteral("WARNING !!!!!")));
      }));
      if (fatal)
        w->layer().fatalBox(message);
      else
        w->layer().warningBox(message);
      QVERIFY(looked);
      QVERIFY2(failures().isEmpty(), failures().join("; ").toUtf8());
    }
  }

  void formatBoxReportsTheRadioButtonLastClicked() {
    auto answer = [&](std::vector<int> clicks, std::optional<int> expected) {
      answers.queue.push_back([clicks](QDialog& d) {
        for (int id : clicks) d.findChild<QRadioButton*>(controlName(id))->click();
        d.findChild<QPushButton*>(controlName(1))->click();
        return d.result();
      });
      QVERIFY(w->layer().formatBox(3, "data.dat", "Drevik") == expected);
    };
    answer({}, std::nullopt);
    answer({1052}, 1052);
    answer({1052, 1051}, 1051);
    // The name the run code passes (at most 40 characters) is shown whole.
    const std::string name(40, 'n');
    answers.queue.push_back(pressOk([&](QDialog& d) {
      auto* l = d.findChild<QLabel*>(controlName(1050));
      EXPECT_TRUE_IN(l->text() == QString::fromStdString(name));
      EXPECT_TRUE_IN(l->fontMetrics().horizontalAdvance(l->text()) <= l->width());
      EXPECT_TRUE_IN(childText(d, 1051) == QStringLiteral("Drevik"));
    }));
    w->layer().formatBox(3, name, "Drevik");
    QVERIFY2(failures().isEmpty(), failures().join("; ").toUtf8());
  }

  void methodChoiceOverridesTheExperimentFile() {
    // The example's file has no METHOD card: the window's choice decides.
    QVERIFY2(copyExample(), "the example in examples/air");
    auto* method = w->findChild<QComboBox*>(QStringLiteral("methodChoice"));
    QVERIFY(method != nullptr);
    QCOMPARE(method->currentIndex(), 0);
    method->setCurrentIndex(2);
    browse(1, choose(in("quartz.exp")));
    browse(2, choose(in("quartz.prt")));
    click(ctl::kBuildModel);
    QCOMPARE(label(*w, ctl::kStatus), QStringLiteral("CRYSTAL MODEL BUILT - SELECT DATA FILES"));
    QCOMPARE(w->run().exp.METHOD, 1);
    QVERIFY(w->run().exp.exact.built);
    QVERIFY(w->run().exp.exact.volume > 0.0);
  }

  void viewerShowsPrintFileControlsAsLines() {
    auto check = [](const char* bytes, const char* shown) {
      QCOMPARE(TextViewer::displayText(QByteArray(bytes)), QString::fromLatin1(shown));
    };
    check("a\r\nb\n", "a\nb\n");
    check("a\n\fPAGE\n", "a\nPAGE\n");
    check("\fFIRST\n", "\nFIRST\n");
    check("line\rover\n", "line\nover\n");
    TextViewer missing(tmp->filePath("none.prt"));
    QVERIFY(!missing.loaded());
    QVERIFY(missing.text().isEmpty());
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_gui.moc"
