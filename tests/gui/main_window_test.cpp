// The main window without workers: labels in two languages, layout rules,
// option labels and menus, busy state and the idle commands.
#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTest>

#include "app/tool_strip.h"
#include "window_fixture.h"

using tarnwell::app::MainDialog;
using tarnwell::app::ToolStrip;
using tarnwell::core::MessageIcon;
using tarnwell::testing::MenuEntry;
using tarnwell::testing::PickData;
using tarnwell::testing::PickText;
using tarnwell::testing::WindowFixture;
namespace ids = tarnwell::app::ids;
namespace text = tarnwell::text;

namespace {
constexpr int kEnglish = 1;
constexpr int kGerman = 0;

QStringList Legend(WindowFixture& window) {
  QStringList rows;
  for (int row = 0; row < window.Messages()->topLevelItemCount(); ++row) {
    rows << window.Messages()->RowText(row);
  }
  return rows;
}
QStringList Headers(QAbstractItemView* view, int columns) {
  QStringList titles;
  for (int c = 0; c < columns; ++c) {
    titles << view->model()->headerData(c, Qt::Horizontal).toString();
  }
  return titles;
}
}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(text::BuildTextCatalog()); }
  void init() { text::SetCurrentLanguage(kEnglish); }

  void LabelsEveryControlInEnglishAndGerman() {
    struct Expected {
      int language;
      QStringList buttons;  // Delete, Delete + Exit, Reset, overwrite, delay, fill, exit
      QString ready, group, instructions_start, legend_top;
      QStringList columns;
    };
    const Expected cases[] = {
        {kEnglish,
         {"Delete", "Delete + Exit", "Reset", "Overwrite 1 times", "Delete Delay 5 sec",
          "»» Fill the free space with null ««", "»» Exit ««"},
         "Ready",
         " # Tarnwell ;)",
         "Add the files via drag and dropp on this program",
         "Warning",
         {"Path", "Size", "Messages"}},
        {kGerman,
         {"Löschen", "Löschen + Exit", "Reset", "1 mal schreiben", "Lösch-Verzögerung 5 Sek",
          "»» Freien Bereich nullen ««", "»» Beenden ««"},
         "Bereit",
         "# Tarnwell",
         "Ziehen Sie die Datein einfach per Drag & Drop auf",
         "Warnung",
         {"Pfad", "Größe", "Meldungen"}},
    };
    for (const Expected& expected : cases) {
      WindowFixture window;
      text::SetCurrentLanguage(expected.language);
      MainDialog& dialog = window.Open();
      const QStringList shown = {
          window.ButtonText(ids::kDelete), window.ButtonText(ids::kDeleteExit),
          window.ButtonText(ids::kReset),  window.ButtonText(ids::kOverwrite),
          window.ButtonText(ids::kDelay),  window.ButtonText(ids::kFill),
          window.ButtonText(ids::kCancel)};
      QCOMPARE(shown, expected.buttons);
      QCOMPARE(window.ButtonText(ids::kLanguage), QString("»» LNG ««"));
      QCOMPARE(window.ButtonText(ids::kHelp), QString("»» ? ««"));
      QCOMPARE(window.ButtonText(ids::kImport),
               QString(expected.language == 0 ? "Importieren" : "Import"));
      QVERIFY(dialog.windowTitle().endsWith(" [Unicode]"));
      QVERIFY(dialog.windowTitle().startsWith("Tarnwell"));
      // Set-up ends with the (empty) command line's refresh.
      QVERIFY2(window.Status().startsWith(expected.ready + " // "), qPrintable(window.Status()));
      QCOMPARE(dialog.findChild<QGroupBox*>(ids::kGroup)->title(), expected.group);
      const QString instructions = dialog.findChild<QLabel*>(ids::kInstructions)->text();
      QVERIFY2(instructions.startsWith(expected.instructions_start), qPrintable(instructions));
      QVERIFY(!instructions.contains("&&"));
      QCOMPARE(window.TopMessage(), expected.legend_top);
      auto* items = dialog.findChild<QTableView*>(ids::kItemList);
      QCOMPARE(Headers(items, 2) << window.Messages()->headerItem()->text(0), expected.columns);
      QVERIFY(!window.ButtonText(ids::kWebLink).isEmpty());
      QVERIFY(window.ButtonText(ids::kWebLink) != "?");
    }
  }

  void ItemListIsAPlainVirtualTable() {
    WindowFixture window;
    MainDialog& dialog = window.Open();
    auto* view = dialog.findChild<QTableView*>(ids::kItemList);
    QAbstractItemModelTester tester(view->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(view->columnWidth(0), 330);
    QCOMPARE(view->columnWidth(1), 90);
    QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(!view->isSortingEnabled());
    QCOMPARE(view->model()->rowCount(), 0);
  }

  void LanguageMenuListsLanguagesAndSwitchesTheWindow() {
    WindowFixture window;
    text::SetCurrentLanguage(kGerman);
    MainDialog& dialog = window.Open();
    dialog.InsertMessage("an old job's row", MessageIcon::kError);
    bool pressed = false;
    QPoint below;
    window.runner().while_open = [&] {
      QToolButton* button = window.Button(ids::kLanguage);
      pressed = button->isDown();
      below = button->mapToGlobal(QPoint(0, button->height()));
    };
    window.runner().pick = PickData(10 + kEnglish);
    dialog.RunCommand(ids::kLanguage);

    QCOMPARE(window.runner().menus.size(), 1);
    const QList<MenuEntry>& menu = window.runner().menus[0];
    QCOMPARE(menu.size(), 10);  // eight languages, separator, Translate
    for (int i = 0; i < 8; ++i) {
      QCOMPARE(menu[i].data, 10 + i);
      QCOMPARE(menu[i].enabled, i != kGerman);
      QVERIFY(!menu[i].checked);
    }
    QVERIFY(menu[0].text.contains('\t'));  // native name and translated name in two columns
    QVERIFY(menu[8].separator);
    QCOMPARE(menu[9].text, QString("Translate"));
    QVERIFY(pressed);
    QVERIFY(!window.Button(ids::kLanguage)->isDown());
    QCOMPARE(window.runner().menu_positions[0], below);

    QCOMPARE(text::CurrentLanguage(), kEnglish);
    QCOMPARE(window.settings().ReadProgramSetting("lng", -1), kEnglish);
    QCOMPARE(Legend(window), QStringList({"Warning", "Error", "Info"}));
    QCOMPARE(window.ButtonText(ids::kDelete), QString("Delete"));
  }

  void OptionLabelsClampTheStoredValues() {
    struct Case {
      int rewrite, delay;
      QString overwrite_label, delay_label;
      int delay_seconds;
    };
    const Case cases[] = {{0, -3, "Overwrite 1 times", "Delete Delay 0 sec", 0},
                          {99, 50, "Overwrite 35 times", "Delete Delay 10 sec", 10}};
    for (const Case& c : cases) {
      WindowFixture window;
      window.Set("re_write", c.rewrite);
      window.Set("del_delay", c.delay);
      MainDialog& dialog = window.Open();
      QCOMPARE(window.ButtonText(ids::kOverwrite), c.overwrite_label);
      QCOMPARE(window.ButtonText(ids::kDelay), c.delay_label);
      QCOMPARE(dialog.run_state().deleteDelaySeconds.load(), c.delay_seconds);
      QCOMPARE(window.Get("re_write"), c.rewrite);  // labels never write the file
      QCOMPARE(dialog.UpdateOptionLabels(), c.delay_label.toStdString());
    }
  }

  void TimeModeIsClampedAndWrittenBack() {
    for (auto [stored, written] : {std::pair{7, 2}, {-4, 0}, {1, 1}}) {
      WindowFixture window;
      window.Set("TimeMode", stored);
      QCOMPARE(window.Open().time_mode(), written);
      QCOMPARE(window.Get("TimeMode"), written);
    }
    WindowFixture fresh;
    fresh.Open();
    QCOMPARE(fresh.Get("TimeMode"), 0);
  }

  void LayoutFollowsThePixelRulesOnEveryResize() {
    WindowFixture window;
    MainDialog& dialog = window.Open();
    QCOMPARE(dialog.size(), dialog.TemplateClientSize());
    dialog.show();
    auto* items = dialog.findChild<QWidget*>(ids::kItemList);
    const QPoint list_origin = items->pos();
    const int left = list_origin.x();
    const int top = list_origin.y();
    for (QSize size : {QSize(900, 700), QSize(420, 360), QSize(1600, 1000), QSize(640, 480)}) {
      dialog.resize(size);
      const int w = size.width();
      const int h = size.height();
      QCOMPARE(dialog.findChild<QWidget*>(ids::kHeaderBand)->geometry(), QRect(0, 0, w, 24));
      QCOMPARE(dialog.findChild<QWidget*>(ids::kFillToolbar)->geometry(), QRect(0, 0, w, 24));
      auto* app_bar = dialog.findChild<ToolStrip*>(ids::kAppToolbar);
      QCOMPARE(app_bar->geometry(), QRect(w - app_bar->ButtonSpan(), 0, w, 24));
      // Its last button ends at the window's right edge.
      QCOMPARE(app_bar->mapTo(&dialog, window.Button(ids::kCancel)->geometry().topRight()).x(),
               w - 1);
      QCOMPARE(dialog.findChild<QWidget*>(ids::kActionToolbar)->geometry(),
               QRect(left, top - 24, w, 24));
      QCOMPARE(items->geometry(), QRect(left, top, w - 2 * left, h - top - 130));
      QCOMPARE(window.Messages()->geometry(), QRect(left, h - 126, w - 2 * left, 100));
      QCOMPARE(dialog.findChild<QWidget*>(ids::kStatusBar)->geometry(), QRect(0, h - 24, w, 24));
      QCOMPARE(dialog.findChild<QWidget*>(ids::kLinkToolbar)->geometry(),
               QRect(w - 174, 3, 150, 24));
    }
  }

  void BusyLeavesOnlyDelayLanguageHelpAndLinkEnabled() {
    WindowFixture window;
    MainDialog& dialog = window.Open();
    const QStringList all = {ids::kDelete,   ids::kDeleteExit, ids::kOverwrite, ids::kReset,
                             ids::kImport,   ids::kCancel,     ids::kFill,      ids::kDelay,
                             ids::kLanguage, ids::kHelp,       ids::kWebLink};
    auto enabled = [&] {
      QStringList on;
      for (const QString& id : all) {
        if (window.Button(id.toLatin1().constData())->isEnabled()) on << id;
      }
      return on;
    };
    QCOMPARE(enabled(), all);
    dialog.SetBusy(true);
    QCOMPARE(enabled(), QStringList({ids::kDelay, ids::kLanguage, ids::kHelp, ids::kWebLink}));
    dialog.SetBusy(false);
    QCOMPARE(enabled(), all);
  }

  void OverwriteMenuOffersNineteenCountsBelowItsButton() {
    WindowFixture window;
    MainDialog& dialog = window.Open();
    bool pressed = false;
    window.runner().while_open = [&] { pressed = window.Button(ids::kOverwrite)->isDown(); };
    dialog.RunCommand(ids::kOverwrite);  // dismissed: nothing written
    const QList<MenuEntry>& menu = window.runner().menus[0];
    QList<int> counts;
    for (const MenuEntry& entry : menu) {
      counts << entry.data;
      QVERIFY(!entry.checked);  // "re_write" is missing
    }
    QCOMPARE(counts,
             QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 13, 15, 17, 20, 23, 26, 29, 32, 35}));
    QCOMPARE(menu[10].text, QString("Overwrite 13 times"));
    QVERIFY(pressed);
    QVERIFY(!window.Button(ids::kOverwrite)->isDown());
    QCOMPARE(window.Get("re_write"), -12345);

    window.runner().pick = PickData(35);
    dialog.RunCommand(ids::kOverwrite);
    QCOMPARE(window.Get("re_write"), 35);
    QCOMPARE(window.ButtonText(ids::kOverwrite), QString("Overwrite 35 times"));

    window.runner().pick = PickData(1);
    dialog.RunCommand(ids::kOverwrite);
    QList<int> checked;
    for (const MenuEntry& entry : window.runner().menus[2]) {
      if (entry.checked) checked << entry.data;
    }
    QCOMPARE(checked, QList<int>({35}));
    QCOMPARE(window.ButtonText(ids::kOverwrite), QString("Overwrite 1 times"));
  }

  void DelayMenuOffersZeroToNineSeconds() {
    WindowFixture window;
    window.Set("del_delay", 10);
    MainDialog& dialog = window.Open();
    window.runner().pick = PickData(1003);
    dialog.RunCommand(ids::kDelay);
    const QList<MenuEntry>& menu = window.runner().menus[0];
    QCOMPARE(menu.size(), 10);
    for (int s = 0; s < 10; ++s) {
      QCOMPARE(menu[s].data, 1000 + s);
      QVERIFY(!menu[s].checked);  // 10 is shown on the button but is no entry
    }
    QCOMPARE(menu[3].text, QString("Delete Delay 3 sec"));
    QCOMPARE(window.Get("del_delay"), 3);
    QCOMPARE(dialog.run_state().deleteDelaySeconds.load(), 3);
    QCOMPARE(window.ButtonText(ids::kDelay), QString("Delete Delay 3 sec"));
  }

  void HelpAndWebLinkUseTheRunner() {
    WindowFixture window;
    MainDialog& dialog = window.Open();
    dialog.RunCommand(ids::kHelp);
    QCOMPARE(window.runner().boxes.size(), 1);
    const auto& box = window.runner().boxes[0];
    QCOMPARE(box.caption, QString("Help"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(box.owned);
    QVERIFY(
        box.text.startsWith("Reset:\nClear the List Contents (not delete the files).\n\n"
                            "Delete:\n"));
    QVERIFY(box.text.contains("Fill the free space with null:\nThis will remove"));

    dialog.RunCommand(ids::kWebLink);
    QCOMPARE(window.runner().urls.size(), 1);
    QVERIFY(window.runner().urls[0].isValid());
    QVERIFY(window.runner().urls[0].scheme().startsWith("http"));
  }

  void EscapeAndCloseBoxCloseWhenIdleEnterDoesNothing() {
    WindowFixture window;
    MainDialog& dialog = window.Open();
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Return);
    QTest::keyClick(&dialog, Qt::Key_Enter);
    QVERIFY(dialog.isVisible());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), MainDialog::kCancelResult);

    WindowFixture other;
    MainDialog& second = other.Open();
    second.show();
    QVERIFY(!second.close());  // the close box asks Cancel, which closes by itself
    QVERIFY(!second.isVisible());
  }

  void CancelDuringTheFillAsksFirst() {
    WindowFixture window;
    MainDialog& dialog = window.Open();
    dialog.show();
    dialog.run_state().fillRunning = 1;
    window.runner().answer = QMessageBox::No;
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(window.runner().boxes.size(), 1);
    const auto& box = window.runner().boxes[0];
    QCOMPARE(box.caption, QString("Cancel"));
    QCOMPARE(box.text, QString("Are you sure?"));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.run_state().fillRunning.load(), 1);

    window.runner().answer = QMessageBox::Yes;
    QElapsedTimer timer;
    timer.start();
    dialog.RunCommand(ids::kCancel);
    QVERIFY(timer.elapsed() >= MainDialog::kFillStopWaitMs);
    QCOMPARE(dialog.run_state().fillRunning.load(), 0);
    QVERIFY(!dialog.isVisible());
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
