// Buttons are placed by hand rather than by a layout so that their geometry
// is known right after a text change, before the strip is ever shown.
#include "app/tool_strip.h"

#include <QFrame>
#include <QToolButton>
#include <algorithm>

#include "app/control_text.h"

namespace tarnwell::app {
namespace {
constexpr int kMinButtonWidth = 24;
constexpr int kSeparatorWidth = 6;
// Room on either side of a button's text, as a flat toolbar button has.
constexpr int kTextPadding = 5;
}  // namespace

ToolStrip::ToolStrip(QWidget* parent) : QWidget(parent) { resize(180, 20); }

QToolButton* ToolStrip::AddButton(const QString& text, const QString& id) {
  auto* button = new QToolButton(this);
  button->setObjectName(id);
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setFocusPolicy(Qt::NoFocus);
  button->setText(LiteralButtonText(text));
  connect(button, &QToolButton::clicked, this, [this, id] { emit triggered(id); });
  pieces_.push_back(button);
  Arrange();
  return button;
}

void ToolStrip::AddSeparator() {
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  pieces_.push_back(line);
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
