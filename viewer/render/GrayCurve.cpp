#include "viewer/render/GrayCurve.h"

#include <cmath>
#include <utility>

TGrayCurve FitGrayCurve(int32_t black, int32_t gray, int32_t white)
{
    // Rows: white, gray, black; columns: 1, level, level²; unknowns c0, c1, c2.
    const double levels[3] = {double(white), double(gray), double(black)};
    double a[3][3];
    double b[3] = {1.0, 0.5, 0.0};
    for (int i = 0; i < 3; ++i) {
        a[i][0] = 1.0;
        a[i][1] = levels[i];
        a[i][2] = levels[i] * levels[i];
    }
    for (int k = 0; k < 3; ++k) {
        int pivot = k;
        for (int i = k + 1; i < 3; ++i)
            if (a[i][k] > a[pivot][k])
                pivot = i;
        if (pivot != k) {
            std::swap(a[pivot], a[k]);
            std::swap(b[pivot], b[k]);
        }
        if (a[k][k] == 0)
            return {};  // the division would fault: the levels do not define a curve
        for (int i = k + 1; i < 3; ++i) {
            const double factor = a[i][k] / a[k][k];
            for (int j = k; j < 3; ++j)
                a[i][j] -= factor * a[k][j];
            b[i] -= factor * b[k];
        }
    }
    double x[3];
    for (int i = 2; i >= 0; --i) {
        double sum = b[i];
        for (int j = i + 1; j < 3; ++j)
            sum -= a[i][j] * x[j];
        x[i] = sum / a[i][i];
    }
    if (!std::isfinite(x[0]) || !std::isfinite(x[1]) || !std::isfinite(x[2]))
        return {};
    return {x[2], x[1], x[0]};
}
