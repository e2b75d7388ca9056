#pragma once
// What assistive technology (a screen reader, the desktop's accessibility bus) reads of the
// custom-painted widgets: an axis says its range and marker, a plot or an image what it shows.
// Their texts are asked for when read, so they are never stale; an axis also announces each
// change of its range or marker. Standard widgets need none of this.

#include <QAccessible>
#include <QString>
#include <functional>

class QWidget;

// Installs the accessibility of the painted widgets (the axes describe themselves); the first
// axis made does it, and so does SetAccessibleTexts.
void InstallPaintedAccessibility();

// Gives a painted widget a role, a name and a description that is computed when it is read.
// Call before the widget is first read (in its window's constructor).
void SetAccessibleTexts(QWidget& widget, QAccessible::Role role, const QString& name,
                        std::function<QString()> description);

// Tells the accessibility bus that what `widget` describes has changed (no-op when inactive).
void AccessibleDescriptionChanged(QWidget& widget);

// A number as it is read out: whole numbers without a decimal point, others to 4 places.
QString AccessibleNumber(double value);
