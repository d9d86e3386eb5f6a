// What keeps a careful user's trust in the window: the stop question pauses
// the erase, list keys never erase, the countdown waits for an open menu,
// Reset clears the counts, the fill names its volume, and screen readers hear
// severities and progress. Runs under tsan.
#include <QAccessible>
#include <QContextMenuEvent>
#include <QFile>
#include <QLibraryInfo>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <set>

#include "text/format_text.h"
#include "ui/event_texts.h"
#include "ui/language_menu.h"
#include "ui/option_menus.h"
#include "ui/window_texts.h"
#include "window_fixture.h"

using tarnwell::app::MainDialog;
using tarnwell::core::MessageIcon;
using tarnwell::testing::PickData;
using tarnwell::testing::WindowFixture;
namespace fs = std::filesystem;
namespace ids = tarnwell::app::ids;
namespace platform = tarnwell::platform;
namespace texts = tarnwell::ui::texts;

namespace {
constexpr int kJobTimeoutMs = 60000;

void WriteFile(const std::string& path, size_t bytes) {
  QFile file(QString::fromStdString(path));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(static_cast<qsizetype>(bytes), 'M'));
}

QString Text(tarnwell::text::TextId id) {
  return QString::fromStdString(tarnwell::text::LookupUtf8(id));
}

QTableView* Items(MainDialog& dialog) { return dialog.findChild<QTableView*>(ids::kItemList); }

int Existing(const std::vector<std::string>& paths) {
  return static_cast<int>(std::count_if(paths.begin(), paths.end(),
                                        [](const std::string& p) { return fs::exists(p); }));
}
}  // namespace

class WindowTrustTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(tarnwell::text::BuildTextCatalog()); }
  void init() { tarnwell::text::SetCurrentLanguage(1); }

  // Escape during the erase asks, and while the box is open the file being
  // erased is finished and no other is touched; Escape in the box would
  // answer Yes; No lets the job erase the rest.
  void StopQuestionPausesTheErase() {
    // Declared before the window, whose end waits for the job that uses them.
    std::mutex mutex;
    std::set<std::string> written;
    std::atomic<bool> release{false};
    std::vector<std::string> files;
    WindowFixture window;
    for (const char* name : {"a", "b", "c", "d"}) {
      files.push_back(window.Path(name));
      WriteFile(files.back(), 64 * 1024);
    }
    window.Set("del_delay", 0);
    window.env().fail_write = [&](const std::string& path, uint64_t, size_t,
                                  bool) -> std::optional<platform::Result<size_t>> {
      // The listed files only: the erase's own note is written as well.
      if (std::find(files.begin(), files.end(), path) == files.end()) return std::nullopt;
      {
        std::lock_guard lock(mutex);
        written.insert(path);
      }
      while (!release.load()) QThread::msleep(1);
      return std::nullopt;
    };
    const auto written_count = [&] {
      std::lock_guard lock(mutex);
      return written.size();
    };
    MainDialog& dialog = window.Open(files);
    dialog.show();
    dialog.RunCommand(ids::kDelete);
    QTRY_VERIFY_WITH_TIMEOUT(written_count() == 1, kJobTimeoutMs);
    window.runner().answer = QMessageBox::No;
    window.runner().while_open = [&] {
      release = true;
      QTest::qWait(500);  // the window goes on handling the job's calls
      QCOMPARE(written_count(), size_t{1});
      QCOMPARE(Existing(files), 3);
    };
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(window.runner().boxes.size(), 1);
    QCOMPARE(window.runner().boxes[0].escape, QMessageBox::Yes);
    QTRY_COMPARE_WITH_TIMEOUT(Existing(files), 0, kJobTimeoutMs);
  }

  // Del and Backspace in the list, and the context menu, take rows out and
  // erase nothing; the erase has Ctrl+E, named in the tooltip; Reset clears
  // the status bar's counts.
  void ListKeysNeverErase() {
    WindowFixture window;
    std::vector<std::string> files;
    for (const char* name : {"a", "b", "c", "d"}) {
      files.push_back(window.Path(name));
      WriteFile(files.back(), 10);
    }
    window.Set("del_delay", 5);
    MainDialog& dialog = window.Open(files);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTableView* items = Items(dialog);
    items->setFocus();
    items->selectRow(0);
    QTest::keyClick(items, Qt::Key_Delete);
    QCOMPARE(items->model()->rowCount(), 3);
    items->selectRow(2);
    QTest::keyClick(items, Qt::Key_Backspace);
    QCOMPARE(items->model()->rowCount(), 2);
    QCOMPARE(window.Status(),
             "Ready // " + QString::fromStdString(tarnwell::ui::ItemsSummaryText(2, 20)));
    window.runner().pick = PickData(tarnwell::ui::kRemoveFromList);
    items->selectRow(1);
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(4, 4),
                           items->viewport()->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(items->viewport(), &menu);
    QCOMPARE(window.runner().menus.back()[0].text, Text(texts::kRemoveFromList));
    QCOMPARE(items->model()->rowCount(), 1);
    QCOMPARE(Existing(files), 4);
    QVERIFY(!dialog.run_state().erase_running.load());

    QVERIFY(window.Button(ids::kDelete)->toolTip().contains("Ctrl+E"));
    QTest::keyClick(&dialog, Qt::Key_E, Qt::ControlModifier);
    QTRY_VERIFY(dialog.run_state().erase_running.load());
    dialog.RunCommand(ids::kCancel);  // ends the countdown
    QTRY_VERIFY(window.Button(ids::kDelete)->isEnabled());
    dialog.RunCommand(ids::kReset);
    QCOMPARE(window.Status(), Text(texts::kReady));
    QCOMPARE(Existing(files), 4);
  }

  // A menu opened during the countdown holds it: nothing is erased behind
  // the menu, and the countdown goes on once it has closed.
  void CountdownWaitsWhileAMenuIsOpen() {
    WindowFixture window;
    const std::string file = window.Path("a");
    WriteFile(file, 10);
    window.Set("del_delay", 1);
    MainDialog& dialog = window.Open({file});
    dialog.show();
    dialog.RunCommand(ids::kDelete);
    QTRY_VERIFY(dialog.run_state().erase_running.load());
    window.runner().while_open = [&] {
      QTest::qWait(2000);
      QVERIFY(fs::exists(file));
      QCOMPARE(window.Status(), QString("Erasing in 1 s, Escape stops"));
    };
    dialog.RunCommand(ids::kDelay);
    QVERIFY(fs::exists(file));
    QTRY_VERIFY_WITH_TIMEOUT(!fs::exists(file), kJobTimeoutMs);
  }

  // The fill's first row names the volume and what it will write; an error
  // row gives its reason in the window's words, and a screen reader hears
  // "Error: ..." and the progress as a progress bar's value.
  void FillNamesItsVolumeAndErrorsSpeakTheLanguage() {
    std::atomic<uint64_t> bytes{0};
    WindowFixture window;
    const std::string chosen = window.Path("fill");
    fs::create_directories(chosen);
    window.env().fail_write = [&bytes](const std::string&, uint64_t, size_t length,
                                       bool) -> std::optional<platform::Result<size_t>> {
      if (bytes.fetch_add(length) > (1u << 20)) {
        return platform::Result<size_t>(platform::Status::Error(EIO, "write: Input/output error"));
      }
      return std::nullopt;
    };
    MainDialog& dialog = window.Open();
    dialog.show();
    QAccessibleInterface* status =
        QAccessible::queryAccessibleInterface(dialog.findChild<QStatusBar*>(ids::kStatusBar));
    QCOMPARE(status->role(), QAccessible::ProgressBar);
    QVERIFY(status->valueInterface() != nullptr);
    window.runner().folder = QString::fromStdString(chosen);
    window.runner().pick = PickData(tarnwell::ui::kFillRun);
    dialog.RunCommand(ids::kFill);
    QTRY_VERIFY_WITH_TIMEOUT(window.Button(ids::kFill)->isEnabled(), kJobTimeoutMs);

    tarnwell::app::MessageList* messages = window.Messages();
    const int legend = 3;
    const QString first = messages->RowText(messages->topLevelItemCount() - legend - 1);
    const platform::Result<platform::MountInfo> mount = window.env().FindMount(chosen);
    QVERIFY(mount.ok());
    QVERIFY2(first.startsWith(QString("Filling the free space of %1 (%2): ")
                                  .arg(QString::fromStdString(mount->mount_point),
                                       QString::fromStdString(mount->fs_type))),
             qPrintable(first));
    QVERIFY2(first.endsWith(" will be written") && !first.contains('?'), qPrintable(first));
    int error_row = -1;
    for (int row = 0; row < messages->topLevelItemCount() - legend; ++row) {
      if (messages->RowIcon(row) == MessageIcon::kError) error_row = row;
    }
    QVERIFY(error_row >= 0);
    QVERIFY2(messages->RowText(error_row).endsWith("(input/output error)"),
             qPrintable(messages->RowText(error_row)));
    QCOMPARE(messages->topLevelItem(error_row)->data(0, Qt::AccessibleTextRole).toString(),
             "Error: " + messages->RowText(error_row));
    QCOMPARE(status->valueInterface()->currentValue().toDouble(), 0.0);  // no job runs
  }

  // Qt's own texts (the Yes and No of the stop question, the file dialogs)
  // follow the window's language where the system has Qt's translations.
  void QtTextsFollowTheLanguage() {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(folder + "/qtbase_de.qm")) QSKIP("qt6-translations-l10n is missing");
    WindowFixture window;
    MainDialog& dialog = window.Open();
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString("&Yes"));
    window.runner().pick = PickData(tarnwell::ui::kFirstLanguageCommand);  // German
    dialog.RunCommand(ids::kLanguage);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString("&Ja"));
    window.runner().pick = PickData(tarnwell::ui::kFirstLanguageCommand + 1);
    dialog.RunCommand(ids::kLanguage);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString("&Yes"));
  }
};

QTEST_MAIN(WindowTrustTest)
#include "window_trust_test.moc"
