// The main window with work in flight: drops, the erase job end to end (also
// of the paths a file manager starts it with), its abort and Delete + Exit,
// the folder import, the fill stopped by closing, a worker that cannot start,
// and closing while a job runs. Runs under tsan.
#include <QAbstractItemModelTester>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <cerrno>
#include <filesystem>

#include "app/start_arguments.h"
#include "ui/option_menus.h"
#include "window_fixture.h"

using tarnwell::app::MainDialog;
using tarnwell::core::MessageIcon;
using tarnwell::testing::PickData;
using tarnwell::testing::PickText;
using tarnwell::testing::WindowFixture;
namespace fs = std::filesystem;
namespace ids = tarnwell::app::ids;
namespace platform = tarnwell::platform;

namespace {
constexpr int kJobTimeoutMs = 60000;

void WriteFile(const std::string& path, size_t bytes) {
  fs::create_directories(fs::path(path).parent_path());
  QFile file(QString::fromStdString(path));
  QVERIFY(file.open(QIODevice::WriteOnly));
  QByteArray block(4096, 'M');
  for (size_t done = 0; done < bytes; done += block.size()) {
    file.write(block.constData(), std::min<qint64>(block.size(), bytes - done));
  }
}

QAbstractItemModel* ItemModel(MainDialog& dialog) {
  return dialog.findChild<QTableView*>(ids::kItemList)->model();
}

bool AllActionsEnabled(WindowFixture& window) {
  for (const char* id : {ids::kDelete, ids::kDeleteExit, ids::kOverwrite, ids::kReset, ids::kImport,
                         ids::kCancel, ids::kFill}) {
    if (!window.Button(id)->isEnabled()) return false;
  }
  return true;
}

// A worker slot whose threads never start, as when the system has none left.
class FailingSlot final : public tarnwell::app::WorkerSlot {
 public:
  bool Start(std::function<void()>) override { return false; }
};
}  // namespace

class WindowJobsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(tarnwell::text::BuildTextCatalog()); }
  void init() { tarnwell::text::SetCurrentLanguage(1); }

  void DropAddsEveryPathThenRefreshesOnce() {
    WindowFixture window;
    WriteFile(window.Path("drop/c.txt"), 10);
    WriteFile(window.Path("drop/a.txt"), 20);
    WriteFile(window.Path("drop/d/e.txt"), 30);
    MainDialog& dialog = window.Open();
    QAbstractItemModelTester tester(ItemModel(dialog),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy resets(ItemModel(dialog), &QAbstractItemModel::modelReset);

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(window.Path("drop/c.txt"))),
                  QUrl::fromLocalFile(QString::fromStdString(window.Path("drop/a.txt"))),
                  QUrl::fromLocalFile(QString::fromStdString(window.Path("drop/d"))),
                  QUrl("https://example.org/not-a-file")});
    // The list is tinted while a drop hovers and plain again after it.
    auto* view = dialog.findChild<QTableView*>(ids::kItemList);
    const QColor plain = view->palette().color(QPalette::Base);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &enter);
    QVERIFY(enter.isAccepted());
    QVERIFY(view->palette().color(QPalette::Base) != plain);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&dialog, &leave);
    QCOMPARE(view->palette().color(QPalette::Base), plain);
    QCoreApplication::sendEvent(&dialog, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &drop);
    QCOMPARE(view->palette().color(QPalette::Base), plain);

    QCOMPARE(resets.count(), 1);
    QCOMPARE(ItemModel(dialog)->rowCount(), 4);  // c, a, the folder d and d/e
    QVERIFY2(window.Status().startsWith("Ready // Items:4 "), qPrintable(window.Status()));
    QCOMPARE(ItemModel(dialog)->index(0, 0).data().toString(),
             QString::fromStdString(window.Path("drop/a.txt")));
    QCOMPARE(ItemModel(dialog)->index(1, 1).data().toString(), QString("10.0 byte"));
    QCOMPARE(ItemModel(dialog)->index(2, 1).data().toString(), QString("<DIR>"));

    dialog.RunCommand(ids::kReset);
    QCOMPARE(ItemModel(dialog)->rowCount(), 0);
    QVERIFY(fs::exists(window.Path("drop/a.txt")));  // Reset touches no file
  }

  // A command-line path that names nothing gets a row; a translation
  // template that no program opens gets a row saying where it is.
  void SilentOutcomesGetARow() {
    WindowFixture window;
    WriteFile(window.Path("here.txt"), 10);
    const std::string missing = window.Path("gone/nothing.txt");
    MainDialog& dialog = window.Open({window.Path("here.txt"), missing});
    QCOMPARE(ItemModel(dialog)->rowCount(), 1);
    QCOMPARE(window.TopMessage(),
             QString::fromStdString("Not added, not found or not readable: " + missing));
    QCOMPARE(window.Messages()->RowIcon(0), MessageIcon::kWarning);

    const QByteArray old_tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(window.Path("")));
    window.env().fail_call = [](const std::string& operation,
                                const std::string& path) -> std::optional<platform::Status> {
      if (operation != "OpenWithDefaultProgram") return std::nullopt;
      return platform::Status::FromErrno(ENOENT, "open", path);
    };
    window.runner().pick = PickText("Translate");
    dialog.RunCommand(ids::kLanguage);
    qputenv("TMPDIR", old_tmp);
    QVERIFY2(window.TopMessage().startsWith("Translation template written to " +
                                            QString::fromStdString(window.Path("translate_"))),
             qPrintable(window.TopMessage()));
    QCOMPARE(window.Messages()->RowIcon(0), MessageIcon::kInfo);
  }

  void EraseOfATreeLeavesNothingOnDisk() {
    WindowFixture window;
    WriteFile(window.Path("tree/x.txt"), 5000);
    WriteFile(window.Path("tree/sub/y.bin"), 70000);
    WriteFile(window.Path("tree/sub/deeper/z"), 1);
    window.Set("del_delay", 0);
    window.Set("re_write", 2);
    MainDialog& dialog = window.Open({window.Path("tree")});
    QAbstractItemModelTester tester(ItemModel(dialog),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(ItemModel(dialog)->rowCount(), 6);

    dialog.RunCommand(ids::kDelete);
    QTRY_COMPARE_WITH_TIMEOUT(window.Status(), QString("100.0 % // Error: 0 "), kJobTimeoutMs);
    QTRY_VERIFY(AllActionsEnabled(window));
    QVERIFY(!fs::exists(window.Path("tree")));
    QCOMPARE(ItemModel(dialog)->rowCount(), 0);
    QCOMPARE(dialog.windowTitle(), QString("Tarnwell"));
    QVERIFY(!dialog.run_state().erase_running.load());
    // The end state: all done, no time left to wait for, and a last row.
    QCOMPARE(window.TopMessage(), QString("Finished: 6 items erased, 0 errors"));
    const QString instructions = dialog.findChild<QLabel*>(ids::kInstructions)->text();
    QVERIFY2(instructions.startsWith("Elapsed: ") && instructions.contains("\n100.0 % "),
             qPrintable(instructions));
  }

  // A file manager starts the window as "tarnwell -- PATH...": a trailing
  // blank or newline belongs to the name and must not lead to its neighbour.
  void FileManagerArgumentsAreListedAndErasedExactly() {
    WindowFixture window;
    const std::string report = window.Path("report.txt "), photos = window.Path("photos\n");
    for (const char* name : {"report.txt", "report.txt ", "photos/a", "photos\n/b"}) {
      WriteFile(window.Path(name), 100);
    }
    window.Set("del_delay", 0);
    const char* argv[] = {"tarnwell", "--", report.c_str(), photos.c_str()};
    MainDialog& dialog = window.Open(tarnwell::app::ReadStartArguments(4, argv).paths);
    QStringList listed;
    for (int row = 0; row < ItemModel(dialog)->rowCount(); ++row) {
      listed << ItemModel(dialog)->index(row, 0).data().toString();
    }
    listed.sort();
    QCOMPARE(listed,
             QStringList({QString::fromStdString(photos), QString::fromStdString(photos + "/b"),
                          QString::fromStdString(report)}));

    dialog.RunCommand(ids::kDelete);
    QTRY_COMPARE_WITH_TIMEOUT(window.Status(), QString("100.0 % // Error: 0 "), kJobTimeoutMs);
    // The job writes its last row after the status bar.
    QTRY_VERIFY(AllActionsEnabled(window));
    QCOMPARE(window.TopMessage(), QString("Finished: 3 items erased, 0 errors"));
    QVERIFY(!fs::exists(report) && !fs::exists(photos));
    QVERIFY(fs::exists(window.Path("report.txt")) && fs::exists(window.Path("photos/a")));
  }

  void EscapeDuringTheCountdownAbortsAndKeepsTheWindow() {
    WindowFixture window;
    WriteFile(window.Path("keep.txt"), 100);
    window.Set("del_delay", 5);
    MainDialog& dialog = window.Open({window.Path("keep.txt")});
    dialog.show();
    dialog.RunCommand(ids::kDelete);
    QVERIFY(!window.Button(ids::kDelete)->isEnabled());
    QTRY_VERIFY(window.TopMessage().startsWith("The begin in"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QTRY_COMPARE_WITH_TIMEOUT(window.TopMessage(), QString("Abort // [ESC]"), 5000);
    QCOMPARE(window.Messages()->RowIcon(0), MessageIcon::kWarning);
    QVERIFY(dialog.isVisible());
    // The job frees the controls after its last row, once the list is read again.
    QTRY_VERIFY(AllActionsEnabled(window));
    QVERIFY(fs::exists(window.Path("keep.txt")));
  }

  void DeleteAndExitClosesOnlyAfterAJobWithoutErrors() {
    for (bool with_error : {false, true}) {
      WindowFixture window;
      const std::string victim = window.Path("victim.txt");
      WriteFile(victim, 3000);
      window.Set("del_delay", 0);
      if (with_error) {
        window.env().fail_call = [victim](
                                     const std::string& operation,
                                     const std::string& path) -> std::optional<platform::Status> {
          if (operation == "OpenAt" && path == victim) {
            return platform::Status::FromErrno(EIO, "open", path);
          }
          return std::nullopt;
        };
      }
      MainDialog& dialog = window.Open({victim});
      dialog.show();
      dialog.RunCommand(ids::kDeleteExit);
      if (with_error) {
        QTRY_VERIFY_WITH_TIMEOUT(window.Status().contains("Error: 1"), kJobTimeoutMs);
        QTRY_VERIFY(AllActionsEnabled(window));
        // Nothing was written: the end state says so, not 100 %.
        QCOMPARE(window.Status(), QString("0.0 % // Error: 1 "));
        QCOMPARE(window.TopMessage(), QString("Finished: 0 items erased, 1 errors"));
        QCOMPARE(window.Messages()->RowIcon(0), MessageIcon::kWarning);
        QVERIFY(dialog.findChild<QLabel*>(ids::kInstructions)->text().contains("\n0.0 % 0.0 byte"));
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.run_state().exit_after_erase.load());
      } else {
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), kJobTimeoutMs);
        QCOMPARE(dialog.result(), MainDialog::kCancelResult);
        QVERIFY(!fs::exists(victim));
      }
    }
  }

  void AWorkerThatCannotStartIsReportedAndFreesTheButtons() {
    WindowFixture window;
    window.UseWorkerSlot(std::make_unique<FailingSlot>());
    MainDialog& dialog = window.Open();
    dialog.RunCommand(ids::kDelete);
    QCOMPARE(window.Messages()->RowIcon(0), MessageIcon::kError);
    QVERIFY(window.TopMessage().startsWith("Error"));
    QVERIFY(AllActionsEnabled(window));
  }

  void ImportScansOnAWorkerWithItsSettings() {
    WindowFixture window;
    WriteFile(window.Path("import/one.txt"), 1);
    WriteFile(window.Path("import/sub/two.txt"), 2);
    MainDialog& dialog = window.Open();
    window.runner().folder = QString::fromStdString(window.Path("import"));
    window.runner().pick = PickData(1);  // "Import"
    dialog.RunCommand(ids::kImport);
    const auto& menu = window.runner().menus[0];
    QCOMPARE(menu.size(), 8);
    QCOMPARE(menu[0].text, QString("Import"));
    QVERIFY(menu[0].enabled);
    QCOMPARE(menu[1].text, QString("Erase the trash"));
    QVERIFY(menu[2].separator);
    QCOMPARE(menu[3].text, QString("Includ Subfolder"));
    QVERIFY(menu[3].checked && menu[4].checked && menu[5].checked && menu[7].checked);
    QTRY_COMPARE_WITH_TIMEOUT(ItemModel(dialog)->rowCount(), 3, kJobTimeoutMs);  // not the folder
    QTRY_VERIFY(AllActionsEnabled(window));

    window.runner().pick = PickText("Add Files");
    dialog.RunCommand(ids::kImport);
    QCOMPARE(window.Get("import_files"), 0);
    window.runner().pick = PickText("Add Folders");
    dialog.RunCommand(ids::kImport);
    QCOMPARE(window.Get("import_folders"), 0);
    window.runner().pick = [](const auto&) { return -1; };
    dialog.RunCommand(ids::kImport);
    const auto& last = window.runner().menus.back();
    QVERIFY(!last[0].enabled);  // nothing would be added
    QVERIFY(!last[4].checked && !last[5].checked && last[3].checked);
  }

  // Escape after the countdown asks; on Yes the file being erased finishes
  // (every pass, renamed and deleted) and the files not reached stay as they
  // are and listed. Closing the window meanwhile still ends the run cleanly.
  void StoppingAnEraseEndsAtAFileBoundary() {
    WindowFixture window;
    for (const char* name : {"a.txt", "b.txt", "c.bin"}) WriteFile(window.Path(name), 64 * 1024);
    window.Set("del_delay", 0);
    window.Set("re_write", 2);
    std::atomic<bool> release{false};
    std::atomic<int> writes{0};
    window.env().fail_write = [&](const std::string&, uint64_t, size_t,
                                  bool) -> std::optional<platform::Result<size_t>> {
      ++writes;
      while (!release.load()) QThread::msleep(1);
      return std::nullopt;
    };
    MainDialog& dialog =
        window.Open({window.Path("a.txt"), window.Path("b.txt"), window.Path("c.bin")});
    dialog.show();
    dialog.RunCommand(ids::kDelete);
    QTRY_VERIFY_WITH_TIMEOUT(writes.load() > 0, kJobTimeoutMs);
    QCOMPARE(window.TopMessage(), QString("Total 384.0 KB"));
    QCOMPARE(window.Messages()->RowText(1),
             QString("Erasing. [ESC] now stops after the current file."));
    window.runner().answer = QMessageBox::Yes;
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(window.runner().boxes.size(), 1);
    QVERIFY(dialog.isVisible());
    release = true;
    QTRY_VERIFY_WITH_TIMEOUT(AllActionsEnabled(window), kJobTimeoutMs);
    QCOMPARE(window.TopMessage(),
             QString("Stopped: 1 items erased, 2 not erased (still in the list)"));
    QCOMPARE(window.Messages()->RowIcon(0), MessageIcon::kWarning);
    QVERIFY(!fs::exists(window.Path("c.bin")));
    QCOMPARE(ItemModel(dialog)->rowCount(), 2);
    for (const char* name : {"a.txt", "b.txt"}) {
      QFile file(QString::fromStdString(window.Path(name)));
      QVERIFY(file.open(QIODevice::ReadOnly));
      QCOMPARE(file.readAll(), QByteArray(64 * 1024, 'M'));
    }
    QCOMPARE(window.Status(), QString("33.3 % // Error: 0 "));
    QVERIFY(!dialog.run_state().erasing.load());

    // A window closed meanwhile ends the run at the next file boundary too.
    release = false;
    writes = 0;
    dialog.RunCommand(ids::kDelete);
    QTRY_VERIFY_WITH_TIMEOUT(writes.load() > 0, kJobTimeoutMs);
    dialog.done(MainDialog::kCancelResult);
    release = true;
    QVERIFY(dialog.EndRun(kJobTimeoutMs));
    QVERIFY(!fs::exists(window.Path("b.txt")));
    QVERIFY(fs::exists(window.Path("a.txt")));
  }

  // A fill that filled its volume ends at 100 %, one that failed or was
  // stopped below it; each says so in a last row, and a stop keeps the
  // window open and deletes the temporary files.
  void FillEndStatesAndStopping() {
    enum class End { kFull, kError, kStopped };
    for (End end : {End::kFull, End::kError, End::kStopped}) {
      WindowFixture window;
      const std::string chosen = window.Path("fill/chosen");
      fs::create_directories(chosen);
      const fs::path fill_folder = fs::path(chosen).parent_path();
      // The "volume" is full (or fails) after 4 MB, so no real disk fills.
      std::atomic<uint64_t> written{0};
      window.env().fail_write = [&written, end](const std::string&, uint64_t, size_t length,
                                                bool) -> std::optional<platform::Result<size_t>> {
        if (end == End::kStopped) QThread::msleep(5);
        if (written.fetch_add(length) > 4u * 1024 * 1024 && end != End::kStopped) {
          return platform::Result<size_t>(
              platform::Status::Error(end == End::kFull ? ENOSPC : EIO, "write: no space"));
        }
        return std::nullopt;
      };
      MainDialog& dialog = window.Open();
      dialog.show();
      window.runner().folder = QString::fromStdString(chosen);
      window.runner().pick = PickData(tarnwell::ui::kFillRun);
      dialog.RunCommand(ids::kFill);
      if (end == End::kStopped) {
        QTRY_VERIFY_WITH_TIMEOUT(window.TopMessage().startsWith("File:"), kJobTimeoutMs);
        window.runner().answer = QMessageBox::Yes;
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
      }
      QTRY_VERIFY_WITH_TIMEOUT(AllActionsEnabled(window), kJobTimeoutMs);
      const QString top = window.TopMessage();
      switch (end) {
        case End::kFull:
          QCOMPARE(top, QString("Fill finished, temporary files deleted. Errors: 0"));
          QVERIFY2(window.Status().startsWith("100.0 % "), qPrintable(window.Status()));
          break;
        case End::kError:
          QCOMPARE(top, QString("Fill finished, temporary files deleted. Errors: 1"));
          QCOMPARE(window.Messages()->RowIcon(0), MessageIcon::kWarning);
          QVERIFY2(!window.Status().startsWith("100.0 % "), qPrintable(window.Status()));
          break;
        case End::kStopped:
          QCOMPARE(top, QString("Fill stopped, temporary files deleted. Errors: 0"));
          QVERIFY2(!window.Status().startsWith("100.0 % "), qPrintable(window.Status()));
          break;
      }
      for (const auto& entry : fs::directory_iterator(fill_folder)) {
        QVERIFY2(entry.path().filename().string().rfind("tmp_ttt_", 0) != 0, entry.path().c_str());
      }
    }
  }
};

QTEST_MAIN(WindowJobsTest)
#include "window_jobs_test.moc"
