#pragma once
// Numbers as the axis writes them: tick labels, limits in the dialog and in error messages.

#include <QChar>
#include <QString>

// General form: up to 15 significant digits, no trailing zeros, fixed notation for
// 1E-4 <= |v| < 1E15 and otherwise "1.5E-7" / "1E20" (exponent sign only when negative).
QString GeneralFloatText(double value, QChar decimalSeparator);

// Tick label with n significant digits: the scientific form "d.dddddddE-x" unless the general
// form of the same rounded number is at least as short. 50 gives "50", 1e-7 gives "1E-7".
QString FormatSignificant(double value, int digits, QChar decimalSeparator);
