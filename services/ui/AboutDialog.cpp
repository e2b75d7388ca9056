#include "services/ui/AboutDialog.h"

#include "platform/Conversions.h"
#include "platform/SystemMemory.h"
#include "services/sabout.h"

#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace {

constexpr int kClientWidth = 410;
constexpr int kColumnLeft = 172;
constexpr int kColumnWidth = 237;
constexpr int kLineGap = 2;
constexpr int kPanelWidth = 163;
constexpr int kPanelHeight = 234;

QLabel* Line(QWidget* parent, const char* role)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(role));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

}  // namespace

TAboutDialog::TAboutDialog(const TAbout& about, QWidget* parent) : QDialog(parent), about_(about)
{
    setWindowTitle(QStringLiteral("About"));
    setModal(true);

    titlelabel_ = Line(this, "titlelabel");
    QFont titleFont(QStringLiteral("Arial"), 16, QFont::Bold);
    titlelabel_->setFont(titleFont);
    versionlabel_ = Line(this, "versionlabel");
    corvellabel_ = Line(this, "corvellabel");
    copyrightlabel_ = Line(this, "copyrightlabel");
    compilelabel_ = Line(this, "compilelabel");
    compilelabel_->setWordWrap(true);
    extralabel_ = Line(this, "extralabel");
    memorylabel_ = Line(this, "memorylabel");

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("picturepanel"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setLineWidth(1);
    picturelabel_ = new QLabel(panel);
    picturelabel_->setObjectName(QStringLiteral("picturelabel"));
    picturelabel_->setGeometry(4, 4, 153, 225);
    picturelabel_->installEventFilter(this);

    iconlabel_ = new QLabel(this);
    iconlabel_->setObjectName(QStringLiteral("iconlabel"));
    iconlabel_->setGeometry(372, 9, 41, 37);
    iconlabel_->setPixmap(QPixmap::fromImage(ProgramIconPicture()));
    iconlabel_->installEventFilter(this);

    okbutton_ = new QPushButton(QStringLiteral("&Ok"), this);
    okbutton_->setObjectName(QStringLiteral("okbutton"));
    okbutton_->setDefault(true);
    connect(okbutton_, &QPushButton::clicked, this, &QDialog::accept);

    RefreshLines();
    PlaceLines();
    // The panel centred on the left; the dialog tall enough to hold it.
    const int clientHeight = std::max(okbutton_->geometry().bottom() + 1 + 10, kPanelHeight + 20);
    panel->setGeometry(10, (clientHeight - kPanelHeight) / 2, kPanelWidth, kPanelHeight);
    setFixedSize(kClientWidth, clientHeight);
}

void TAboutDialog::PlaceLines()
{
    // Every line has its place, shown or not, so hiding one moves none of the others.
    const int lineHeight = std::max(13, fontMetrics().height());
    int top = 16;
    const int titleHeight = std::max(23, titlelabel_->fontMetrics().height());
    titlelabel_->setGeometry(kColumnLeft, top, kColumnWidth, titleHeight);
    top += titleHeight + kLineGap;
    for (QLabel* line : {versionlabel_, corvellabel_}) {
        line->setGeometry(kColumnLeft, top, kColumnWidth, lineHeight);
        top += lineHeight + kLineGap;
    }
    top += 4 - kLineGap;
    copyrightlabel_->setGeometry(kColumnLeft, top, kColumnWidth, lineHeight);
    top += lineHeight + kLineGap;
    const int compileHeight = std::max(lineHeight, compilelabel_->heightForWidth(kColumnWidth));
    compilelabel_->setGeometry(kColumnLeft, top, kColumnWidth, compileHeight);
    top += compileHeight + kLineGap;
    for (QLabel* line : {extralabel_, memorylabel_}) {
        line->setGeometry(kColumnLeft, top, kColumnWidth, lineHeight);
        top += lineHeight + kLineGap;
    }
    okbutton_->setGeometry(254, memorylabel_->geometry().bottom() + 1 + 5, 75, 25);
}

void TAboutDialog::RefreshLines()
{
    titlelabel_->setText(about_.Title());
    versionlabel_->setText(about_.VersionLine());
    const QString corvel = about_.CorvelLine();
    corvellabel_->setText(corvel);
    corvellabel_->setVisible(!corvel.isEmpty());
    copyrightlabel_->setText(about_.Copyright());
    compilelabel_->setText(about_.CompileLine());
    compilelabel_->setVisible(about_.ShowCompileDate());
    // The compile line sizes itself to its text.
    compilelabel_->resize(kColumnWidth, std::max(compilelabel_->height(), compilelabel_->heightForWidth(kColumnWidth)));
    extralabel_->setText(about_.Extra());
    extralabel_->setVisible(!about_.Extra().isEmpty());
    memorylabel_->setText(PhysicalMemoryLine(ReportedPhysicalMemoryBytes(), UserDecimalSeparator()));
    const QImage picture = about_.Picture();
    picturelabel_->setPixmap(picture.isNull() ? QPixmap() : QPixmap::fromImage(picture));
}

int TAboutDialog::showmodal()
{
    RefreshLines();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    return exec();
}

bool TAboutDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == iconlabel_)
            about_.EggClicked();
        else if (watched == picturelabel_)
            about_.PictureDoubleClicked();
    }
    return QDialog::eventFilter(watched, event);
}
