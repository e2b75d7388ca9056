// The sound that belongs to a recording: a sound file beside the sequence with its base name is
// offered once per file, a sound file dropped on a window opens as the sound, and the glottis'
// frequency goes beside the sound's F0 track.
#include "viewer/ui/stremax1.h"

#include "glottis/ui/GlottisWindow.h"
#include "sound/SoundTime.h"
#include "sound/ui/SoundWindow.h"
#include "viewer/session/ErrorHandler.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace {

// In this order when several lie beside the recording.
const QStringList kBesideSuffixes{"wav", "flac", "aiff", "aif", "smp"};
// Sound-only files: a video container dropped is a recording to open, not its sound.
const QStringList kDroppedSoundSuffixes{"wav", "wave", "flac", "aif", "aiff", "aifc", "au", "snd",
                                        "ogg", "oga", "mka", "m4a", "mp3", "opus", "smp"};

QString SoundBeside(const QString& sequencePath)
{
    const QFileInfo sequence(sequencePath);
    const QDir folder = sequence.absoluteDir();
    const QString base = sequence.completeBaseName();
    for (const QString& suffix : kBesideSuffixes)
        for (const QString& spelt : {suffix, suffix.toUpper()}) {
            const QFileInfo sound(folder.filePath(base + QLatin1Char('.') + spelt));
            if (sound.isFile())
                return sound.absoluteFilePath();
        }
    return QString();
}

}  // namespace

bool TForm1::IsDroppedSound(const QString& path)
{
    return kDroppedSoundSuffixes.contains(QFileInfo(path).suffix().toLower());
}

void TForm1::OpenSoundFile(const QString& path)
{
    SoundWindow().OpenSound(path);
    SoundWindow().show();
    SoundWindow().raise();
}

void TForm1::OfferSoundBeside(const QString& sequencePath)
{
    const QString sound = SoundBeside(sequencePath);
    if (sound.isEmpty() || soundBesideNo_.contains(sound))
        return;
    if (soundWindow_ && soundWindow_->HasSound() &&
        QFileInfo(soundWindow_->Sound().Info.FileName).absoluteFilePath() == sound)
        return;
    const auto open = [this, sound, sequencePath] {
        // Only while its recording is the one shown.
        if (session_.Sequence().Header().FileName == sequencePath)
            errors_.Guarded([this, &sound] { OpenSoundFile(sound); });
    };
    if (soundBesideYes_.contains(sound)) {
        open();
        return;
    }
    // Asked without holding up the program (or a test) until the answer; counted as "No" until
    // then, so that another open of the sequence does not ask again.
    soundBesideNo_ << sound;
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Open sound"),
                                QStringLiteral("Open the sound \"%1\" beside this recording?")
                                    .arg(QDir::toNativeSeparators(sound)),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::Yes);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, sound, open](int answer) {
        if (answer != QMessageBox::Yes)
            return;
        soundBesideNo_.removeAll(sound);
        soundBesideYes_ << sound;
        open();
    });
    box->open();
}

void TForm1::FollowGlottisFrequency()
{
    if (auto* glottis = qobject_cast<TGlottisWindow*>(tools_.glottis))
        connect(glottis, &TGlottisWindow::analysed, this, &TForm1::UpdateGlottisComparison);
}

void TForm1::UpdateGlottisComparison()
{
    auto* glottis = qobject_cast<TGlottisWindow*>(tools_.glottis);
    if (!soundWindow_ || !glottis)
        return;
    std::vector<std::pair<double, double>> track;
    const TSequenceHeader& header = session_.Sequence().Header();
    if (glottis->HasResult() && header.FramesPerSecond > 0) {
        // A cycle's frequency at its middle; cycle bounds lie on frames or half-way between two.
        const double origin = soundWindow_->FrameTime(0);
        for (const TGlottalCycle& cycle : glottis->Parameters().cycles)
            if (cycle.f0 > 0)
                track.emplace_back(origin + (cycle.start + cycle.end) / 2 / header.FramesPerSecond, cycle.f0);
    }
    soundWindow_->SetComparisonTrack(track, track.empty() ? QString() : QStringLiteral("Glottis F0"));
}
