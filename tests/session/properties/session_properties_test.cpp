// The viewer session under random sequences of user actions: after every action the view state
// must hold together (frame, span, block, spectra, analysis sizes), and replaying the same
// actions from scratch must end in the same state.
#include "analysis/SpectrumStore.h"
#include "platform/Errors.h"
#include "support/TestDoubles.h"
#include "viewer/io/AnalysisSizes.h"
#include "viewer/session/FrameNavigation.h"
#include "viewer/session/ViewerSession.h"

#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>

#include <QString>
#include <cmath>
#include <optional>
#include <sstream>
#include <variant>
#include <vector>

namespace {

// The recordings a user may open: long, shorter than the span (60 frames), shorter than the
// analysis length (200 frames), and of other frame sizes.
struct TRecording {
    const char* name;
    int32_t width, height, frames;
    double rate;
};
constexpr TRecording kRecordings[] = {{"long.mem", 16, 8, 2048, 4000},
                                      {"short.mem", 8, 4, 60, 1000},
                                      {"mid.mem", 12, 6, 200, 1904},
                                      {"wide.mem", 24, 3, 700, 500}};

uint8_t Moving(int32_t f, int32_t r, int32_t c) { return uint8_t((f * 5 + r * 3 + c * 7) & 0xFF); }

struct TOpen { int which; };
struct TSetFrame { double where; };  // a fraction of the file: the caller keeps frames inside
struct TStep { TFrameStep step; };
struct TSpan { double lo, hi; };
struct TPick { double column, row; };
struct TOptions { int32_t length, cache; };
struct TPlay { bool on; };
struct TTicks { int count; int msEach; };
struct TRate { double framesPerSecond; };
struct TSpeckle { bool on; };
struct TLinkCursor { double where; };  // the companion moves the frame and stops playback
struct TPointSpectrum {};
using TAction = std::variant<TOpen, TSetFrame, TStep, TSpan, TPick, TOptions, TPlay, TTicks, TRate, TSpeckle,
                             TLinkCursor, TPointSpectrum>;

std::string Describe(const TAction& action)
{
    std::ostringstream out;
    std::visit(
        [&](const auto& a) {
            using T = std::decay_t<decltype(a)>;
            if constexpr (std::is_same_v<T, TOpen>) out << "open " << kRecordings[a.which].name;
            else if constexpr (std::is_same_v<T, TSetFrame>) out << "frame at " << a.where;
            else if constexpr (std::is_same_v<T, TStep>) out << "step " << int(a.step);
            else if constexpr (std::is_same_v<T, TSpan>) out << "span " << a.lo << " " << a.hi;
            else if constexpr (std::is_same_v<T, TPick>) out << "pick " << a.column << " " << a.row;
            else if constexpr (std::is_same_v<T, TOptions>) out << "options " << a.length << " " << a.cache;
            else if constexpr (std::is_same_v<T, TPlay>) out << "play " << a.on;
            else if constexpr (std::is_same_v<T, TTicks>) out << "ticks " << a.count << "x" << a.msEach;
            else if constexpr (std::is_same_v<T, TRate>) out << "rate " << a.framesPerSecond;
            else if constexpr (std::is_same_v<T, TSpeckle>) out << "speckle " << a.on;
            else if constexpr (std::is_same_v<T, TLinkCursor>) out << "link cursor " << a.where;
            else out << "point spectrum";
        },
        action);
    return out.str();
}

// A session on the in-memory recordings, driven as the windows drive it.
class TDriven {
public:
    TDriven()
    {
        for (const TRecording& r : kRecordings)
            formats.Register({QString::fromLatin1(r.name).section(QLatin1Char('.'), 1)}, QStringLiteral("In memory"),
                             [](const QString& path) {
                                 for (const TRecording& r : kRecordings)
                                     if (path == QLatin1String(r.name))
                                         return std::make_unique<TMemoryFrameSource>(path, r.width, r.height,
                                                                                      r.frames, r.rate, Moving);
                                 throw EInOutError(QStringLiteral("no such recording: ") + path);
                             });
        session.emplace(clock, &formats);
        session->SetStartSequence();
    }

