// A flat, text-only button bar with a fixed height of 24 pixels. Buttons sit
// side by side from the left edge, each as wide as its text; the strip does
// not resize itself, its owner places it.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

class QToolButton;

namespace tarnwell::app {

class ToolStrip final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHeight = 24;

  explicit ToolStrip(QWidget* parent);

  // Appends an enabled button whose object name is id and whose text is shown
  // as it is ("&" included); pressing it (mouse, or Space or Enter while it
  // has the focus) emits triggered(id). Buttons take the focus by Tab.
  QToolButton* AddButton(const QString& text, const QString& id);
  // Appends a thin separator.
  void AddSeparator();
  // Relabels the button with object name id and moves the buttons after it.
  void SetButtonText(const QString& id, const QString& text);
  // The button with object name id, or nullptr.
  QToolButton* Button(const QString& id) const;
  // The buttons, left to right.
  std::vector<QToolButton*> Buttons() const;
  // Right edge of the last button minus left edge of the first, in pixels.
  int ButtonSpan() const;

 signals:
  void triggered(const QString& id);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Arrange();

  std::vector<QWidget*> pieces_;  // buttons and separators, left to right
};

}  // namespace tarnwell::app
