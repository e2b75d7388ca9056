// The main window's actions, menus, tool bar and status bar.
#include "viewer/ui/stremax1.h"

#include "analysis/PixelColour.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/ui/stremax2.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QDesktopServices>
#include <QMenuBar>
#include <QPushButton>
#include <QUrl>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

void TForm1::BuildActions()
{
    openAction_ = new QAction(style()->standardIcon(QStyle::SP_DialogOpenButton),
                              QStringLiteral("Open image sequence"), this);
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    openAction_->setToolTip(QStringLiteral("Open image sequence"));
    connect(openAction_, &QAction::triggered, this, [this] { errors_.Guarded([this] { ExecuteOpenDialog(); }); });

    playAction_ = new QAction(style()->standardIcon(QStyle::SP_MediaPlay), QStringLiteral("Play"), this);
    playAction_->setCheckable(true);
    playAction_->setShortcut(QKeySequence(Qt::Key_F8));
    playAction_->setToolTip(QStringLiteral("Play image sequence"));
    playAction_->setStatusTip(QStringLiteral("Play image sequence"));
    connect(playAction_, &QAction::toggled, this, [this](bool down) { SetPlayButton(down); });

    colorizeAction_ = new QAction(style()->standardIcon(QStyle::SP_DesktopIcon),
                                  QStringLiteral("Spectral colorizing"), this);
    colorizeAction_->setCheckable(true);
    colorizeAction_->setToolTip(QStringLiteral("Spectral colorizing"));
    // Only a user's click runs the action; the code draws the button up without running it.
    connect(colorizeAction_, &QAction::triggered, this,
            [this](bool down) { errors_.Guarded([this, down] { Colorize(down); }); });

    propertiesAction_ = new QAction(QStringLiteral("Properties..."), this);
    propertiesAction_->setEnabled(false);
    connect(propertiesAction_, &QAction::triggered, this, [this] { errors_.Guarded([this] { ShowProperties(); }); });
}

void TForm1::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_ = file;
    file->addAction(openAction_);
    connect(file->addAction(QStringLiteral("Save SMP...")), &QAction::triggered, this,
            [this] { errors_.Guarded([this] { SaveSmp(); }); });
    file->addAction(QStringLiteral("Save several images..."))->setEnabled(false);
    file->addAction(propertiesAction_);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    BuildLinkMenu(view);
    BuildSoundMenu(file, view);
    BuildPraatMenu(view);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    const std::pair<const char*, QKeySequence> copies[] = {
        {"Copy image", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"Copy kymogram", QKeySequence(Qt::CTRL | Qt::Key_K)},
        {"Copy point spectrum", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"Copy Image sequence", QKeySequence(Qt::CTRL | Qt::Key_I)},
        {"Copy explanatory image sequence", QKeySequence()},
        {"Copy color legend", QKeySequence()},
        {"Copy spectrum", QKeySequence()},
        {"Copy grayscale", QKeySequence()},
    };
    for (const auto& [caption, shortcut] : copies) {
        QAction* action = edit->addAction(QString::fromUtf8(caption));
        action->setShortcut(shortcut);
        action->setEnabled(false);  // enabled by the code that provides it
    }
    QAction* colourLegend = Action(QStringLiteral("Copy color legend"));
    colourLegend->setEnabled(true);
    connect(colourLegend, &QAction::triggered, this, [this] {
        errors_.Guarded([this] { CopyToClipboard(ColourLegend(View().LoSat, View().HiSat, View().ShowPhase)); });
    });
    QAction* grayscale = Action(QStringLiteral("Copy grayscale"));
    grayscale->setEnabled(true);
    connect(grayscale, &QAction::triggered, this, [this] {
        errors_.Guarded([this] { CopyToClipboard(GrayscaleLegend(View().SpectrumBlack, View().SpectrumWhite)); });
    });
    QAction* image = Action(QStringLiteral("Copy image"));
    image->setEnabled(true);
    connect(image, &QAction::triggered, this, [this] { CopyToClipboard(frameBitmap_); });
    BuildExportActions();

    QMenu* settings = menuBar()->addMenu(QStringLiteral("&Settings"));
    QAction* options = settings->addAction(QStringLiteral("Options..."));
    options->setShortcut(QKeySequence(Qt::Key_F6));
    options->setToolTip(QStringLiteral("Options"));
    connect(options, &QAction::triggered, this, [this] { errors_.Guarded([this] { ShowOptions(); }); });
    connect(settings->addAction(QStringLiteral("Save &now!")), &QAction::triggered, this,
            [this] { errors_.Guarded([this] { SaveLayoutNow(); }); });
    alwaysSaveAction_ = settings->addAction(QStringLiteral("&Always save on exit"));
    alwaysSaveAction_->setCheckable(true);
    connect(alwaysSaveAction_, &QAction::triggered, this,
            [this](bool on) { errors_.Guarded([this, on] { SetAlwaysSaveOnExit(on); }); });

    windowMenu_ = menuBar()->addMenu(QStringLiteral("&Window"));
    connect(windowMenu_->addAction(QStringLiteral("Controls")), &QAction::triggered, this,
            [this] { ShowToolWindow(controls_); });
    connect(windowMenu_->addAction(QStringLiteral("Kymogram")), &QAction::triggered, this, [this] {
        ShowToolWindow(tools_.kymogram);
        session_.SetKymogramShown(true);
    });
    connect(windowMenu_->addAction(QStringLiteral("Row spectrum")), &QAction::triggered, this,
            [this] { ShowToolWindow(tools_.rowSpectrum); });
    connect(windowMenu_->addAction(QStringLiteral("Point spectrum")), &QAction::triggered, this,
            [this] { ShowToolWindow(tools_.pointSpectrum); });
    connect(windowMenu_->addAction(QStringLiteral("Waveform")), &QAction::triggered, this,
            [this] { ShowToolWindow(tools_.waveform); });
    connect(windowMenu_->addAction(QStringLiteral("Speckle")), &QAction::triggered, this,
            [this] { ShowToolWindow(tools_.speckle); });
    connect(windowMenu_->addAction(QStringLiteral("Glottis")), &QAction::triggered, this,
            [this] { ShowToolWindow(tools_.glottis); });

    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(helpMenu_->addAction(QStringLiteral("A&bout...")), &QAction::triggered, this,
            [this] { errors_.Guarded([this] { ShowAbout(); }); });
}

