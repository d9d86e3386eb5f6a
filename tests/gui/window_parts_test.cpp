// The window's small pieces: the worker-to-UI hand-over of QtWindowPort, the
// worker slot, the tool strips' geometry and the message list's order.
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <atomic>
#include <mutex>
#include <thread>

#include "app/control_text.h"
#include "app/message_list.h"
#include "app/qt_window_port.h"
#include "app/tool_strip.h"
#include "app/worker_slot.h"

using tarnwell::app::MessageList;
using tarnwell::app::QtWindowPort;
using tarnwell::app::ToolStrip;
using tarnwell::app::WorkerSlot;
using tarnwell::core::MessageIcon;

namespace {

// Records each call with the thread it ran on. Used on the UI thread only,
// as QtWindowPort promises.
class ThreadNotingPort final : public tarnwell::core::WindowPort {
 public:
  void InsertMessage(std::string_view text, MessageIcon) override { Note("msg:", text); }
  void SetStatusText(std::string_view text) override { Note("status:", text); }
  void SetTitle(std::string_view text) override { Note("title:", text); }
  void SetInstructionText(std::string_view text) override { Note("instr:", text); }
  void SetBusy(bool busy) override { Note(busy ? "busy" : "idle"); }
  void ItemRowsChanged(int rows) override { Note("rows:" + std::to_string(rows)); }
  void SendCancel() override { Note("cancel"); }

  QStringList calls;
  bool all_on_ui_thread = true;

 private:
  void Note(const std::string& call, std::string_view argument = {}) {
    calls << QString::fromStdString(call + std::string(argument));
    if (QThread::currentThread() != qApp->thread()) all_on_ui_thread = false;
  }
};

// Runs the event loop until done is set or a few seconds have passed.
bool SpinUntil(const std::atomic<bool>& done) {
  return QTest::qWaitFor([&] { return done.load(); }, 5000);
}

}  // namespace

class WindowPartsTest : public QObject {
  Q_OBJECT

 private slots:
  void WorkerCallsRunOnTheUiThreadInOrder() {
    ThreadNotingPort ui;
    QtWindowPort port(ui);
    std::atomic<bool> done{false};
    std::thread worker([&] {
      port.InsertMessage("Start ...", MessageIcon::kInfo);
      port.SetBusy(true);
      port.ItemRowsChanged(3);
      port.SetStatusText("Ready");
      port.SetTitle("T");
      port.SetInstructionText("a\nb");
      port.SendCancel();
      done = true;
    });
    QVERIFY(SpinUntil(done));
    worker.join();
    QCOMPARE(ui.calls, QStringList({"msg:Start ...", "busy", "rows:3", "status:Ready", "title:T",
                                    "instr:a\nb", "cancel"}));
    QVERIFY(ui.all_on_ui_thread);
  }

  void UiThreadCallsRunDirectlyWithoutAnEventLoop() {
    ThreadNotingPort ui;
    QtWindowPort port(ui);
    port.SetStatusText("now");
    port.SetBusy(false);
    QCOMPARE(ui.calls, QStringList({"status:now", "idle"}));
  }

  void DetachedPortDropsWaitingAndLaterCalls() {
    ThreadNotingPort ui;
    QtWindowPort port(ui);
    std::atomic<bool> started{false};
    std::atomic<bool> done{false};
    std::thread worker([&] {
      started = true;
      port.InsertMessage("waits while the window closes", MessageIcon::kError);
      port.SetStatusText("dropped");
      done = true;
    });
    // The worker's first call is queued; detach before the UI thread runs it
    // (no events are processed until then).
    while (!started.load()) QThread::msleep(1);
    QThread::msleep(50);
    port.Detach();
    QVERIFY(SpinUntil(done));
    worker.join();
    QVERIFY(ui.calls.isEmpty());
    port.SetTitle("after");
    QVERIFY(ui.calls.isEmpty());
  }

  void WorkerSlotRunsOneWorkerAtATime() {
    WorkerSlot slot;
    std::atomic<bool> release{false};
    std::atomic<int> runs{0};
    QVERIFY(slot.Start([&] {
      ++runs;
      while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }));
    QVERIFY(slot.Running());
    QVERIFY(!slot.Start([&] { ++runs; }));
    int steps = 0;
    QVERIFY(!slot.WaitForEnd(30, [&] {
      ++steps;
      QThread::msleep(5);
    }));
    QVERIFY(steps > 0);
    release = true;
    QVERIFY(slot.WaitForEnd(5000, [] { QThread::msleep(1); }));
    QVERIFY(!slot.Running());
    QVERIFY(slot.Start([&] { ++runs; }));  // a finished worker frees the slot
    QVERIFY(slot.WaitForEnd(5000, [] { QThread::msleep(1); }));
    QCOMPARE(runs.load(), 2);
  }

  void ToolStripPlacesButtonsByTheirText() {
    QWidget parent;
    ToolStrip strip(&parent);
    QToolButton* first = strip.AddButton("LNG", "A");
    strip.AddSeparator();
    QToolButton* last = strip.AddButton("x", "B");
    QCOMPARE(first->objectName(), QString("A"));
    QCOMPARE(first->height(), ToolStrip::kHeight);
    QVERIFY(last->width() >= 24);
    QCOMPARE(strip.ButtonSpan(), last->geometry().right() + 1);
    const int before = last->x();
    strip.SetButtonText("A", "a much longer label than before");
    QVERIFY(last->x() > before);
    QCOMPARE(strip.ButtonSpan(), last->geometry().right() + 1);
    QCOMPARE(strip.Button("B"), last);
    QCOMPARE(strip.Button("missing"), nullptr);

    QSignalSpy spy(&strip, &ToolStrip::triggered);
    last->click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QString("B"));

    strip.SetButtonText("B", "Drag & Drop");
    QCOMPARE(last->text(), QString("Drag && Drop"));  // shown literally, no mnemonic
  }

  void StaticTextShowsDoubleAmpersandOnce() {
    using tarnwell::app::StaticControlText;
    QCOMPARE(StaticControlText("Drag && Drop"), QString("Drag & Drop"));
    QCOMPARE(StaticControlText("&Save && go &"), QString("Save & go "));
    QCOMPARE(StaticControlText("&&&&"), QString("&&"));
  }

  void MessageListPutsTheNewestRowOnTop() {
    MessageList list(nullptr);
    list.InsertMessage("first", MessageIcon::kInfo);
    list.InsertMessage("second", MessageIcon::kError);
    list.InsertMessage("third", MessageIcon::kWarning);
    QCOMPARE(list.topLevelItemCount(), 3);
    QCOMPARE(list.RowText(0), QString("third"));
    QCOMPARE(list.RowIcon(0), MessageIcon::kWarning);
    QCOMPARE(list.RowText(2), QString("first"));
    QCOMPARE(list.RowIcon(1), MessageIcon::kError);
    QVERIFY(!list.topLevelItem(0)->icon(0).isNull());
    // A long row is elided in the middle and shows whole as its tooltip.
    QCOMPARE(list.textElideMode(), Qt::ElideMiddle);
    QCOMPARE(list.topLevelItem(2)->toolTip(0), QString("first"));
    list.resize(300, 100);
    list.show();
    QCOMPARE(list.columnWidth(0), list.viewport()->width());
  }
};

QTEST_MAIN(WindowPartsTest)
#include "window_parts_test.moc"
