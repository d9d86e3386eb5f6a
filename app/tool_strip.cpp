// Buttons are placed by hand rather than by a layout so that their geometry
// is known right after a text change, before the strip is ever shown.
#include "app/tool_strip.h"

#include <QKeyEvent>
#include <QPainter>
#include <QToolButton>
#include <algorithm>

#include "app/control_text.h"

namespace tarnwell::app {
namespace {
constexpr int kMinButtonWidth = 24;
constexpr int kSeparatorWidth = 6;
// Room on either side of a button's text, as a flat toolbar button has.
constexpr int kTextPadding = 5;
// Room above and below a separator's line.
constexpr int kSeparatorInset = 4;

// One straight line in the palette's mid colour; a frame's sunken line is
// drawn as hooks at fractional scale factors.
class SeparatorLine final : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const int x = width() / 2;
    painter.fillRect(QRect(x, kSeparatorInset, 1, height() - 2 * kSeparatorInset),
                     palette().color(QPalette::Mid));
  }
};
}  // namespace

ToolStrip::ToolStrip(QWidget* parent) : QWidget(parent) { resize(180, 20); }

QToolButton* ToolStrip::AddButton(const QString& text, const QString& id) {
  auto* button = new QToolButton(this);
  button->setObjectName(id);
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setFocusPolicy(Qt::StrongFocus);
  button->installEventFilter(this);
  button->setText(LiteralButtonText(text));
  connect(button, &QToolButton::clicked, this, [this, id] { emit triggered(id); });
  pieces_.push_back(button);
  Arrange();
  return button;
}

void ToolStrip::AddSeparator() {
  pieces_.push_back(new SeparatorLine(this));
  Arrange();
}

void ToolStrip::SetButtonText(const QString& id, const QString& text) {
  if (QToolButton* button = Button(id)) {
    button->setText(LiteralButtonText(text));
    Arrange();
  }
}

QToolButton* ToolStrip::Button(const QString& id) const {
  for (QWidget* piece : pieces_) {
    if (piece->objectName() == id) return qobject_cast<QToolButton*>(piece);
  }
  return nullptr;
}

std::vector<QToolButton*> ToolStrip::Buttons() const {
  std::vector<QToolButton*> buttons;
  for (QWidget* piece : pieces_) {
    if (auto* button = qobject_cast<QToolButton*>(piece)) buttons.push_back(button);
  }
  return buttons;
}

bool ToolStrip::eventFilter(QObject* watched, QEvent* event) {
  // A tool button answers Space only; Enter presses the focused one as well.
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    auto* button = qobject_cast<QToolButton*>(watched);
    if (button != nullptr && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      if (button->isEnabled()) button->click();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

int ToolStrip::ButtonSpan() const {
  if (pieces_.empty()) return 0;
  return pieces_.back()->geometry().right() + 1 - pieces_.front()->geometry().left();
}

void ToolStrip::Arrange() {
  int x = 0;
  for (QWidget* piece : pieces_) {
    int width = kSeparatorWidth;
    if (auto* button = qobject_cast<QToolButton*>(piece)) {
      // Sized to the text like a toolbar button, not with a push button's margins.
      const QString shown =
          QString(button->text()).replace(QLatin1String("&&"), QLatin1String("&"));
      width = std::max(kMinButtonWidth,
                       button->fontMetrics().horizontalAdvance(shown) + 2 * kTextPadding);
    }
    piece->setGeometry(x, 0, width, kHeight);
    x += width;
  }
}

}  // namespace tarnwell::app
