#include "glottis/GlottisOutline.h"

#include <algorithm>
#include <map>

namespace {

// Whether row `y` of the region covers column x (runs of a row sorted by column).
bool Covers(const std::map<int32_t, std::vector<TGlottisRun>>& rows, int32_t y, int32_t x)
{
    const auto it = rows.find(y);
    if (it == rows.end())
        return false;
    return std::any_of(it->second.begin(), it->second.end(), [x](const TGlottisRun& r) { return r.x0 <= x && x <= r.x1; });
}

}  // namespace

std::vector<QLineF> GlottisOutline(const std::vector<TGlottisRun>& runs)
{
    std::map<int32_t, std::vector<TGlottisRun>> rows;
    for (const TGlottisRun& r : runs)
        rows[r.y].push_back(r);
    std::vector<QLineF> lines;
    for (const TGlottisRun& r : runs) {
        const double top = r.y - 0.5, bottom = r.y + 0.5;
        // Runs of a row never touch (they would be one run), so both ends are border.
        lines.emplace_back(r.x0 - 0.5, top, r.x0 - 0.5, bottom);
        lines.emplace_back(r.x1 + 0.5, top, r.x1 + 0.5, bottom);
        for (int32_t x = r.x0; x <= r.x1; ++x) {
            if (!Covers(rows, r.y - 1, x))
                lines.emplace_back(x - 0.5, top, x + 0.5, top);
            if (!Covers(rows, r.y + 1, x))
                lines.emplace_back(x - 0.5, bottom, x + 0.5, bottom);
        }
    }
    return lines;
}
