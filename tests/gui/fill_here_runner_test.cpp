// The runner behind `tarnwell --fill DIR`: DIR only after a yes, and only for
// the first folder choice.
#include "app/fill_here_runner.h"

#include <QMenu>
#include <QtTest>

#include "scripted_runner.h"
#include "text/catalog.h"
#include "ui/option_menus.h"

namespace tarnwell {
namespace {

class FillHereRunnerTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QVERIFY(text::BuildTextCatalog()); }

  void FolderAfterYesThenTheChooser() {
    testing::ScriptedRunner inner;
    inner.answer = QMessageBox::Yes;
    inner.folder = QStringLiteral("/chosen");
    app::FillHereRunner runner(inner, QStringLiteral("/srv/data"));
    QCOMPARE(runner.ChooseFolder(nullptr, QString()), QStringLiteral("/srv/data"));
    QCOMPARE(inner.boxes.size(), 1);
    QVERIFY(inner.boxes[0].text.contains(QStringLiteral("/srv/data")));
    QCOMPARE(runner.ChooseFolder(nullptr, QString()), QStringLiteral("/chosen"));
    QCOMPARE(inner.boxes.size(), 1);
  }

  void TheFillMenuIsAnsweredOnlyWhileDirIsPending() {
    testing::ScriptedRunner inner;
    inner.answer = QMessageBox::Yes;
    app::FillHereRunner runner(inner, QStringLiteral("/srv/data"));
    QMenu menu;
    QAction* fill = menu.addAction(QStringLiteral("Fill"));
    fill->setData(ui::kFillRun);
    menu.addSeparator();
    QAction* records = menu.addAction(QStringLiteral("Records"));
    records->setData(ui::kFillRecords);
    records->setCheckable(true);
    QCOMPARE(runner.RunMenu(menu, QPoint()), fill);
    QCOMPARE(inner.menus.size(), 0);
    QCOMPARE(runner.ChooseFolder(nullptr, QString()), QStringLiteral("/srv/data"));
    QCOMPARE(runner.RunMenu(menu, QPoint()), nullptr);
    QCOMPARE(inner.menus.size(), 1);
  }

  void NoMeansNoFillAndNoSecondQuestion() {
    testing::ScriptedRunner inner;
    inner.answer = QMessageBox::No;
    inner.folder = QStringLiteral("/chosen");
    app::FillHereRunner runner(inner, QStringLiteral("/srv/data"));
    QVERIFY(runner.ChooseFolder(nullptr, QString()).isEmpty());
    QCOMPARE(runner.ChooseFolder(nullptr, QString()), QStringLiteral("/chosen"));
  }
};

}  // namespace
}  // namespace tarnwell

QTEST_MAIN(tarnwell::FillHereRunnerTest)
#include "fill_here_runner_test.moc"
