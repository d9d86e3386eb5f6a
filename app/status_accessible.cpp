#include "app/status_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QVariant>
#include <algorithm>

namespace tarnwell::app {
namespace {

constexpr char kProgressProperty[] = "tarnwellProgress";
const char* accessible_name = nullptr;

class StatusAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit StatusAccessible(QWidget* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text type) const override {
    // The value as the eye sees it: the status text.
    if (type == QAccessible::Value) return static_cast<QStatusBar*>(widget())->currentMessage();
    return QAccessibleWidget::text(type);
  }
  QVariant currentValue() const override {
    return std::max(0.0, widget()->property(kProgressProperty).toDouble());
  }
  void setCurrentValue(const QVariant&) override {}  // shown, not set by the user
  QVariant maximumValue() const override { return 100.0; }
  QVariant minimumValue() const override { return 0.0; }
  QVariant minimumStepSize() const override { return 0.1; }
};

QAccessibleInterface* MakeStatusAccessible(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String("QStatusBar") || object == nullptr ||
      object->objectName() != QLatin1String(accessible_name)) {
    return nullptr;
  }
  return new StatusAccessible(static_cast<QWidget*>(object));
}

}  // namespace

void InstallStatusAccessible(const char* object_name) {
  if (accessible_name != nullptr) return;
  accessible_name = object_name;
  QAccessible::installFactory(&MakeStatusAccessible);
}

void SetStatusProgress(QStatusBar* bar, double percent) {
  bar->setProperty(kProgressProperty, percent);
  QAccessibleValueChangeEvent event(bar, std::max(0.0, percent));
  QAccessible::updateAccessibility(&event);
}

}  // namespace tarnwell::app
