// How fast the window's item table opens and scrolls with 100,000 items,
// against a reference run of the same table over a QStandardItemModel that
// holds every cell (what a non-virtual list would do). Prints figures and
// the ratios; nothing is enforced. Runs on the offscreen platform.
#include <QApplication>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/item_list_model.h"
#include "items/add_items.h"
#include "items/item_list.h"
#include "platform/env.h"

namespace {

using namespace tarnwell;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kFolders = 10;
constexpr int kFilesPerFolder = 9'999;  // with the folders and the root: 100,001 items
constexpr int kRounds = 3;

double Millis(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Shows view over model, paints it, scrolls to the last row and paints again.
double OpenAndScroll(QAbstractItemModel& model, const std::function<void()>& fill) {
  const Clock::time_point start = Clock::now();
  fill();
  QTableView view;
  view.verticalHeader()->hide();
  view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 4);
  view.setModel(&model);
  view.resize(586, 200);
  view.show();
  view.grab();
  view.scrollToBottom();
  view.grab();
  return Millis(start);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const fs::path root =
      fs::temp_directory_path() /
      ("tarnwell_window_bench_" + std::to_string(QCoreApplication::applicationPid()));
  for (int folder = 0; folder < kFolders; ++folder) {
    const fs::path dir = root / ("folder" + std::to_string(folder));
    fs::create_directories(dir);
    for (int file = 0; file < kFilesPerFolder; ++file) {
      std::ofstream(dir / ("file" + std::to_string(file) + ".txt")) << "x";
    }
  }

  platform::Env& env = platform::DefaultEnv();
  items::ItemList list(env);
  const Clock::time_point scan_start = Clock::now();
  items::ItemAdder(env, list, nullptr).AddPath(root.string());
  list.RefreshList(nullptr);
  const double scan_ms = Millis(scan_start);
  const int rows = list.RowCount();

  std::vector<double> virtual_ms, reference_ms;
  for (int round = 0; round < kRounds; ++round) {
    app::ItemListModel model(list);
    virtual_ms.push_back(OpenAndScroll(model, [&] { model.RowsChanged(); }));

    QStandardItemModel reference;
    reference_ms.push_back(OpenAndScroll(reference, [&] {
      reference.setRowCount(list.RowCount());
      reference.setColumnCount(2);
      for (int row = 0; row < list.RowCount(); ++row) {
        for (int column = 0; column < 2; ++column) {
          const std::string cell = list.GetCellText(row, column).value_or("");
          reference.setItem(row, column, new QStandardItem(QString::fromStdString(cell)));
        }
      }
    }));
  }
  fs::remove_all(root);

  const double virtual_median = Median(virtual_ms);
  const double reference_median = Median(reference_ms);
  std::printf("items listed:                         %d (scan and refresh %.0f ms)\n", rows,
              scan_ms);
  std::printf("open + paint + scroll, item model:    %8.1f ms (median of %d)\n", virtual_median,
              kRounds);
  std::printf("open + paint + scroll, every cell:    %8.1f ms (reference)\n", reference_median);
  std::printf("ratio item model / reference:         %8.3f\n", virtual_median / reference_median);
  return 0;
}