void TForm1::BuildToolBar()
{
    QToolBar* tools = addToolBar(QStringLiteral("Tools"));
    tools->setMovable(false);
    tools->setMinimumHeight(33);  // the designed height; a larger font needs more
    tools->addAction(openAction_);
    tools->addAction(playAction_);
    tools->addAction(colorizeAction_);
    tools->addSeparator();
    phaseReferenceBox_ = new QCheckBox(QStringLiteral("Set phase reference point"), tools);
    tools->addWidget(phaseReferenceBox_);
}

void TForm1::BuildStatusBar()
{
    // The specified widths, wider where the font needs it for the longest text a panel shows.
    const QFontMetrics metrics = statusBar()->fontMetrics();
    const int widths[3] = {std::max(80, metrics.horizontalAdvance(QStringLiteral("Frame #:9999999")) + 8),
                           std::max(80, metrics.horizontalAdvance(QStringLiteral("f=99999.9")) + 8),
                           std::max(50, metrics.horizontalAdvance(QStringLiteral("i1=999")) + 8)};
    // The frame number always shows: a large font widens the least window to hold it.
    setMinimumWidth(std::max(minimumWidth(), widths[0] + 24));
    for (size_t i = 0; i <= size_t(TStatusPanel::notice); ++i) {
        statusPanels_[i] = new QLabel(statusBar());
        if (i < 3)
            statusPanels_[i]->setFixedWidth(widths[i]);
        statusBar()->addWidget(statusPanels_[i], i < 3 ? 0 : 1);
    }
    openFolderButton_ = new QPushButton(QStringLiteral("Open folder"), statusBar());
    openFolderButton_->setObjectName(QStringLiteral("openfolderbutton"));
    openFolderButton_->setFlat(true);
    openFolderButton_->hide();
    statusBar()->addWidget(openFolderButton_);
    connect(openFolderButton_, &QPushButton::clicked, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(openFolderButton_->property("folder").toString()));
    });
}

void TForm1::FollowSequenceOpen()
{
    // The start-up frames are made up, not the user's: nothing plays, copies or exports them.
    static const char* const kNeedSequence[] = {
        "Play", "Spectral colorizing", "Save SMP...", "Save several images...", "Export data...",
        "Copy image", "Copy kymogram", "Copy point spectrum", "Copy Image sequence",
        "Copy explanatory image sequence", "Copy spectrum",
    };
    const auto follow = [this] {
        const bool open = !session_.Sequence().Header().FileName.isEmpty();
        for (const char* caption : kNeedSequence)
            if (QAction* action = Action(QString::fromUtf8(caption)))
                action->setEnabled(open);
        openFolderButton_->hide();  // the images saved were the last file's
        imageBox_->SetInvitation(open ? QString()
                                      : QStringLiteral("No sequence is open.\n\nOpen one with File \u2192 Open image "
                                                       "sequence (Ctrl+O), drop a recording on this window, or "
                                                       "pick a recent file from the File menu."));
    };
    connect(&session_.Sequence(), &TSequence::fileNameChanged, this, follow);
    follow();
}

QAction* TForm1::Action(const QString& caption) const
{
    for (QAction* action : findChildren<QAction*>())
        if (action->text() == caption)
            return action;
    return nullptr;
}
