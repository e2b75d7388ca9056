#pragma once
// "Sound": the sound recorded with the video, over the kymogram span's time. The waveform above,
// the spectrogram below with the F0 track (red) and, when given, a comparison frequency track
// (blue, e.g. the glottis' frequency); the current frame is a band one frame wide; a click moves
// the frame. "Play sound of the span" plays that part at its real speed, the frame following;
// Esc stops.
//
// Built on the viewer session: reads its sequence, span and frame, changes only the frame and
// playback through its commands. Interface thread only.

#include "sound/Pitch.h"
#include "sound/Sound.h"
#include "sound/SoundTime.h"
#include "sound/Spectrogram.h"

#include <QWidget>
#include <memory>
#include <utility>
#include <vector>

class QAudioSink;
class QBuffer;
class QDoubleSpinBox;
class QLabel;
class QTimer;
class TAxis;
class TErrorHandler;
class TViewerSession;

class TSoundWindow : public QWidget {
    Q_OBJECT
public:
    TSoundWindow(TViewerSession& session, TErrorHandler& errors, QWidget* parent = nullptr);
    ~TSoundWindow() override;

    // Reads the sound (throws ESoundError, nothing changed); h from its "hspsync" or 0.
    void OpenSound(const QString& path, int32_t channel = 0);
    const TSound& Sound() const { return sound_; }
    bool HasSound() const { return !sound_.IsEmpty(); }

    // h: the sound's time of the trigger frame.
    double SyncTime() const { return syncTime_; }
    void SetSyncTime(double h);
    // "Sound time here is ...": h such that the current frame lies at `seconds`.
    void SetSoundTimeHere(double seconds);
    TSoundTimebase Timebase() const;
    double FrameTime(int32_t frame) const { return FrameToSoundTime(Timebase(), syncTime_, frame); }
    // The time span shown: the start of the span's first frame to the end of its last.
    std::pair<double, double> ShownTimes() const;

    TSpectrogramSettings& SpectrogramSettings() { return spectrogram_; }
    void SetSpectrogramSettings(const TSpectrogramSettings& settings);
    const std::vector<TPitchPoint>& PitchTrackShown() const { return pitch_; }

    // The hook for another frequency beside the F0 track (time in seconds on the sound's axis,
    // frequency in Hz; an empty list removes it).
    void SetComparisonTrack(const std::vector<std::pair<double, double>>& track, const QString& label);

    // "Export data...": the shown samples and the frequency tracks as one CSV table
    // `kind,time_s,value` (kind "sample", "f0_hz", or "compare_hz").
    QByteArray DataTable() const;
    void ExportData();
    // The window's picture (the plot with its axes), for the clipboard.
    QImage Picture();
    void CopyPicture();

    // Playback of the span; the frame follows. False (with a reason in the status) when no
    // audio output could start: the frame then follows the clock alone.
    void PlaySpan();
    void StopSound();
    bool IsPlaying() const { return playing_; }
    // The sound time of a pixel column of the plot and back.
    double ColumnTime(int x) const;
    // What the plot shows: the picture as drawn (at `scale` device pixels a pixel on screen).
    QImage PlotImage(double scale = 1) const;
    // Where the spectrogram lies in the plot (the frequency axis beside it has its height).
    QRect SpectrogramRect() const;

Q_SIGNALS:
    // A sound was opened or its h changed: the sound times of frames moved.
    void soundChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    class TPlot;
    class TPlacer;
    TPlacer* placer_ = nullptr;  // a child, deleted first: its filter reads this window
    void PlacePlot();
    // The frequency axis reaches up to the sound's Nyquist frequency; the spectrogram follows it.
    void BoundFrequencyAxis();
    void Recompute();
    void FollowFrame();
    void PlaybackTick();

    TViewerSession& session_;
    TErrorHandler& errors_;
    TSound sound_;
    double syncTime_ = 0;
    TSpectrogramSettings spectrogram_;
    std::vector<TPitchPoint> pitch_;
    std::vector<std::pair<double, double>> comparison_;
    QString comparisonLabel_;
    QWidget* plotArea_;  // the plot with its axes: what "Copy picture" copies
    TPlot* plot_;
    TAxis* axis_;           // time (s), under the plot
    TAxis* frequencyAxis_;  // Hz, beside the spectrogram
    TAxis* amplitudeAxis_;  // beside the waveform
    QLabel* status_;
    QDoubleSpinBox* windowEdit_;
    QDoubleSpinBox* rangeEdit_;
    // Playback.
    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<QBuffer> buffer_;
    QByteArray pcm_;
    QTimer* playTimer_;
    bool playing_ = false;
    double playFrom_ = 0, playTo_ = 0;
    qint64 playStartMs_ = 0;
};
