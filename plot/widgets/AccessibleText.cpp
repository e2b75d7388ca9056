#include "plot/widgets/AccessibleText.h"

#include "plot/widgets/saxes.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>
#include <cmath>

namespace {

// Held by the described widget as a child, so that it lives and dies with it.
class TAccessibleTextSource : public QObject {
public:
    TAccessibleTextSource(QWidget& widget, QAccessible::Role role, std::function<QString()> description)
        : QObject(&widget), role_(role), description_(std::move(description))
    {
        setObjectName(QStringLiteral("accessibleTextSource"));
    }
    QAccessible::Role Role() const { return role_; }
    QString Description() const { return description_ ? description_() : QString(); }

private:
    QAccessible::Role role_;
    std::function<QString()> description_;
};

TAccessibleTextSource* SourceOf(QObject* object)
{
    return object ? object->findChild<TAccessibleTextSource*>(QStringLiteral("accessibleTextSource"),
                                                               Qt::FindDirectChildrenOnly)
                  : nullptr;
}

QString AxisRangeText(const TAxis& axis)
{
    QString text = QStringLiteral("%1 to %2").arg(AccessibleNumber(axis.LoValue()), AccessibleNumber(axis.HiValue()));
    if (axis.MarkerVisible())
        text += QStringLiteral(", marker at %1").arg(AccessibleNumber(axis.MarkerValue()));
    return text;
}

class TPaintedAccessible : public QAccessibleWidget {
public:
    TPaintedAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    QString text(QAccessible::Text t) const override
    {
        if (const auto* axis = qobject_cast<const TAxis*>(widget())) {
            if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
                return axis->AxisText().isEmpty() ? QStringLiteral("Axis") : QStringLiteral("Axis ") + axis->AxisText();
            if (t == QAccessible::Description || t == QAccessible::Value)
                return AxisRangeText(*axis);
        } else if (const TAccessibleTextSource* source = SourceOf(widget())) {
            if (t == QAccessible::Description || t == QAccessible::Value)
                return source->Description();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* PaintedWidgetFactory(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (qobject_cast<TAxis*>(object))
        return new TPaintedAccessible(widget, QAccessible::StaticText);
    if (const TAccessibleTextSource* source = SourceOf(object))
        return new TPaintedAccessible(widget, source->Role());
    // A tool window made of a plain widget reads as a window, not as an unnamed filler.
    const QMetaObject* kind = widget->metaObject();
    const bool plain = kind == &QWidget::staticMetaObject || kind->superClass() == &QWidget::staticMetaObject;
    if (plain && widget->isWindow() && widget->windowType() == Qt::Tool)
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

}  // namespace

void InstallPaintedAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(PaintedWidgetFactory);
        return true;
    }();
    (void)installed;
}

void SetAccessibleTexts(QWidget& widget, QAccessible::Role role, const QString& name,
                        std::function<QString()> description)
{
    InstallPaintedAccessibility();
    delete SourceOf(&widget);
    new TAccessibleTextSource(widget, role, std::move(description));
    widget.setAccessibleName(name);
}

void AccessibleDescriptionChanged(QWidget& widget)
{
    InstallPaintedAccessibility();
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(&widget, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

QString AccessibleNumber(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (value == std::round(value) && std::fabs(value) < 1e15)
        return QString::number(int64_t(value));
    QString text = QString::number(value, 'f', 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}