    int32_t Frames() const { return session->Sequence().Header().FrameCount; }
    int32_t FrameAt(double where) const { return int32_t(std::floor(where * (Frames() - 1) + 0.5)); }
    bool Open() const { return !session->Sequence().Header().FileName.isEmpty(); }

    // Carries out one action; false when the session refused it (a message, nothing changed).
    bool Apply(const TAction& action)
    {
        try {
            std::visit([this](const auto& a) { Do(a); }, action);
            return true;
        } catch (const EError&) {
            return false;
        }
    }

    TFakeClock clock;
    TFrameSourceFactory formats;
    std::optional<TViewerSession> session;

private:
    void Do(const TOpen& a) { session->OpenSequence(QString::fromLatin1(kRecordings[a.which].name)); }
    void Do(const TSetFrame& a) { session->SetCurrentFrame(FrameAt(a.where)); }
    void Do(const TStep& a) { StepFrame(*session, a.step); }
    void Do(const TSpan& a) { session->SetKymogramSpan(a.lo * Frames(), a.hi * Frames()); }
    void Do(const TPick& a)
    {
        const int32_t column = int32_t(a.column * (session->Sequence().Width() - 1));
        const int32_t row = int32_t(a.row * (session->Sequence().Height() - 1));
        // As a left click on the image: the point, a trace when speckle is on, the row.
        session->SetSelectedPoint(column, row);
        session->TrackSpeckle(QPoint(column, row));
        session->SetSelectedRow(row);
    }
    void Do(const TOptions& a)
    {
        ApplyAnalysisSizes(*session, QString::number(a.length), QString::number(a.cache));
    }
    void Do(const TPlay& a) { session->SetPlaying(a.on); }
    void Do(const TTicks& a)
    {
        for (int i = 0; i < a.count; ++i) {
            clock.now += a.msEach / 86400e3;
            session->PlaybackTick();
        }
    }
    void Do(const TRate& a) { session->SetPlaybackRate(a.framesPerSecond); }
    void Do(const TSpeckle& a) { session->SetSpeckleOn(a.on); }
    void Do(const TLinkCursor& a)
    {
        session->SetPlaying(false);
        session->SetCurrentFrame(FrameAt(a.where));
    }
    void Do(const TPointSpectrum&)
    {
        const QPoint p = session->View().SelectedPoint;
        session->ComputePointSpectrum(p.x(), p.y());
    }
};

// What the user sees of the session, for comparing two runs.
struct TObserved {
    QString file;
    int32_t frame, row, blockFirst, cache, length, bin;
    QPoint point;
    double lo, hi, frequency, rate;
    bool playing, speckle;
    bool operator==(const TObserved&) const = default;
};

TObserved Observe(const TViewerSession& s)
{
    return {s.Sequence().Header().FileName, s.View().CurrentFrame, s.View().SelectedRow,
            s.Sequence().FirstCachedFrame(), s.CacheSize(), s.SpectrumLength(), s.Spectra().SelectedBin(),
            s.View().SelectedPoint, s.KymogramSpan().LoValue(), s.KymogramSpan().HiValue(),
            s.Spectra().SelectedFrequency(), s.View().PlaybackRate, s.Playing(), s.View().SpeckleOn};
}

rc::Gen<TAction> AnAction()
{
    using namespace rc;
    const auto fraction = gen::map(gen::inRange(0, 1001), [](int k) { return k / 1000.0; });
    return gen::oneOf(
        gen::map(gen::inRange(0, int(std::size(kRecordings))), [](int k) { return TAction(TOpen{k}); }),
        gen::map(fraction, [](double f) { return TAction(TSetFrame{f}); }),
        gen::map(gen::inRange(0, 8), [](int k) { return TAction(TStep{TFrameStep(k)}); }),
        gen::map(gen::pair(gen::inRange(-100, 1101), gen::inRange(-100, 1101)),
                 [](std::pair<int, int> p) { return TAction(TSpan{p.first / 1000.0, p.second / 1000.0}); }),
        gen::map(gen::pair(fraction, fraction), [](std::pair<double, double> p) { return TAction(TPick{p.first, p.second}); }),
        // Any valid sizes: a length of 2 … 1024 and a cache at least that long.
        gen::map(gen::pair(gen::inRange(2, 1025), gen::inRange(0, 1025)),
                 [](std::pair<int, int> p) { return TAction(TOptions{p.first, p.first + p.second}); }),
        gen::map(gen::arbitrary<bool>(), [](bool on) { return TAction(TPlay{on}); }),
        gen::map(gen::pair(gen::inRange(1, 60), gen::inRange(1, 60)),
                 [](std::pair<int, int> p) { return TAction(TTicks{p.first, p.second}); }),
        gen::map(gen::inRange(-4000, 4001), [](int r) { return TAction(TRate{double(r)}); }),
        gen::map(gen::arbitrary<bool>(), [](bool on) { return TAction(TSpeckle{on}); }),
        gen::map(fraction, [](double f) { return TAction(TLinkCursor{f}); }),
        gen::just(TAction(TPointSpectrum{})));
}

// Checks what must hold after every action; `width` is the span's width the user last chose
// (0 … 100 after an open), `refused` whether the action was refused.
void CheckInvariants(const TDriven& d, const TAction& action, bool refused, const TObserved& before,
                     double& width, std::optional<int32_t>& spectraBlock)
{
    const TViewerSession& s = *d.session;
    const TObserved now = Observe(s);
    RC_ASSERT(s.SpectrumLength() <= s.CacheSize());
    // A new length: the selected frequency is a bin of that length.
    if (now.length != before.length || std::holds_alternative<TOptions>(action))
        RC_ASSERT(s.Spectra().SelectedFrequency() == s.Spectra().BinFrequency(s.Spectra().SelectedBin()));
    if (refused)
        RC_ASSERT(!std::holds_alternative<TOpen>(action));  // a valid file always opens
    if (!d.Open())
        return;
    const int32_t frames = d.Frames();
    const double lo = s.KymogramSpan().LoValue();
    const double hi = s.KymogramSpan().HiValue();
    RC_ASSERT(now.frame >= 0);
    RC_ASSERT(now.frame <= frames - 1);
    RC_ASSERT(lo >= 0);
    RC_ASSERT(hi <= frames - 1);
    RC_ASSERT(double(now.frame) >= lo);
    RC_ASSERT(double(now.frame) <= hi);

    // The span keeps its width unless the user asked for another, a file opened, the block
    // changed size or the file is shorter.
    const double limit = std::min<double>(frames - 1, s.CacheSize() - 1);
    const bool chosen = std::holds_alternative<TSpan>(action) || std::holds_alternative<TOpen>(action) ||
                        now.cache != before.cache;
    if (chosen)
        width = hi - lo;
    else
        RC_ASSERT(hi - lo == std::min(width, limit));

    // Spectra are only ever valid for the block they were computed from.
    if (std::holds_alternative<TPointSpectrum>(action))
        spectraBlock = now.blockFirst;
    bool anyValid = false;
    for (int32_t y = 0; y < s.Spectra().Height(); ++y)
        for (int32_t x = 0; x < s.Spectra().Width(); ++x)
            anyValid = anyValid || s.Spectra().SpectrumValid(y, x);
    if (anyValid) {
        RC_ASSERT(spectraBlock.has_value());
        RC_ASSERT(*spectraBlock == now.blockFirst);
    }
}

}  // namespace

RC_GTEST_PROP(SessionProperties, EveryActionSequenceKeepsTheViewStateTogether, ())
{
    const auto actions = *rc::gen::container<std::vector<TAction>>(AnAction());
    TDriven driven;
    double width = 100;
    std::optional<int32_t> spectraBlock;
    for (const TAction& action : actions) {
        RC_LOG() << Describe(action) << ": ";
        const TObserved before = Observe(*driven.session);
        const bool refused = !driven.Apply(action);
        RC_LOG() << "span " << driven.session->KymogramSpan().LoValue() << " … "
                 << driven.session->KymogramSpan().HiValue() << ", frame " << driven.session->View().CurrentFrame
                 << "\n";
        CheckInvariants(driven, action, refused, before, width, spectraBlock);
    }
    // The same actions from scratch end in the same state.
    TDriven again;
    for (const TAction& action : actions)
        again.Apply(action);
    RC_ASSERT(Observe(*again.session) == Observe(*driven.session));
}
