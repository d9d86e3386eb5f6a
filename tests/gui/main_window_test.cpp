// The main window without workers: labels in two languages, layout rules,
// option labels and menus, busy state and the idle commands.
#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
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
    // The path takes what the size column leaves.
    dialog.show();
    QCOMPARE(view->columnWidth(1), 90);
    QCOMPARE(view->columnWidth(0) + 90, view->viewport()->width());
    QCOMPARE(view->textElideMode(), Qt::ElideMiddle);
    QVERIFY(!view->tabKeyNavigation());
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
      QCOMPARE(dialog.run_state().delete_delay_seconds.load(), c.delay_seconds);
      QCOMPARE(window.Get("re_write"), c.rewrite);  // labels never write the file
      QCOMPARE(dialog.UpdateOptionLabels(), c.delay_label.toStdString());
    }
  }

  void TimeModeIsClampedAndWrittenBackOnlyWhenOutOfRange() {
    for (auto [stored, written] : {std::pair{7, 2}, {-4, 0}, {1, 1}}) {
      WindowFixture window;
      window.Set("TimeMode", stored);
      QCOMPARE(window.Open().time_mode(), written);
      QCOMPARE(window.Get("TimeMode"), written);
    }
    // A start writes no settings file of its own.
    WindowFixture fresh;
    QCOMPARE(fresh.Open().time_mode(), 0);
    QCOMPARE(fresh.Get("TimeMode"), -12345);
  }

  void LayoutFollowsThePixelRulesOnEveryResize() {
    WindowFixture window;
    MainDialog& dialog = window.Open();
    QCOMPARE(dialog.size(), dialog.TemplateClientSize().expandedTo(dialog.minimumSize()));
    QCOMPARE(dialog.minimumSize(), dialog.MinimumClientSize());
    dialog.show();
    auto* items = dialog.findChild<QWidget*>(ids::kItemList);
    auto* group = dialog.findChild<QWidget*>(ids::kGroup);
    auto* icon = dialog.findChild<QWidget*>(ids::kIcon);
    auto* instructions = dialog.findChild<QWidget*>(ids::kInstructions);
    const int left = items->x();
    const int wide_top = items->y();
    // The last two are below the minimum, which holds.
    for (QSize asked :
         {QSize(900, 700), QSize(1600, 1000), QSize(640, 480), QSize(420, 360), QSize(320, 240)}) {
      dialog.resize(asked);
      const QSize size = asked.expandedTo(dialog.minimumSize());
      QCOMPARE(dialog.size(), size);
      const int w = size.width();
      const int h = size.height();
      QCOMPARE(dialog.findChild<QWidget*>(ids::kHeaderBand)->geometry(), QRect(0, 0, w, 24));
      QCOMPARE(dialog.findChild<QWidget*>(ids::kFillToolbar)->geometry(), QRect(0, 0, w, 24));
      auto* app_bar = dialog.findChild<ToolStrip*>(ids::kAppToolbar);
      QCOMPARE(app_bar->geometry(), QRect(w - app_bar->ButtonSpan(), 0, w, 24));
      // Its last button ends at the window's right edge.
      QCOMPARE(app_bar->mapTo(&dialog, window.Button(ids::kCancel)->geometry().topRight()).x(),
               w - 1);
      // The group box spans the window with the icon at its right, the text
      // beside it; the action strip and the lists follow below it.
      QCOMPARE(group->x(), left);
      QCOMPARE(group->width(), w - 2 * left);
      QVERIFY(group->geometry().contains(icon->geometry()));
      QVERIFY(icon->geometry().right() > group->geometry().right() - 3 * icon->width() / 2);
      QVERIFY(instructions->geometry().right() < icon->x());
      QVERIFY(group->geometry().contains(instructions->geometry()));
      const int top = items->y();
      QVERIFY(top >= wide_top);
      if (w >= 900) QCOMPARE(top, wide_top);  // the template's place where the text fits
      QCOMPARE(dialog.findChild<QWidget*>(ids::kActionToolbar)->geometry(),
               QRect(left, top - 24, w, 24));
      QVERIFY(top - 24 > group->geometry().bottom());
      QCOMPARE(items->geometry(), QRect(left, top, w - 2 * left, h - top - 130));
      QVERIFY(items->height() >= 60);
      QCOMPARE(window.Messages()->geometry(), QRect(left, h - 126, w - 2 * left, 100));
      QCOMPARE(dialog.findChild<QWidget*>(ids::kStatusBar)->geometry(), QRect(0, h - 24, w, 24));
      QCOMPARE(dialog.findChild<QWidget*>(ids::kLinkToolbar)->geometry(),
               QRect(w - 174, 0, 150, 24));
    }
  }

  // Every label shows whole in every language, at the first size and at the
  // smallest: buttons as wide as their text and inside the window, the two
  // ends of the header apart, the instruction text and the group's title.
  void NoTextIsCutInAnyLanguage() {
    for (int language = 0; language < 8; ++language) {
      text::SetCurrentLanguage(language);
      WindowFixture window;
      window.Set("re_write", 35);
      MainDialog& dialog = window.Open();
      dialog.show();
      for (bool smallest : {false, true}) {
        if (smallest) dialog.resize(1, 1);
        const QString where =
            QString("language %1, %2").arg(language).arg(smallest ? "min" : "first");
        for (QToolButton* button : dialog.findChildren<QToolButton*>()) {
          const QString shown = QString(button->text()).replace("&&", "&");
          const QRect in_window(button->mapTo(&dialog, QPoint(0, 0)), button->size());
          QVERIFY2(button->fontMetrics().horizontalAdvance(shown) <= button->width(),
                   qPrintable(where + ": " + shown));
          QVERIFY2(dialog.rect().contains(in_window), qPrintable(where + ": " + shown));
        }
        const QRect fill(window.Button(ids::kFill)->mapTo(&dialog, QPoint(0, 0)),
                         window.Button(ids::kFill)->size());
        const QPoint language_button = window.Button(ids::kLanguage)->mapTo(&dialog, QPoint(0, 0));
        QVERIFY2(fill.right() < language_button.x(), qPrintable(where));
        auto* instructions = dialog.findChild<QLabel*>(ids::kInstructions);
        QVERIFY2(instructions->heightForWidth(instructions->width()) <= instructions->height(),
                 qPrintable(where));
        auto* group = dialog.findChild<QGroupBox*>(ids::kGroup);
        QVERIFY2(group->fontMetrics().horizontalAdvance(group->title()) < group->width() - 20,
                 qPrintable(where));
      }
    }
  }

  // Tab walks the window in reading order: the header, the buttons, the
  // lists (each one stop), the link; Enter and Space press the focused button; the commands
  // have their keys, shown in the tooltips; every control has a name for
  // screen readers, without the header marks, and a description.
  void KeyboardAndScreenReadersReachEveryControl() {
    WindowFixture window;
    MainDialog& dialog = window.Open();
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* items = dialog.findChild<QTableView*>(ids::kItemList);
    QCOMPARE(QApplication::focusWidget(), items);

    const QList<QWidget*> expected = {window.Button(ids::kFill),
                                      window.Button(ids::kLanguage),
                                      window.Button(ids::kHelp),
                                      window.Button(ids::kCancel),
                                      window.Button(ids::kReset),
                                      window.Button(ids::kDelete),
                                      window.Button(ids::kDeleteExit),
                                      window.Button(ids::kOverwrite),
                                      window.Button(ids::kDelay),
                                      window.Button(ids::kImport),
                                      window.Button(ids::kAddFiles),
                                      items,
                                      window.Messages(),
                                      window.Button(ids::kWebLink)};
    expected[0]->setFocus();
    for (int i = 1; i < expected.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), expected[i]);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), expected[0]);

    window.Button(ids::kHelp)->setFocus();
    QTest::keyClick(window.Button(ids::kHelp), Qt::Key_Return);
    QTest::keyClick(window.Button(ids::kHelp), Qt::Key_Space);
    QCOMPARE(window.runner().boxes.size(), 2);
    QTest::keyClick(&dialog, Qt::Key_F1);
    QCOMPARE(window.runner().boxes.size(), 3);
    const int menus = window.runner().menus.size();
    QTest::keyClick(&dialog, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(window.runner().menus.size(), menus + 1);
    QCOMPARE(window.runner().menus.back()[0].text, QString("Import"));
    QVERIFY(window.Button(ids::kImport)
                ->toolTip()
                .contains(QKeySequence(QKeySequence::Open).toString(QKeySequence::NativeText)));
    QVERIFY(window.Button(ids::kHelp)->toolTip().contains("F1"));
    QVERIFY(window.Button(ids::kDelete)->toolTip().contains("Ctrl+E"));

    // Ctrl+E starts the erase only while Delete is enabled; Del never does.
    window.Set("del_delay", 5);
    items->setFocus();
    QTest::keyClick(items, Qt::Key_Delete);
    QVERIFY(window.Button(ids::kDelete)->isEnabled());
    dialog.SetBusy(true);
    QTest::keyClick(items, Qt::Key_E, Qt::ControlModifier);
    QVERIFY(!dialog.run_state().erase_running.load());  // no job was started
    dialog.SetBusy(false);
    QTest::keyClick(items, Qt::Key_E, Qt::ControlModifier);
    QVERIFY(!window.Button(ids::kDelete)->isEnabled());
    QTRY_VERIFY(window.TopMessage().startsWith("The begin in"));
    dialog.RunCommand(ids::kCancel);  // ends the countdown
    QTRY_VERIFY(window.Button(ids::kDelete)->isEnabled());

    QList<QWidget*> controls = expected;
    controls << dialog.findChild<QWidget*>(ids::kIcon) << dialog.findChild<QWidget*>(ids::kGroup)
             << dialog.findChild<QWidget*>(ids::kInstructions);
    for (QWidget* control : controls) {
      // What a screen reader is told.
      const QString name = QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
      QVERIFY2(!name.isEmpty() && !name.contains(QChar(0xbb)) && !name.contains(QChar(0xab)),
               qPrintable(control->objectName() + ": " + name));
      QVERIFY2(
          !QAccessible::queryAccessibleInterface(control)->text(QAccessible::Description).isEmpty(),
          qPrintable(control->objectName()));
    }
    QCOMPARE(window.Button(ids::kCancel)->accessibleName(), QString("Exit"));
    QCOMPARE(items->accessibleName(), QString("Items"));
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
      QVERIFY(entry.exclusive);
      QCOMPARE(entry.checked, entry.data == 1);  // "re_write" is missing: the 1 shown
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
    QCOMPARE(dialog.run_state().delete_delay_seconds.load(), 3);
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
    // The commands and limits the first paragraphs leave out follow them.
    for (const char* heading : {"Import:", "Delete + Exit:", "LNG:", "Limits of overwriting:"}) {
      QVERIFY2(box.text.indexOf(QString("\n\n") + heading + "\n") >
                   box.text.indexOf("Fill the free space with null:"),
               heading);
    }

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

  // A running fill or erase is stopped after a question, never cut off by
  // closing the window; a second Escape while a stop is pending asks nothing.
  void CancelDuringAJobAsksToStopAndKeepsTheWindow() {
    WindowFixture window;
    MainDialog& dialog = window.Open();
    dialog.show();
    auto& state = dialog.run_state();
    struct Case {
      std::atomic<bool>& flag;
      bool running, stopped;
      QString question;
    };
    state.erase_running = true;
    state.stop_asked = false;
    state.erasing = true;
    const Case cases[] = {
        {state.fill_running, true, false, "Stop the fill? Its temporary files will be deleted."},
        {state.stop_asked, false, true,
         "Stop erasing after the current file? The items not reached yet stay untouched in the "
         "list."},
    };
    for (const Case& c : cases) {
      c.flag = c.running;
      window.runner().boxes.clear();
      window.runner().answer = QMessageBox::No;
      QTest::keyClick(&dialog, Qt::Key_Escape);
      QCOMPARE(window.runner().boxes.size(), 1);
      const auto& box = window.runner().boxes[0];
      QCOMPARE(box.caption, QString("Stop"));
      QCOMPARE(box.text, c.question);
      QCOMPARE(box.icon, QMessageBox::Warning);
      QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
      QCOMPARE(c.flag.load(), c.running);
      window.runner().answer = QMessageBox::Yes;
      QVERIFY(!dialog.close());  // the close box asks the same
      QCOMPARE(c.flag.load(), c.stopped);
      QVERIFY(dialog.isVisible());
    }
    QTest::keyClick(&dialog, Qt::Key_Escape);  // the erase's stop is pending
    QCOMPARE(window.runner().boxes.size(), 2);
    QVERIFY(dialog.isVisible());
    state.erasing = false;
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
